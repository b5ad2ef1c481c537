#include "HostAnnouncement.h"

#include "host/HostServer.h"
#include "rules/Version.h"
#include "zeroconf/Announcer.h"
#include "zeroconf/ShownText.h"

#include <QHostInfo>

namespace
{

zeroconf::Announcement fromHost(const HostServer::Announcement& host)
{
    return { std::string(rules::kVersion), host.seatedPlayers, host.gameRunning };
}

} // namespace

HostAnnouncement::HostAnnouncement(HostServer& server, const QString& playerName, QObject* parent)
    : QObject(parent)
    , m_announcer(new zeroconf::Announcer(this))
    , m_name(QString::fromStdString(
          zeroconf::serviceName(playerName.toStdString(), QHostInfo::localHostName().toStdString())))
{
    connect(&server, &HostServer::announcementChanged, m_announcer,
        [this](const HostServer::Announcement& now) { m_announcer->update(fromHost(now)); });
    connect(m_announcer, &zeroconf::Announcer::stateChanged, this, [this] { emit statusChanged(statusText()); });
    m_announcer->publish(m_name, server.port(), fromHost(server.announcement()));
}

HostAnnouncement::~HostAnnouncement() { m_announcer->withdraw(); }

QString HostAnnouncement::publishedName() const
{
    return m_announcer->state() == zeroconf::Announcer::State::Published ? m_announcer->publishedName() : QString();
}

QString HostAnnouncement::statusText() const
{
    switch (m_announcer->state()) {
    case zeroconf::Announcer::State::Published:
        return QStringLiteral("Your game is listed on your network as \"%1\".").arg(m_announcer->publishedName());
    case zeroconf::Announcer::State::Publishing:
        return QStringLiteral("Announcing your game on your network\u2026");
    case zeroconf::Announcer::State::Withdrawn:
        return {};
    case zeroconf::Announcer::State::Unavailable:
    case zeroconf::Announcer::State::Failed:
        break;
    }
    return m_announcer->statusText();
}
