#pragma once

#include "fakes/http/FakeResponse.h"
#include "fakes/http/RecordedRequest.h"

#include <QString>
#include <QUrl>
#include <memory>

namespace velto {

// An HTTP server on 127.0.0.1 (a free port) running on its own threads, for client tests.
// Each test scripts answers per method and path and reads back what was received. A request
// with no scripted answer gets 404 and is still recorded.
class FakeBackend
{
public:
    FakeBackend();
    ~FakeBackend();
    FakeBackend(const FakeBackend&) = delete;
    FakeBackend& operator=(const FakeBackend&) = delete;

    // "http://127.0.0.1:<port>/"
    QUrl baseURL() const;
    // baseURL() with path, e.g. url("/api/") for a base URL with a path.
    QUrl url(const QString& path) const;

    // The answer to every request for method and path (path without query), from now on.
    void on(const QByteArray& method, const QString& path, FakeResponse response);
    // A one-time answer; queued answers are used in order before the standing one.
    void enqueue(const QByteArray& method, const QString& path, FakeResponse response);

    QList<RecordedRequest> requests() const;
    // Streamed answers (chunks) whose client went away before the last chunk was sent.
    int abortedStreams() const;
    QList<RecordedRequest> requests(const QByteArray& method, const QString& path) const;

    // Closes the port; later connections are refused. Also done by the destructor.
    void stop();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace velto
