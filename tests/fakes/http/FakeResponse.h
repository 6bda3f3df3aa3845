#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QPair>
#include <chrono>

namespace velto {

// One scripted answer of the fake backend.
struct FakeResponse
{
    struct Chunk
    {
        QByteArray data;
        std::chrono::milliseconds delayBefore{0};
    };

    int status = 200;
    QByteArray contentType = "application/json";
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // Wait before the status line is sent (time-out tests).
    std::chrono::milliseconds delay{0};
    // When not empty the body is sent in these pieces with chunked transfer encoding, each
    // after its own delay (streaming tests); body is then ignored. Text types other than
    // text/event-stream, and JSON, are compressed when the client accepts it, and compression
    // holds the pieces back until the end: use text/event-stream or a binary type for timing.
    QList<Chunk> chunks;

    static FakeResponse json(int status, QByteArray body)
    {
        FakeResponse response;
        response.status = status;
        response.body = std::move(body);
        return response;
    }
    static FakeResponse text(int status, QByteArray body, QByteArray contentType = "text/plain")
    {
        FakeResponse response = json(status, std::move(body));
        response.contentType = std::move(contentType);
        return response;
    }
    static FakeResponse stream(QList<Chunk> chunks, QByteArray contentType = "text/event-stream")
    {
        FakeResponse response;
        response.chunks = std::move(chunks);
        response.contentType = std::move(contentType);
        return response;
    }

    FakeResponse& withHeader(QByteArray name, QByteArray value)
    {
        headers.append({std::move(name), std::move(value)});
        return *this;
    }
    FakeResponse& withDelay(std::chrono::milliseconds wait)
    {
        delay = wait;
        return *this;
    }
};

} // namespace velto

// Usable as a column of data-driven tests.
Q_DECLARE_METATYPE(velto::FakeResponse)
