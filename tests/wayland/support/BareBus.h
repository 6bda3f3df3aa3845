#pragma once

#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <optional>

namespace velto::test {

// A session bus with nothing on it: a desktop without the portals.
class BareBus
{
public:
    ~BareBus()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("velto-bare-bus"));
        m_daemon.kill();
        m_daemon.waitForFinished(3000);
    }

    std::optional<QDBusConnection> start()
    {
        const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return std::nullopt;
        file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                   "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/"
                   "busconfig.dtd\">\n<busconfig><type>session</type>"
                   "<listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                   "<policy context=\"default\"><allow send_destination=\"*\" "
                   "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                   "</policy></busconfig>\n");
        file.close();
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                        QStringLiteral("--print-address")});
        if (!m_daemon.waitForReadyRead(5000))
            return std::nullopt;
        const QString address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        QDBusConnection bus =
            QDBusConnection::connectToBus(address, QStringLiteral("velto-bare-bus"));
        if (!bus.isConnected())
            return std::nullopt;
        return bus;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
};

} // namespace velto::test
