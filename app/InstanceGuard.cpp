#include "InstanceGuard.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QWidget>

#include <cstdio>

namespace
{
// One request a connection, one line: "activate", or "open " and a link.
constexpr char kActivate[] = "activate\n";
constexpr char kOpen[] = "open ";
// Longer than any link the Join dialog takes; anything longer is not ours.
constexpr qint64 kMaxRequest = 1024;

QByteArray request(const QString& link)
{
    if (link.isEmpty())
        return kActivate;
    QByteArray line = kOpen + link.toUtf8();
    // The link is one line, whatever the command line held.
    line.replace('\n', ' ').replace('\r', ' ');
    return line.left(kMaxRequest - 1) + '\n';
}
} // namespace

InstanceGuard::InstanceGuard(const QString& name, QObject* parent)
    : QObject(parent)
    , m_name(name)
{
    // A bare name would land in the shared temporary directory; the guard is per user.
    if (!m_name.isEmpty() && !m_name.contains('/')) {
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (!runtime.isEmpty())
            m_name = runtime + '/' + m_name;
    }
}

InstanceGuard::~InstanceGuard() = default;

bool InstanceGuard::listening() const { return m_server && m_server->isListening(); }

bool InstanceGuard::anotherInstanceRunning(int waitMs)
{
    if (m_name.isEmpty())
        return false;
    {
        QLocalSocket probe;
        probe.connectToServer(m_name);
        if (probe.waitForConnected(waitMs)) {
            probe.write(request(m_handOver));
            probe.waitForBytesWritten(waitMs);
            probe.disconnectFromServer();
            return true;
        }
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // Nobody answered, so the socket file is left over from a copy that crashed.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name)) {
            std::fprintf(stderr, "zirky: single-instance guard unavailable: %s\n",
                m_server->errorString().toLocal8Bit().constData());
            return false;
        }
    }
    connect(m_server, &QLocalServer::newConnection, this, &InstanceGuard::acceptActivation);
    return false;
}

void InstanceGuard::acceptActivation()
{
    while (QLocalSocket* peer = m_server->nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
            // Only a whole request counts; anything else on the socket is ignored.
            const QByteArray start = peer->peek(int(sizeof kActivate) - 1);
            const auto begins = [&start](const char* request) {
                return QByteArray(request).startsWith(start.left(int(qstrlen(request))));
            };
            if ((!begins(kActivate) && !begins(kOpen)) || (!peer->canReadLine() && peer->bytesAvailable() > kMaxRequest)) {
                peer->abort();
                return;
            }
            if (!peer->canReadLine())
                return;
            const QByteArray line = peer->readLine(kMaxRequest + 1);
            peer->disconnectFromServer();
            const bool open = line.startsWith(kOpen) && line.endsWith('\n');
            if (line != kActivate && !open)
                return;
            if (onActivate)
                onActivate();
            if (open && onOpenLink)
                onOpenLink(QString::fromUtf8(line.mid(int(sizeof kOpen) - 1).chopped(1)));
        });
    }
}

void restoreAndRaise(QWidget* window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}
