#include "MakerSite.h"

#include "SiteConfig.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>

namespace
{
constexpr const char* kLobbyProgram = "dravik-lobby";
}

QUrl makerSiteUrl() { return QUrl(QStringLiteral(ZIRKY_MAKER_SITE)); }

bool openMakerSite() { return QDesktopServices::openUrl(makerSiteUrl()); }

QUrl lobbyInstallerUrl()
{
    const QString overridden = qEnvironmentVariable("ZIRKY_LOBBY_URL").trimmed();
    if (!overridden.isEmpty())
        return QUrl(overridden);
    QUrl url = makerSiteUrl();
    QString path = url.path();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    url.setPath(path + QStringLiteral("lobby/") + QStringLiteral(ZIRKY_LOBBY_INSTALLER));
    return url;
}

QString installedLobbyProgram() { return QStandardPaths::findExecutable(QString::fromLatin1(kLobbyProgram)); }

bool startInstalledLobby()
{
    const QString program = installedLobbyProgram();
    return !program.isEmpty() && QProcess::startDetached(program, {});
}
