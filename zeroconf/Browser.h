#pragma once
// Lists the games announced on the local network, through the system's avahi
// daemon: each _zirky._tcp service found is resolved to its host name,
// addresses (IPv4 and IPv6) and port, and its TXT records are read by
// parseTxt(). Everything shown comes from strangers on the network and is
// made safe to show first.

#include "zeroconf/GameRecord.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

namespace zeroconf
{

class AvahiDaemon;

struct FoundGame {
    QString id; // stable while the game is listed; gameRemoved() names it
    QString name; // "Ann's game on ann-laptop", safe to show
    QString hostName; // "ann-laptop.local", safe to show
    QList<QHostAddress> addresses; // IPv4 first
    quint16 port = 0;
    GameInfo info;

    // What to put in the Join dialog's address field: an address with the
    // port ("192.0.2.7:7772", "[fe80::1%eth0]:7772"), IPv4 preferred, so that
    // joining needs no multicast name lookup; empty when nothing resolved.
    QString joinAddress() const;
    bool operator==(const FoundGame&) const = default;
};

class Browser : public QObject
{
    Q_OBJECT
public:
    enum class State {
        Starting,
        Unavailable, // no avahi daemon: see statusText()
        Browsing,
        Failed
    };
    Q_ENUM(State)

    // On the system bus, where avahi lives.
    explicit Browser(QObject* parent = nullptr);
    explicit Browser(const QDBusConnection& bus, QObject* parent = nullptr);
    ~Browser() override;

    State state() const { return m_state; }
    // A sentence for the Join dialog's list when it cannot list; else empty.
    QString statusText() const;
    // The games listed now, in the order they were found.
    QList<FoundGame> games() const;

signals:
    void stateChanged(zeroconf::Browser::State state);
    void gameAdded(const zeroconf::FoundGame& game);
    void gameChanged(const zeroconf::FoundGame& game);
    void gameRemoved(const QString& id);

private slots:
    void onItemNew(const QDBusMessage& message);
    void onItemRemove(const QDBusMessage& message);
    void onBrowserFailure(const QDBusMessage& message);
    void onResolverFound(const QDBusMessage& message);
    void onResolverFailure(const QDBusMessage& message);

private:
    // Where a service was seen (an interface and the protocol mDNS spoke
    // there) and which family of address its resolver asks for.
    struct Sighting {
        int interface = 0;
        int protocol = 0;
        int addressProtocol = 0;
        bool operator==(const Sighting&) const = default;
    };
    struct Instance {
        Sighting where;
        QString resolver; // resolver object path; empty while it is being made
        bool resolved = false;
        QString hostName;
        QHostAddress address;
        quint16 port = 0;
        GameInfo info;
        quint64 foundAt = 0; // order of resolution, the latest wins
        int attempts = 0;
    };
    struct Entry {
        QString name, type, domain; // as avahi gave them, to ask it about this service
        QList<Instance> instances;
        bool listed = false;
        FoundGame game;
        quint64 order = 0;
    };

    // onMade says whether the new object is still wanted; one that is not is
    // left unstarted (the caller frees it).
    void makeObject(const char* kind, const char* interface, const QVariantList& args,
        std::function<bool(const QString& path)> onMade, std::function<void(const QString& error)> onError);
    // Signals from an object whose path has not come back yet.
    bool keepEarly(const QDBusMessage& message);
    void replayEarly(const QString& path);
    void startBrowsing();
    void startResolver(const QString& id, const Sighting& where);
    void daemonStopped();
    // Lists, updates or unlists a game after one of its sightings changed.
    void refresh(const QString& id);
    Instance* instanceFor(const QString& resolverPath, QString* id);
    void freeResolver(const QString& path);
    void setState(State state);

    AvahiDaemon* m_daemon;
    State m_state = State::Starting;
    QString m_error;
    QString m_browser; // service browser object path
    bool m_startingBrowser = false;
    QHash<QString, Entry> m_entries;
    QHash<QString, QString> m_resolverOwner; // resolver path -> entry id
    QList<QDBusMessage> m_early; // oldest first, bounded
    int m_making = 0; // objects asked for whose path has not come back
    quint64 m_counter = 0;
    bool m_warnedFull = false;
};

} // namespace zeroconf

Q_DECLARE_METATYPE(zeroconf::FoundGame)
