#pragma once
// The maker's web site and the lobby program: where they are, and starting them.

#include <QString>
#include <QUrl>

// The maker's web site, as configured at build time (ZIRKY_MAKER_SITE).
QUrl makerSiteUrl();

// Opens the maker's web site in the default browser; false when no browser took it.
bool openMakerSite();

// Where the lobby installer is fetched from: $ZIRKY_LOBBY_URL when set and not
// empty, else the maker's site + "/lobby/" + the installer's file name.
QUrl lobbyInstallerUrl();

// The installed lobby program ("dravik-lobby" on the PATH), or empty when none.
QString installedLobbyProgram();

// Starts the installed lobby program as a process of its own; false when there
// is none or it would not start. The caller closes the game on success.
bool startInstalledLobby();
