#include "fakes/http/FakeBackend.h"

#include <QHash>
#include <QUrlQuery>
#include <httplib.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace velto {

namespace {

const QList<QByteArray> pseudoHeaders{"remote_addr", "remote_port", "local_addr", "local_port"};

RecordedRequest record(const httplib::Request& request)
{
    RecordedRequest recorded;
    recorded.method = QByteArray::fromStdString(request.method);
    const QByteArray target =
        QByteArray::fromStdString(request.target.empty() ? request.path : request.target);
    const qsizetype question = target.indexOf('?');
    recorded.path = QUrl::fromPercentEncoding(target.left(question < 0 ? target.size() : question));
    // QUrlQuery leaves "+" as it is, as the clients mean it.
    if (question >= 0)
        recorded.query =
            QUrlQuery(QString::fromUtf8(target.mid(question + 1))).queryItems(QUrl::FullyDecoded);
    for (const auto& [name, value] : request.headers) {
        const QByteArray key = QByteArray::fromStdString(name).toLower();
        if (!pseudoHeaders.contains(key))
            recorded.headers.append({key, QByteArray::fromStdString(value)});
    }
    recorded.body = QByteArray::fromStdString(request.body);
    return recorded;
}

} // namespace

struct FakeBackend::State
{
    httplib::Server server;
    std::thread thread;
    int port = 0;

    mutable std::mutex mutex;
    std::condition_variable stopping;
    bool stopped = false;
    QHash<QString, FakeResponse> standing;
    QHash<QString, std::deque<FakeResponse>> queued;
    QList<RecordedRequest> received;
    int aborted = 0;

    static QString key(const QByteArray& method, const QString& path)
    {
        return QString::fromLatin1(method.toUpper()) + QLatin1Char(' ') + path;
    }

    // Sleeps, but wakes at once when the server stops. False when stopped.
    bool wait(std::chrono::milliseconds duration)
    {
        std::unique_lock lock(mutex);
        return !stopping.wait_for(lock, duration, [this] { return stopped; });
    }

    void handle(const httplib::Request& request, httplib::Response& response)
    {
        RecordedRequest recorded = record(request);
        std::optional<FakeResponse> answer;
        {
            std::lock_guard lock(mutex);
            const QString k = key(recorded.method, recorded.path);
            if (auto it = queued.find(k); it != queued.end() && !it->empty()) {
                answer = std::move(it->front());
                it->pop_front();
            } else if (auto standingIt = standing.constFind(k); standingIt != standing.cend()) {
                answer = *standingIt;
            }
            received.append(recorded);
        }
        if (!answer) {
            answer = FakeResponse::text(404, "no scripted answer for " + recorded.method + ' ' +
                                                 recorded.path.toUtf8());
        }
        if (answer->delay.count() > 0 && !wait(answer->delay))
            return;

        response.status = answer->status;
        for (const auto& [name, value] : answer->headers)
            response.set_header(name.toStdString(), value.toStdString());
        if (answer->chunks.isEmpty()) {
            response.set_content(answer->body.toStdString(), answer->contentType.toStdString());
            return;
        }
        const QList<FakeResponse::Chunk> chunks = answer->chunks;
        response.set_chunked_content_provider(
            answer->contentType.toStdString(), [this, chunks](size_t, httplib::DataSink& sink) {
                const auto clientLeft = [this] {
                    std::lock_guard lock(mutex);
                    ++aborted;
                    return false;
                };
                for (const FakeResponse::Chunk& chunk : chunks) {
                    // Waits in short steps, so a client that drops the stream is seen at once.
                    constexpr auto step = std::chrono::milliseconds(10);
                    for (auto left = chunk.delayBefore; left.count() > 0; left -= step) {
                        if (!sink.is_writable())
                            return clientLeft();
                        if (!wait(std::min(left, step)))
                            return false;
                    }
                    if (!sink.is_writable())
                        return clientLeft();
                    if (!chunk.data.isEmpty() &&
                        !sink.write(chunk.data.constData(), size_t(chunk.data.size())))
                        return clientLeft();
                }
                sink.done();
                return true;
            });
    }
};

FakeBackend::FakeBackend() : m_state(std::make_unique<State>())
{
    State* state = m_state.get();
    auto handler = [state](const httplib::Request& request, httplib::Response& response) {
        state->handle(request, response);
    };
    const char* anyPath = R"(.*)";
    state->server.Get(anyPath, handler);
    state->server.Post(anyPath, handler);
    // One request per connection: stop() then never waits on an idle keep-alive connection.
    state->server.set_keep_alive_max_count(1);
    state->port = state->server.bind_to_any_port("127.0.0.1");
    if (state->port <= 0)
        qFatal("FakeBackend: cannot bind a port on 127.0.0.1");
    state->thread = std::thread([state] { state->server.listen_after_bind(); });
    while (!state->server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

FakeBackend::~FakeBackend()
{
    stop();
}

void FakeBackend::stop()
{
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopped = true;
    }
    m_state->stopping.notify_all();
    m_state->server.stop();
    if (m_state->thread.joinable())
        m_state->thread.join();
}

QUrl FakeBackend::baseURL() const
{
    return url(QStringLiteral("/"));
}

QUrl FakeBackend::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_state->port).arg(path));
}

void FakeBackend::on(const QByteArray& method, const QString& path, FakeResponse response)
{
    std::lock_guard lock(m_state->mutex);
    m_state->standing.insert(State::key(method, path), std::move(response));
}

void FakeBackend::enqueue(const QByteArray& method, const QString& path, FakeResponse response)
{
    std::lock_guard lock(m_state->mutex);
    m_state->queued[State::key(method, path)].push_back(std::move(response));
}

QList<RecordedRequest> FakeBackend::requests() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->received;
}

int FakeBackend::abortedStreams() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->aborted;
}

QList<RecordedRequest> FakeBackend::requests(const QByteArray& method, const QString& path) const
{
    QList<RecordedRequest> matching;
    for (const RecordedRequest& request : requests()) {
        if (request.method == method.toUpper() && request.path == path)
            matching.append(request);
    }
    return matching;
}

} // namespace velto
