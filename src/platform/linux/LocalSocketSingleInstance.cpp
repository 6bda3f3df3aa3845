#include "platform/linux/LocalSocketSingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace velto {

namespace {

QString defaultDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime + QStringLiteral("/velto");
    return QDir::tempPath() + QStringLiteral("/velto-%1").arg(::getuid());
}

// Creates `path` as a folder only this user can enter, or accepts it when it already is one:
// a real folder (not a link), ours, with no access for others. Under a shared /tmp anyone may
// have made it first to listen in on our socket or to point it elsewhere.
bool ensurePrivateDirectory(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st
    {
    };
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    return (st.st_mode & 0077) == 0 || ::chmod(native.constData(), 0700) == 0;
}

} // namespace

LocalSocketSingleInstance::LocalSocketSingleInstance(QString directory, QObject* parent)
    : QObject(parent), m_directory(directory.isEmpty() ? defaultDirectory() : std::move(directory))
{
}

LocalSocketSingleInstance::~LocalSocketSingleInstance() = default;

QString LocalSocketSingleInstance::socketPath() const
{
    return m_directory + QStringLiteral("/app.velto.Velto.socket");
}

bool LocalSocketSingleInstance::claim(MessageHandler handler)
{
    QDir().mkpath(QFileInfo(m_directory).path());
    if (!ensurePrivateDirectory(m_directory)) {
        // Someone else's folder: run, without the single-instance socket, rather than use it.
        qWarning("velto: %s is not a private folder of this user; running without the "
                 "single-instance socket",
                 qPrintable(m_directory));
        m_handler = std::move(handler);
        return true;
    }
    // The lock decides who runs, even when two launches race; a dead holder's lock is stale.
    auto lock = std::make_unique<QLockFile>(m_directory + QStringLiteral("/app.velto.Velto.lock"));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    m_lock = std::move(lock);

    QLocalServer::removeServer(socketPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketPath())) {
        // Still the only instance; later launches just cannot reach it.
        qWarning("velto: single-instance socket unavailable: %s",
                 qPrintable(m_server->errorString()));
    }
    m_handler = std::move(handler);
    connect(m_server, &QLocalServer::newConnection, this,
            &LocalSocketSingleInstance::acceptConnections);
    return true;
}

void LocalSocketSingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > maxMessageLength)
                    socket->abort(); // not one of our messages
                return;
            }
            const QString message =
                QString::fromUtf8(socket->readLine(maxMessageLength + 1)).trimmed();
            socket->write("ok\n");
            socket->flush();
            socket->disconnectFromServer();
            if (m_handler &&
                (message == activateMessage || message == triggerMessage || message == quitMessage))
                m_handler(message);
        });
    }
}

bool LocalSocketSingleInstance::sendToRunningInstance(const QString& message)
{
    // The running instance may still be starting up: keep trying for a moment.
    const QDeadlineTimer deadline(3000);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(int(deadline.remainingTime()))) {
            socket.write(message.toUtf8() + '\n');
            if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
                return false;
            while (!socket.canReadLine()) {
                if (!socket.waitForReadyRead(int(deadline.remainingTime())))
                    return false;
            }
            return socket.readLine().trimmed() == "ok";
        }
        QThread::msleep(50);
    }
    return false;
}

} // namespace velto
