#pragma once
// A message bus of the test's own (a dbus-daemon on a socket in a temporary
// folder), so that tests never see, or disturb, the machine's buses.

#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

class PrivateBus
{
public:
    PrivateBus()
    {
        const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
        if (daemon.isEmpty() || !m_dir.isValid())
            return;
        QFile config(m_dir.filePath("bus.conf"));
        if (!config.open(QIODevice::WriteOnly))
            return;
        config.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
                     " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                     "<busconfig><type>session</type><listen>unix:dir="
            + m_dir.path().toUtf8()
            + "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/>"
              "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>\n");
        config.close();
        m_process.start(daemon, { "--nofork", "--nopidfile", "--print-address", "--config-file=" + config.fileName() });
        if (m_process.waitForReadyRead(10000))
            m_address = QString::fromUtf8(m_process.readLine().trimmed());
    }
    ~PrivateBus()
    {
        for (const auto& name : std::as_const(m_connections))
            QDBusConnection::disconnectFromBus(name);
        m_process.terminate();
        m_process.waitForFinished();
    }
    // Empty when no dbus-daemon could be started.
    QString address() const { return m_address; }
    // A connection of its own under a name unique to this bus.
    QDBusConnection connect(const QString& name)
    {
        m_connections.append(name);
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_address;
    QStringList m_connections;
};
