#include "AvahiDaemon.h"

#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QPointer>

namespace zeroconf
{

namespace
{
// A daemon that takes longer than this to answer is treated as not answering;
// nothing waits on it, but the listing should say so rather than stay blank.
constexpr int kCallTimeoutMs = 10000;

// Avahi's server states (AvahiServerState).
constexpr int kServerRegistering = 1;
constexpr int kServerRunning = 2;
constexpr int kServerCollision = 3;
constexpr int kServerFailure = 4;
} // namespace

AvahiDaemon::AvahiDaemon(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
{
    if (!m_bus.isConnected()) {
        m_error = m_bus.lastError().message();
        m_state = State::Absent;
        return;
    }
    auto* watcher = new QDBusServiceWatcher(
        QString::fromLatin1(avahi::kService), m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &AvahiDaemon::onOwnerChanged);
    m_bus.connect(QString::fromLatin1(avahi::kService), QStringLiteral("/"), QString::fromLatin1(avahi::kServer),
        QStringLiteral("StateChanged"), this, SLOT(onServerStateChanged(int, QString)));
    askState();
}

QDBusMessage AvahiDaemon::methodCall(
    const QString& path, const char* interface, const QString& method, const QVariantList& args) const
{
    // Once known, calls go to the daemon's unique name: sent to the well-known
    // one just after a restart, a call meant for an object of the old daemon
    // could reach a new object that happens to have the same path.
    const QString destination = m_owner.isEmpty() ? QString::fromLatin1(avahi::kService) : m_owner;
    auto message = QDBusMessage::createMethodCall(destination, path, QString::fromLatin1(interface), method);
    message.setArguments(args);
    // Bus activation would make the first call wait for a daemon that may
    // never come (Debian's activation file starts it only under systemd).
    message.setAutoStartService(false);
    return message;
}

void AvahiDaemon::call(const QString& path, const char* interface, const QString& method, const QVariantList& args,
    QObject* context, std::function<void(const QDBusMessage&)> onReply)
{
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(methodCall(path, interface, method, args), kCallTimeoutMs), this);
    QPointer<QObject> guard(context);
    const quint64 lifetime = m_lifetime;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        [this, watcher, guard, lifetime, onReply = std::move(onReply)] {
            watcher->deleteLater();
            if (guard && lifetime == m_lifetime)
                onReply(watcher->reply());
        });
}

void AvahiDaemon::send(const QString& path, const char* interface, const QString& method, const QVariantList& args)
{
    if (m_bus.isConnected())
        m_bus.send(methodCall(path, interface, method, args));
}

void AvahiDaemon::askState()
{
    call(QStringLiteral("/"), avahi::kServer, QStringLiteral("GetState"), {}, this, [this](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1
            && reply.arguments().at(0).metaType() == QMetaType::fromType<int>()) {
            m_owner = reply.service();
            applyServerState(reply.arguments().at(0).toInt(), QString());
            return;
        }
        // Nobody owns the name (or the owner does not speak avahi's language).
        m_error = reply.errorMessage();
        setState(State::Absent);
    });
}

void AvahiDaemon::onOwnerChanged(const QString&, const QString& oldOwner, const QString& newOwner)
{
    if (!oldOwner.isEmpty()) {
        ++m_lifetime;
        m_owner.clear();
        const bool wasServing = m_state != State::Absent && m_state != State::Checking;
        setState(State::Absent);
        if (wasServing)
            emit stopped(true);
    }
    if (!newOwner.isEmpty()) {
        setState(State::Checking);
        askState();
    }
}

void AvahiDaemon::onServerStateChanged(int state, const QString& error)
{
    applyServerState(state, error);
}

void AvahiDaemon::applyServerState(int state, const QString& error)
{
    const State before = m_state;
    switch (state) {
    case kServerRunning:
        m_error.clear();
        setState(State::Running);
        break;
    case kServerRegistering:
    case kServerCollision:
        setState(State::Busy);
        break;
    case kServerFailure:
        m_error = error;
        setState(State::Failed);
        break;
    default:
        return;
    }
    if (m_state == State::Running && before != State::Running)
        emit running();
    else if (before == State::Running && m_state != State::Running)
        emit stopped(false);
}

void AvahiDaemon::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

} // namespace zeroconf
