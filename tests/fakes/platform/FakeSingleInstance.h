#pragma once

#include "platform/SingleInstance.h"

#include <QStringList>

namespace velto::fakes {

class FakeSingleInstance : public SingleInstance
{
public:
    bool anotherInstanceRuns = false;
    QStringList sentMessages;
    MessageHandler handler;

    bool claim(MessageHandler messageHandler) override
    {
        if (anotherInstanceRuns)
            return false;
        handler = std::move(messageHandler);
        return true;
    }
    bool sendToRunningInstance(const QString& message) override
    {
        sentMessages.append(message);
        return anotherInstanceRuns;
    }
    // A later launch sending a message to this one.
    void receive(const QString& message)
    {
        if (handler)
            handler(message);
    }
};

} // namespace velto::fakes
