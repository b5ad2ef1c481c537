#pragma once
// What the command line asks for: a solo game, hosting or joining a
// multi-player game, the Join dialog for an invite link, or (with one or two
// other arguments) nothing at all.

#include <string>
#include <vector>

namespace app
{

struct LaunchPlan {
    enum class Role { Solo, Host, Join, Invite, None };
    Role role = Role::Solo;
    std::string playerName; // "You" in a solo game
    std::string hostAddress; // where the player said the game is
    std::string connectTo; // where the client connects: "127.0.0.1" whenever this copy hosts
    bool openLobbyLink = false;
    bool showDownloadWindow = false;
    bool hideFastGame = false;
    std::string firstChatLine; // "0+..." shown in blue before anything else
    std::string inviteLink; // Invite: the link, for the Join dialog to show (not checked yet)
};

// `args` excludes the program name. Comparisons are exact and case-sensitive.
LaunchPlan planLaunch(const std::vector<std::string>& args);

// The only arguments the program answers on stdout instead of starting.
enum class EarlyExit { None, Help, Version };
EarlyExit earlyExit(const std::vector<std::string>& args);

std::string usageText();

} // namespace app
