#pragma once
// Announces a hosted game on the local network through the system's avahi
// daemon: one DNS-SD service of type _zirky._tcp with the game's TXT records.
// It keeps the announcement up by itself: TXT records follow update(), a
// name taken by another host is replaced by avahi's alternative ("… #2"), and
// after the daemon restarts the service is published again.

#include "zeroconf/GameRecord.h"

#include <QByteArrayList>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>

namespace zeroconf
{

class AvahiDaemon;

class Announcer : public QObject
{
    Q_OBJECT
public:
    enum class State {
        Withdrawn, // not asked to announce, or withdrawn
        Unavailable, // asked, but there is no avahi daemon to announce through
        Publishing,
        Published,
        Failed // the daemon refused; see statusText()
    };
    Q_ENUM(State)

    // On the system bus, where avahi lives.
    explicit Announcer(QObject* parent = nullptr);
    explicit Announcer(const QDBusConnection& bus, QObject* parent = nullptr);
    ~Announcer() override;

    // Starts announcing, or changes the name or port of the announcement.
    void publish(const QString& name, quint16 port, const Announcement& game);
    // New TXT records for the same service (seats taken, a game started).
    void update(const Announcement& game);
    void withdraw();

    State state() const { return m_state; }
    // The name on the network: the one asked for, or avahi's rename of it.
    QString publishedName() const { return m_name; }
    // A sentence for the host's window or log; empty when all is well.
    QString statusText() const;

signals:
    void stateChanged(zeroconf::Announcer::State state);

private slots:
    void onGroupStateChanged(int state, const QString& error, const QDBusMessage& message);

private:
    void step();
    void callGroup(const QString& method, const QVariantList& args, void (Announcer::*done)(const QDBusMessage&));
    void onGroupCreated(const QDBusMessage& reply);
    void onServiceAdded(const QDBusMessage& reply);
    void onCommitted(const QDBusMessage& reply);
    void onTxtUpdated(const QDBusMessage& reply);
    void onGroupReset(const QDBusMessage& reply);
    void onAlternativeName(const QDBusMessage& reply);
    bool failedOn(const QDBusMessage& reply);
    void forgetGroup();
    void freeGroup();
    void daemonStopped(bool gone);
    void setState(State state);

    AvahiDaemon* m_daemon;

    // What is wanted.
    bool m_wanted = false;
    QString m_requestedName;
    QString m_name; // m_requestedName, or avahi's alternative after a collision
    quint16 m_port = 0;
    QByteArrayList m_txt;

    // What the daemon has.
    QString m_group; // entry group object path; empty: none
    bool m_added = false;
    bool m_committed = false;
    bool m_needsReset = false;
    bool m_collided = false;
    QString m_sentName;
    quint16 m_sentPort = 0;
    QByteArrayList m_sentTxt;

    bool m_busy = false; // one call at a time, so replies apply in order
    State m_state = State::Withdrawn;
    QString m_error;
};

} // namespace zeroconf
