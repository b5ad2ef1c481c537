#include "Browser.h"

#include "AvahiDaemon.h"
#include "ShownText.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QLoggingCategory>
#include <QNetworkInterface>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace zeroconf
{

namespace
{
Q_LOGGING_CATEGORY(lcBrowse, "zirky.zeroconf.browse", QtInfoMsg)

// A hostile or broken network could announce without end; these bound what
// one listing keeps (and how many resolvers it asks the daemon for).
constexpr int kMaxGames = 128;
constexpr int kMaxInstancesPerGame = 12; // interfaces x protocols x address families
constexpr int kMaxNameBytes = 255; // what avahi lets through; more is not DNS
constexpr int kResolveAttempts = 3;
constexpr int kResolveRetryMs = 2000;
// Signals held for objects still being made: a resolver sends at most a few
// before its path comes back; the rest are late ones of freed objects.
constexpr int kMaxEarlySignals = 64;

const QString kUnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");

QString entryId(const QString& name, const QString& type, const QString& domain)
{
    // D-Bus strings never hold NUL, so the parts cannot run into each other.
    return name + QChar(0) + type + QChar(0) + domain;
}

QString shown(const QString& text, std::size_t maxBytes)
{
    return QString::fromStdString(shownText(text.toUtf8().toStdString(), maxBytes));
}

// IPv4 first, then routable IPv6, then link-local IPv6 (which needs its scope).
int addressRank(const QHostAddress& a)
{
    if (a.protocol() == QAbstractSocket::IPv4Protocol)
        return a.isLoopback() ? 3 : 0;
    if (a.isLoopback())
        return 4;
    return a.isLinkLocal() ? 2 : 1;
}
} // namespace

QString FoundGame::joinAddress() const
{
    if (addresses.isEmpty() || port == 0)
        return {};
    const QHostAddress& a = addresses.front();
    const QString host = a.protocol() == QAbstractSocket::IPv6Protocol ? "[" + a.toString() + "]" : a.toString();
    return host + ":" + QString::number(port);
}

Browser::Browser(QObject* parent)
    : Browser(QDBusConnection::systemBus(), parent)
{
}

Browser::Browser(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_daemon(new AvahiDaemon(bus, this))
{
    qDBusRegisterMetaType<QByteArrayList>();
    qRegisterMetaType<FoundGame>();
    connect(m_daemon, &AvahiDaemon::running, this, &Browser::startBrowsing);
    connect(m_daemon, &AvahiDaemon::stopped, this, [this](bool gone) {
        if (gone)
            daemonStopped();
    });
    connect(m_daemon, &AvahiDaemon::stateChanged, this, [this](AvahiDaemon::State state) {
        if (state == AvahiDaemon::State::Absent || state == AvahiDaemon::State::Failed)
            setState(State::Unavailable);
    });
    if (m_daemon->state() == AvahiDaemon::State::Absent) {
        m_state = State::Unavailable;
        return;
    }
    // Every signal of these kinds, whatever object sends it: the paths are
    // known only once the daemon answers, and each handler checks its own.
    const auto service = QString::fromLatin1(avahi::kService);
    const auto browser = QString::fromLatin1(avahi::kServiceBrowser);
    const auto resolver = QString::fromLatin1(avahi::kServiceResolver);
    QDBusConnection b = m_daemon->bus();
    b.connect(service, QString(), browser, QStringLiteral("ItemNew"), this, SLOT(onItemNew(QDBusMessage)));
    b.connect(service, QString(), browser, QStringLiteral("ItemRemove"), this, SLOT(onItemRemove(QDBusMessage)));
    b.connect(service, QString(), browser, QStringLiteral("Failure"), this, SLOT(onBrowserFailure(QDBusMessage)));
    b.connect(service, QString(), resolver, QStringLiteral("Found"), this, SLOT(onResolverFound(QDBusMessage)));
    b.connect(service, QString(), resolver, QStringLiteral("Failure"), this, SLOT(onResolverFailure(QDBusMessage)));
}

Browser::~Browser()
{
    // The bus connection outlives this object; the daemon would go on
    // browsing and resolving for it until the process ends.
    for (auto it = m_resolverOwner.cbegin(); it != m_resolverOwner.cend(); ++it)
        m_daemon->send(it.key(), avahi::kServiceResolver, QStringLiteral("Free"));
    if (!m_browser.isEmpty())
        m_daemon->send(m_browser, avahi::kServiceBrowser, QStringLiteral("Free"));
}

QString Browser::statusText() const
{
    switch (m_state) {
    case State::Unavailable:
        return tr("Games on your network cannot be listed: the avahi daemon is not running.");
    case State::Failed:
        return tr("Games on your network cannot be listed: %1").arg(m_error);
    default:
        return {};
    }
}

QList<FoundGame> Browser::games() const
{
    QList<const Entry*> listed;
    for (const auto& entry : m_entries)
        if (entry.listed)
            listed.append(&entry);
    std::sort(listed.begin(), listed.end(), [](const Entry* a, const Entry* b) { return a->order < b->order; });
    QList<FoundGame> out;
    for (const Entry* entry : listed)
        out.append(entry->game);
    return out;
}

void Browser::makeObject(const char* kind, const char* interface, const QVariantList& args,
    std::function<bool(const QString& path)> onMade, std::function<void(const QString& error)> onError)
{
    // Avahi 0.8 makes browsers and resolvers stopped ("…Prepare"); older
    // daemons only start them. Neither keeps every signal back until the path
    // is known: a 0.8 resolver finds what the daemon's cache holds while being
    // prepared, and sends Found before the reply. Such signals are kept and
    // replayed (keepEarly).
    const QString prepare = QString::fromLatin1(kind) + "Prepare";
    ++m_making;
    m_daemon->call(QStringLiteral("/"), avahi::kServer, prepare, args, this,
        [this, kind, interface, args, onMade, onError](const QDBusMessage& reply) {
            const bool old = reply.type() == QDBusMessage::ErrorMessage && reply.errorName() == kUnknownMethod;
            auto made = [this, onMade, onError](const QDBusMessage& reply, const char* startInterface) {
                const auto result = reply.arguments();
                if (reply.type() == QDBusMessage::ErrorMessage || result.size() != 1
                    || result.at(0).metaType() != QMetaType::fromType<QDBusObjectPath>()) {
                    onError(reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage());
                } else if (const QString path = result.at(0).value<QDBusObjectPath>().path(); onMade(path)) {
                    if (startInterface)
                        m_daemon->send(path, startInterface, QStringLiteral("Start"));
                    replayEarly(path);
                }
                // (A reply from a daemon that has since gone never comes here:
                // daemonStopped() has already started counting afresh.)
                if (m_making > 0 && --m_making == 0)
                    m_early.clear(); // nothing left whose path could still come
            };
            if (!old) {
                made(reply, interface);
                return;
            }
            m_daemon->call(QStringLiteral("/"), avahi::kServer, QString::fromLatin1(kind) + "New", args, this,
                [made](const QDBusMessage& reply) { made(reply, nullptr); });
        });
}

bool Browser::keepEarly(const QDBusMessage& message)
{
    if (m_making == 0)
        return false;
    if (m_early.size() >= kMaxEarlySignals)
        m_early.removeFirst();
    m_early.append(message);
    return true;
}

void Browser::replayEarly(const QString& path)
{
    QList<QDBusMessage> mine;
    m_early.removeIf([&](const QDBusMessage& m) {
        if (m.path() != path)
            return false;
        mine.append(m);
        return true;
    });
    for (const auto& message : mine) {
        const QString member = message.member();
        if (message.interface() == QLatin1String(avahi::kServiceBrowser)) {
            if (member == QLatin1String("ItemNew"))
                onItemNew(message);
            else if (member == QLatin1String("ItemRemove"))
                onItemRemove(message);
            else if (member == QLatin1String("Failure"))
                onBrowserFailure(message);
        } else if (message.interface() == QLatin1String(avahi::kServiceResolver)) {
            if (member == QLatin1String("Found"))
                onResolverFound(message);
            else if (member == QLatin1String("Failure"))
                onResolverFailure(message);
        }
    }
}

void Browser::startBrowsing()
{
    if (!m_browser.isEmpty()) {
        // The daemon came back from a failure of its own; its browser lived on.
        setState(State::Browsing);
        return;
    }
    if (std::exchange(m_startingBrowser, true))
        return;
    makeObject("ServiceBrowser", avahi::kServiceBrowser,
        { avahi::kAnyInterface, avahi::kAnyProtocol, avahi::serviceType(), QString(), 0u },
        [this](const QString& path) {
            m_startingBrowser = false;
            m_browser = path;
            setState(State::Browsing);
            return true;
        },
        [this](const QString& error) {
            m_startingBrowser = false;
            qCWarning(lcBrowse) << "cannot browse:" << error;
            m_error = error;
            setState(State::Failed);
        });
}

void Browser::onItemNew(const QDBusMessage& message)
{
    if (m_browser.isEmpty() && m_startingBrowser) {
        keepEarly(message);
        return;
    }
    if (message.path() != m_browser || m_browser.isEmpty() || message.signature() != QLatin1String("iisssu"))
        return;
    const auto args = message.arguments();
    const int interface = args.at(0).toInt();
    const int protocol = args.at(1).toInt();
    const QString name = args.at(2).toString(), type = args.at(3).toString(), domain = args.at(4).toString();
    if (name.toUtf8().size() > kMaxNameBytes || domain.toUtf8().size() > kMaxNameBytes)
        return;
    const QString id = entryId(name, type, domain);
    auto it = m_entries.find(id);
    if (it == m_entries.end()) {
        if (m_entries.size() >= kMaxGames) {
            if (!std::exchange(m_warnedFull, true))
                qCWarning(lcBrowse) << "more than" << kMaxGames << "games on the network; the rest are not listed";
            return;
        }
        it = m_entries.insert(id, Entry { name, type, domain, {}, false, {}, 0 });
    }
    auto& instances = it->instances;
    const bool known = std::any_of(instances.cbegin(), instances.cend(),
        [&](const Instance& i) { return i.where.interface == interface && i.where.protocol == protocol; });
    if (known || instances.size() + 2 > kMaxInstancesPerGame)
        return;
    qCDebug(lcBrowse) << "found" << name << "on interface" << interface << "protocol" << protocol;
    // The address of the protocol the service was seen on, and over IPv4 the
    // IPv6 one too: avahi sends AAAA records over IPv4 by default, so the
    // host's IPv6 address is found even where IPv6 multicast does not work.
    QList<Sighting> sightings { { interface, protocol, protocol } };
    if (protocol == avahi::kIPv4)
        sightings.append({ interface, protocol, avahi::kIPv6 });
    for (const auto& where : sightings) {
        Instance instance;
        instance.where = where;
        instances.append(instance);
        startResolver(id, where);
    }
}

void Browser::startResolver(const QString& id, const Sighting& where)
{
    const auto entry = m_entries.constFind(id);
    if (entry == m_entries.cend())
        return;
    const QVariantList args { where.interface, where.protocol, entry->name, entry->type, entry->domain,
        where.addressProtocol, 0u };
    auto findInstance = [this, id, where]() -> Instance* {
        auto it = m_entries.find(id);
        if (it == m_entries.end())
            return nullptr;
        for (auto& i : it->instances)
            if (i.where == where)
                return &i;
        return nullptr;
    };
    makeObject("ServiceResolver", avahi::kServiceResolver, args,
        [this, id, findInstance](const QString& path) {
            Instance* instance = findInstance();
            if (!instance || !instance->resolver.isEmpty()) {
                // The service went while its resolver was being made.
                m_daemon->send(path, avahi::kServiceResolver, QStringLiteral("Free"));
                return false;
            }
            instance->resolver = path;
            m_resolverOwner.insert(path, id);
            return true;
        },
        [name = entry->name](const QString& error) { qCWarning(lcBrowse) << "cannot resolve" << name << ":" << error; });
}

Browser::Instance* Browser::instanceFor(const QString& resolverPath, QString* id)
{
    const auto owner = m_resolverOwner.constFind(resolverPath);
    if (owner == m_resolverOwner.cend())
        return nullptr;
    auto entry = m_entries.find(*owner);
    if (entry == m_entries.end())
        return nullptr;
    for (auto& instance : entry->instances) {
        if (instance.resolver == resolverPath) {
            *id = *owner;
            return &instance;
        }
    }
    return nullptr;
}

void Browser::onResolverFound(const QDBusMessage& message)
{
    QString id;
    Instance* instance = instanceFor(message.path(), &id);
    if (!instance && !m_resolverOwner.contains(message.path()) && keepEarly(message))
        return;
    if (!instance || message.signature() != QLatin1String("iissssisqaayu"))
        return;
    const auto args = message.arguments();
    const QString host = shown(args.at(5).toString(), kMaxHostNameBytes);
    QHostAddress address(args.at(7).toString());
    const auto port = args.at(8).value<quint16>();
    std::vector<std::string> txt;
    for (const QByteArray& record : qdbus_cast<QByteArrayList>(args.at(9)))
        txt.push_back(record.toStdString());
    qCDebug(lcBrowse) << "resolved" << args.at(2).toString() << "to" << host << args.at(7).toString() << port << txt.size()
                      << "TXT strings";
    if (address.protocol() == QAbstractSocket::IPv6Protocol && address.isLinkLocal())
        address.setScopeId(QNetworkInterface::interfaceNameFromIndex(instance->where.interface));
    if (port == 0 || host.isEmpty()) {
        // Nothing a player could join.
        instance->resolved = false;
    } else {
        instance->resolved = true;
        instance->hostName = host;
        instance->address = address.isNull() ? QHostAddress() : address;
        instance->port = port;
        instance->info = parseTxt(txt);
        instance->foundAt = ++m_counter;
    }
    refresh(id);
}

void Browser::onResolverFailure(const QDBusMessage& message)
{
    QString id;
    Instance* instance = instanceFor(message.path(), &id);
    if (!instance && !m_resolverOwner.contains(message.path()) && keepEarly(message))
        return;
    if (!instance)
        return;
    qCDebug(lcBrowse) << "resolving failed:" << message.arguments().value(0).toString();
    freeResolver(instance->resolver);
    instance->resolver.clear();
    instance->resolved = false;
    // A busy network can drop the answers; a few more tries before giving up.
    // An address of the other family may simply not exist: no retries there.
    const Sighting where = instance->where;
    if (where.addressProtocol == where.protocol && ++instance->attempts < kResolveAttempts) {
        QTimer::singleShot(kResolveRetryMs, this, [this, id, where] {
            auto it = m_entries.find(id);
            if (it == m_entries.end())
                return;
            for (const auto& i : it->instances)
                if (i.where == where && i.resolver.isEmpty())
                    startResolver(id, where);
        });
    }
    refresh(id);
}

void Browser::onItemRemove(const QDBusMessage& message)
{
    if (m_browser.isEmpty() && m_startingBrowser) {
        keepEarly(message);
        return;
    }
    if (message.path() != m_browser || m_browser.isEmpty() || message.signature() != QLatin1String("iisssu"))
        return;
    const auto args = message.arguments();
    const QString id = entryId(args.at(2).toString(), args.at(3).toString(), args.at(4).toString());
    auto it = m_entries.find(id);
    if (it == m_entries.end())
        return;
    const int interface = args.at(0).toInt(), protocol = args.at(1).toInt();
    it->instances.removeIf([&](const Instance& i) {
        if (i.where.interface != interface || i.where.protocol != protocol)
            return false;
        freeResolver(i.resolver);
        return true;
    });
    if (it->instances.isEmpty()) {
        const bool listed = it->listed;
        m_entries.erase(it);
        if (listed)
            emit gameRemoved(id);
        return;
    }
    refresh(id);
}

void Browser::onBrowserFailure(const QDBusMessage& message)
{
    if (message.path() != m_browser || m_browser.isEmpty())
        return;
    m_error = message.arguments().value(0).toString();
    qCWarning(lcBrowse) << "browsing failed:" << m_error;
    setState(State::Failed);
}

void Browser::refresh(const QString& id)
{
    auto it = m_entries.find(id);
    if (it == m_entries.end())
        return;
    Entry& entry = *it;
    const Instance* latest = nullptr;
    QList<QHostAddress> addresses;
    for (const auto& instance : entry.instances) {
        if (!instance.resolved)
            continue;
        if (!latest || instance.foundAt > latest->foundAt)
            latest = &instance;
        if (!instance.address.isNull() && !addresses.contains(instance.address))
            addresses.append(instance.address);
    }
    if (!latest) {
        if (std::exchange(entry.listed, false))
            emit gameRemoved(id);
        return;
    }
    std::stable_sort(addresses.begin(), addresses.end(),
        [](const QHostAddress& a, const QHostAddress& b) { return addressRank(a) < addressRank(b); });
    FoundGame game { id, shown(entry.name, kMaxInstanceNameBytes), latest->hostName, addresses, latest->port,
        latest->info };
    if (!entry.listed) {
        entry.listed = true;
        entry.order = ++m_counter;
        entry.game = game;
        emit gameAdded(game);
    } else if (!(game == entry.game)) {
        entry.game = game;
        emit gameChanged(game);
    }
}

void Browser::freeResolver(const QString& path)
{
    if (path.isEmpty())
        return;
    m_resolverOwner.remove(path);
    m_daemon->send(path, avahi::kServiceResolver, QStringLiteral("Free"));
}

void Browser::daemonStopped()
{
    // The daemon's browser and resolvers died with it; so did what it found.
    // (A reply still on its way is dropped with the daemon's lifetime.)
    m_browser.clear();
    m_startingBrowser = false;
    m_resolverOwner.clear();
    // Paths start again from 1 with a new daemon: what the old one sent early
    // must not reach the new one's objects, nor its replies still to come.
    m_early.clear();
    m_making = 0;
    const auto entries = std::exchange(m_entries, {});
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        if (it->listed)
            emit gameRemoved(it.key());
    setState(State::Unavailable);
}

void Browser::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

} // namespace zeroconf
