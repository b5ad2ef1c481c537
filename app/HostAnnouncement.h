#pragma once
// A game host announced on the local network for as long as this object
// lives: published under a name, its TXT records following the host as
// players come and go and games start and end, withdrawn at the end.
// Used by the hosting copy and by zirky-host.

#include <QObject>
#include <QString>

class HostServer;

namespace zeroconf
{
class Announcer;
}

class HostAnnouncement : public QObject
{
    Q_OBJECT
public:
    // `playerName` names the game ("Ann's game on box"); empty for a dedicated host.
    HostAnnouncement(HostServer& server, const QString& playerName, QObject* parent = nullptr);
    ~HostAnnouncement() override;

    // The name asked for; avahi may list it under another one after a collision.
    QString serviceName() const { return m_name; }
    // The name it is listed under on the network; empty until it is.
    QString publishedName() const;
    // A sentence for the player.
    QString statusText() const;

signals:
    void statusChanged(const QString& text);

private:
    zeroconf::Announcer* m_announcer = nullptr;
    QString m_name;
};
