#pragma once

#include "platform/SingleInstance.h"

#include <QObject>
#include <memory>

class QLocalServer;
class QLockFile;

namespace velto {

// One instance per user: a lock file and a local socket in a private folder of
// $XDG_RUNTIME_DIR. Later launches send one line to the socket and wait for "ok".
class LocalSocketSingleInstance : public QObject, public SingleInstance
{
    Q_OBJECT

public:
    static constexpr int maxMessageLength = 64;

    // Empty: $XDG_RUNTIME_DIR/velto (or a private folder under the temporary directory).
    explicit LocalSocketSingleInstance(QString directory = {}, QObject* parent = nullptr);
    ~LocalSocketSingleInstance() override;

    bool claim(MessageHandler handler) override;
    bool sendToRunningInstance(const QString& message) override;

    QString socketPath() const;

private:
    void acceptConnections();

    QString m_directory;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    MessageHandler m_handler;
};

} // namespace velto
