#pragma once

#include <QString>
#include <functional>

namespace velto {

// One running app per user: a later launch hands a message ("activate", "trigger") to the
// running one and ends.
class SingleInstance
{
public:
    using MessageHandler = std::function<void(const QString& message)>;
    static inline const QString activateMessage = QStringLiteral("activate");
    static inline const QString triggerMessage = QStringLiteral("trigger");
    static inline const QString quitMessage = QStringLiteral("quit");

    virtual ~SingleInstance() = default;
    // True when no other instance runs; this process then receives the messages of later ones.
    virtual bool claim(MessageHandler handler) = 0;
    // Delivers the message to the running instance; false when none answers.
    virtual bool sendToRunningInstance(const QString& message) = 0;
};

} // namespace velto
