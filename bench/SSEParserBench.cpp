// Throughput of the event-stream parser, fed in chunks as the network delivers them, beside the
// physical ceiling: a plain memchr scan for every line feed of the same bytes, measured in the
// same run. "ratio" is the parser's speed over the ceiling's.
//   cmake --build build-release --target bench_sse_parser && build-release/bench/bench_sse_parser
#include "rewrite/SSEParser.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <ctime>

using velto::SSEParser;

namespace {

// A realistic answer: many small word-sized events.
QByteArray manySmallEvents(int count)
{
    QByteArray stream;
    for (int i = 0; i < count; ++i)
        stream += "data: word" + QByteArray::number(i % 97) + " \n\n";
    stream += "data: [DONE]\n\n";
    return stream;
}

// One event carrying a long text in many data lines.
QByteArray oneLargeEvent(int bytes)
{
    QByteArray stream;
    while (stream.size() < bytes)
        stream += "data: The quick brown fox jumps over the lazy dog, again and again.\n";
    stream += "\n";
    return stream;
}

// Finds every line feed of the stream, the least a line-based parser has to do.
qsizetype countLineFeeds(const QByteArray& stream)
{
    qsizetype count = 0;
    const char* p = stream.constData();
    const char* end = p + stream.size();
    while (const void* hit = std::memchr(p, '\n', size_t(end - p))) {
        ++count;
        p = static_cast<const char*>(hit) + 1;
    }
    return count;
}

// CPU time of this thread: the machine may be shared, and both figures must see the same clock.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double memchrBytesPerSecond(const QByteArray& stream)
{
    const double start = cpuSeconds();
    qsizetype rounds = 0;
    while (cpuSeconds() - start < 0.2) {
        benchmark::DoNotOptimize(countLineFeeds(stream));
        ++rounds;
    }
    return double(rounds) * double(stream.size()) / (cpuSeconds() - start);
}

// chunk 0: the whole stream at once; 1: byte by byte.
void run(benchmark::State& state, const QByteArray& stream, qsizetype chunk)
{
    qsizetype events = 0;
    const double start = cpuSeconds();
    for (auto _ : state) {
        SSEParser parser;
        if (chunk == 1) {
            for (const char byte : stream)
                events += parser.append(byte).size();
        } else {
            const qsizetype step = chunk == 0 ? stream.size() : chunk;
            for (qsizetype at = 0; at < stream.size(); at += step)
                events += parser
                              .append(QByteArrayView(stream).sliced(at).first(
                                  std::min(step, stream.size() - at)))
                              .size();
        }
        events += parser.finish().size();
        benchmark::DoNotOptimize(events);
    }
    const double parser =
        double(state.iterations()) * double(stream.size()) / (cpuSeconds() - start);
    const double ceiling = memchrBytesPerSecond(stream);
    state.SetBytesProcessed(int64_t(state.iterations()) * stream.size());
    state.counters["memchr_MB/s"] = ceiling / 1e6;
    state.counters["ratio"] = parser / ceiling;
}

void BM_ManySmallEvents(benchmark::State& state)
{
    run(state, manySmallEvents(10000), state.range(0));
}

void BM_OneLargeEvent(benchmark::State& state)
{
    run(state, oneLargeEvent(int(state.range(1))), state.range(0));
}

} // namespace

// Arguments: chunk size (0: the whole stream, 1: byte by byte), then the event's size.
BENCHMARK(BM_ManySmallEvents)->ArgName("chunk")->Arg(1)->Arg(1500)->Arg(16384)->Arg(0);
BENCHMARK(BM_OneLargeEvent)
    ->ArgNames({"chunk", "bytes"})
    ->Args({1, 900 * 1024})
    ->Args({16384, 64 * 1024})
    ->Args({16384, 900 * 1024})
    ->Args({0, 900 * 1024});

BENCHMARK_MAIN();
