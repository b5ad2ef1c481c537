#pragma once
// The system's avahi daemon as seen over D-Bus: whether it is there and
// serving, followed as it starts, stops and restarts, and asynchronous calls
// to it that never block the event loop and never start it by bus activation.

#include "zeroconf/GameRecord.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariantList>

#include <functional>

namespace zeroconf
{

namespace avahi
{
inline constexpr auto kService = "org.freedesktop.Avahi";
inline constexpr auto kServer = "org.freedesktop.Avahi.Server";
inline constexpr auto kEntryGroup = "org.freedesktop.Avahi.EntryGroup";
inline constexpr auto kServiceBrowser = "org.freedesktop.Avahi.ServiceBrowser";
inline constexpr auto kServiceResolver = "org.freedesktop.Avahi.ServiceResolver";
inline constexpr int kAnyInterface = -1;
inline constexpr int kAnyProtocol = -1;
inline constexpr int kIPv4 = 0;
inline constexpr int kIPv6 = 1;
inline QString serviceType() { return QString::fromLatin1(kServiceType.data(), qsizetype(kServiceType.size())); }
} // namespace avahi

class AvahiDaemon : public QObject
{
    Q_OBJECT
public:
    enum class State {
        Checking, // asked, no answer yet
        Absent, // no system bus, or nobody owns the daemon's name
        Busy, // there, but registering its host name or resolving a collision
        Running,
        Failed // there, but it gave up (see error())
    };
    Q_ENUM(State)

    explicit AvahiDaemon(const QDBusConnection& bus, QObject* parent = nullptr);

    State state() const { return m_state; }
    bool isRunning() const { return m_state == State::Running; }
    QString error() const { return m_error; }
    QDBusConnection bus() const { return m_bus; }

    // Calls a method of the daemon. The reply goes to onReply unless the
    // daemon went away in between (its objects died with it) or context was
    // destroyed. An error reply arrives as a QDBusMessage::ErrorMessage.
    void call(const QString& path, const char* interface, const QString& method, const QVariantList& args,
        QObject* context, std::function<void(const QDBusMessage&)> onReply);
    // The same without waiting for a reply (freeing objects on the way out).
    void send(const QString& path, const char* interface, const QString& method, const QVariantList& args = {});

signals:
    void stateChanged(zeroconf::AvahiDaemon::State state);
    // The daemon can take requests (again); objects made earlier may be gone.
    void running();
    // The daemon stopped serving. When gone is true its objects died with it
    // (it exited or restarted); otherwise it wants entry groups reset.
    void stopped(bool gone);

private slots:
    void onOwnerChanged(const QString& service, const QString& oldOwner, const QString& newOwner);
    void onServerStateChanged(int state, const QString& error);

private:
    QDBusMessage methodCall(const QString& path, const char* interface, const QString& method,
        const QVariantList& args) const;
    void askState();
    void applyServerState(int state, const QString& error);
    void setState(State state);

    QDBusConnection m_bus;
    State m_state = State::Checking;
    QString m_error;
    QString m_owner; // the daemon's unique bus name, once it answered
    // Counts daemon lifetimes: replies from an earlier one are dropped.
    quint64 m_lifetime = 0;
};

} // namespace zeroconf
