#include "InstanceGuard.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QWidget>

#include <cstdio>

namespace
{
constexpr char kActivate[] = "activate\n";
}

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
            probe.write(kActivate);
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
            if (peer->bytesAvailable() > 64) {
                peer->abort();
                return;
            }
            if (!peer->canReadLine())
                return;
            const QByteArray line = peer->readLine();
            if (line == kActivate && onActivate)
                onActivate();
            peer->disconnectFromServer();
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
