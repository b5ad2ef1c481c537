#include "Announcer.h"

#include "AvahiDaemon.h"

#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QLoggingCategory>

namespace zeroconf
{

namespace
{
Q_LOGGING_CATEGORY(lcAnnounce, "zirky.zeroconf.announce", QtInfoMsg)

// Avahi's entry group states (AvahiEntryGroupState).
constexpr int kGroupEstablished = 2;
constexpr int kGroupCollision = 3;
constexpr int kGroupFailure = 4;

const QString kCollisionError = QStringLiteral("org.freedesktop.Avahi.CollisionError");

QByteArrayList toTxt(const Announcement& game)
{
    QByteArrayList out;
    for (const auto& record : txtRecords(game))
        out.append(QByteArray::fromStdString(record));
    return out;
}
} // namespace

Announcer::Announcer(QObject* parent)
    : Announcer(QDBusConnection::systemBus(), parent)
{
}

Announcer::Announcer(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_daemon(new AvahiDaemon(bus, this))
{
    qDBusRegisterMetaType<QByteArrayList>();
    connect(m_daemon, &AvahiDaemon::running, this, &Announcer::step);
    connect(m_daemon, &AvahiDaemon::stopped, this, &Announcer::daemonStopped);
    connect(m_daemon, &AvahiDaemon::stateChanged, this, [this](AvahiDaemon::State state) {
        if (m_wanted && (state == AvahiDaemon::State::Absent || state == AvahiDaemon::State::Failed))
            setState(State::Unavailable);
    });
}

Announcer::~Announcer()
{
    // The bus connection outlives this object, so the daemon would keep the
    // service up until the process ends.
    freeGroup();
}

void Announcer::publish(const QString& name, quint16 port, const Announcement& game)
{
    if (name != m_requestedName || !m_wanted) {
        m_requestedName = name;
        m_name = name;
    }
    m_port = port;
    m_txt = toTxt(game);
    m_wanted = true;
    if (m_state == State::Withdrawn || m_state == State::Failed) {
        m_error.clear();
        const auto daemon = m_daemon->state();
        const bool absent = daemon == AvahiDaemon::State::Absent || daemon == AvahiDaemon::State::Failed;
        setState(absent ? State::Unavailable : State::Publishing);
    }
    step();
}

void Announcer::update(const Announcement& game)
{
    m_txt = toTxt(game);
    step();
}

void Announcer::withdraw()
{
    m_wanted = false;
    step();
}

QString Announcer::statusText() const
{
    switch (m_state) {
    case State::Unavailable:
        return tr("Your game cannot be announced on your network: the avahi daemon is not running.");
    case State::Failed:
        return tr("Your game cannot be announced on your network: %1").arg(m_error);
    default:
        return {};
    }
}

// Brings what the daemon has one call closer to what is wanted; each reply
// comes back here, so a change made meanwhile is never lost.
void Announcer::step()
{
    if (!m_wanted) {
        setState(State::Withdrawn);
        // With a call on its way, its reply comes back here to free the group.
        if (!m_busy)
            freeGroup();
        return;
    }
    if (m_busy || !m_daemon->isRunning())
        return;
    if (m_state == State::Failed)
        return;
    if (m_group.isEmpty()) {
        m_busy = true;
        m_daemon->call(QStringLiteral("/"), avahi::kServer, QStringLiteral("EntryGroupNew"), {}, this,
            [this](const QDBusMessage& reply) { onGroupCreated(reply); });
        return;
    }
    if (m_collided) {
        m_busy = true;
        m_daemon->call(QStringLiteral("/"), avahi::kServer, QStringLiteral("GetAlternativeServiceName"), { m_name },
            this, [this](const QDBusMessage& reply) { onAlternativeName(reply); });
        return;
    }
    if (m_state == State::Unavailable)
        setState(State::Publishing);
    if (m_needsReset || (m_added && (m_sentName != m_name || m_sentPort != m_port))) {
        setState(State::Publishing);
        callGroup(QStringLiteral("Reset"), {}, &Announcer::onGroupReset);
        return;
    }
    if (!m_added) {
        m_sentName = m_name;
        m_sentPort = m_port;
        m_sentTxt = m_txt;
        callGroup(QStringLiteral("AddService"),
            { avahi::kAnyInterface, avahi::kAnyProtocol, 0u, m_name, avahi::serviceType(),
                QString(), QString(), QVariant::fromValue(m_port), QVariant::fromValue(m_txt) },
            &Announcer::onServiceAdded);
        return;
    }
    if (!m_committed) {
        callGroup(QStringLiteral("Commit"), {}, &Announcer::onCommitted);
        return;
    }
    if (m_sentTxt != m_txt) {
        m_sentTxt = m_txt;
        callGroup(QStringLiteral("UpdateServiceTxt"),
            { avahi::kAnyInterface, avahi::kAnyProtocol, 0u, m_sentName, avahi::serviceType(),
                QString(), QVariant::fromValue(m_txt) },
            &Announcer::onTxtUpdated);
    }
}

void Announcer::callGroup(const QString& method, const QVariantList& args, void (Announcer::*done)(const QDBusMessage&))
{
    m_busy = true;
    m_daemon->call(m_group, avahi::kEntryGroup, method, args, this,
        [this, done](const QDBusMessage& reply) { (this->*done)(reply); });
}

bool Announcer::failedOn(const QDBusMessage& reply)
{
    m_busy = false;
    if (reply.type() != QDBusMessage::ErrorMessage)
        return false;
    qCWarning(lcAnnounce) << "avahi refused:" << reply.errorName() << reply.errorMessage();
    m_error = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
    setState(State::Failed);
    return true;
}

void Announcer::onGroupCreated(const QDBusMessage& reply)
{
    if (failedOn(reply))
        return;
    const auto args = reply.arguments();
    if (args.size() != 1 || args.at(0).metaType() != QMetaType::fromType<QDBusObjectPath>()) {
        m_error = tr("the avahi daemon gave an answer this program does not understand.");
        setState(State::Failed);
        return;
    }
    m_group = args.at(0).value<QDBusObjectPath>().path();
    m_added = m_committed = m_needsReset = m_collided = false;
    m_daemon->bus().connect(QString::fromLatin1(avahi::kService), m_group, QString::fromLatin1(avahi::kEntryGroup),
        QStringLiteral("StateChanged"), this, SLOT(onGroupStateChanged(int, QString, QDBusMessage)));
    step();
}

void Announcer::onServiceAdded(const QDBusMessage& reply)
{
    if (reply.type() == QDBusMessage::ErrorMessage && reply.errorName() == kCollisionError) {
        // Another service of ours on this daemon has the name already.
        m_busy = false;
        m_collided = true;
        step();
        return;
    }
    if (failedOn(reply))
        return;
    m_added = true;
    m_committed = false;
    step();
}

void Announcer::onCommitted(const QDBusMessage& reply)
{
    if (failedOn(reply))
        return;
    m_committed = true;
    step();
}

void Announcer::onTxtUpdated(const QDBusMessage& reply)
{
    if (failedOn(reply))
        return;
    step();
}

void Announcer::onGroupReset(const QDBusMessage& reply)
{
    if (failedOn(reply))
        return;
    m_added = m_committed = m_needsReset = false;
    step();
}

void Announcer::onAlternativeName(const QDBusMessage& reply)
{
    if (failedOn(reply))
        return;
    const auto args = reply.arguments();
    const QString alternative = args.size() == 1 ? args.at(0).toString() : QString();
    if (alternative.isEmpty() || alternative == m_name) {
        m_error = tr("the name \"%1\" is taken on your network.").arg(m_name);
        setState(State::Failed);
        return;
    }
    qCInfo(lcAnnounce) << "name" << m_name << "is taken; announcing as" << alternative;
    m_name = alternative;
    m_collided = false;
    step();
}

void Announcer::onGroupStateChanged(int state, const QString& error, const QDBusMessage& message)
{
    if (message.path() != m_group)
        return;
    switch (state) {
    case kGroupEstablished:
        if (m_wanted && m_state != State::Failed)
            setState(State::Published);
        break;
    case kGroupCollision:
        // Another host on the network announced the same name first.
        m_collided = true;
        setState(State::Publishing);
        step();
        break;
    case kGroupFailure:
        m_error = error;
        setState(State::Failed);
        break;
    default:
        break;
    }
}

void Announcer::forgetGroup()
{
    if (!m_group.isEmpty())
        m_daemon->bus().disconnect(QString::fromLatin1(avahi::kService), m_group,
            QString::fromLatin1(avahi::kEntryGroup), QStringLiteral("StateChanged"), this,
            SLOT(onGroupStateChanged(int, QString, QDBusMessage)));
    m_group.clear();
    m_added = m_committed = m_needsReset = m_collided = false;
    m_sentTxt.clear();
}

void Announcer::freeGroup()
{
    if (m_group.isEmpty())
        return;
    m_daemon->send(m_group, avahi::kEntryGroup, QStringLiteral("Free"));
    forgetGroup();
}

void Announcer::daemonStopped(bool gone)
{
    if (gone) {
        // Its objects died with it, and replies still on their way are dropped.
        forgetGroup();
        m_busy = false;
    } else if (m_added || m_committed) {
        // Avahi asks for the services to go while it settles its host name;
        // they are added again when it runs.
        m_needsReset = true;
        m_added = m_committed = false;
    }
    if (m_wanted) {
        m_error.clear();
        setState(gone ? State::Unavailable : State::Publishing);
    }
}

void Announcer::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

} // namespace zeroconf
