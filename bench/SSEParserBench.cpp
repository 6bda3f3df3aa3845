// Throughput of the event-stream parser, fed byte by byte as the stream arrives.
//   cmake --build build --target bench_sse_parser && build/bench/bench_sse_parser
#include "rewrite/SSEParser.h"

#include <benchmark/benchmark.h>

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

void run(benchmark::State& state, const QByteArray& stream)
{
    qsizetype events = 0;
    for (auto _ : state) {
        SSEParser parser;
        for (const char byte : stream)
            events += parser.append(byte).size();
        events += parser.finish().size();
        benchmark::DoNotOptimize(events);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * stream.size());
}

void BM_ManySmallEvents(benchmark::State& state)
{
    run(state, manySmallEvents(int(state.range(0))));
}

void BM_OneLargeEvent(benchmark::State& state)
{
    run(state, oneLargeEvent(int(state.range(0))));
}

} // namespace

BENCHMARK(BM_ManySmallEvents)->Arg(1000)->Arg(10000);
BENCHMARK(BM_OneLargeEvent)->Arg(64 * 1024)->Arg(900 * 1024);

BENCHMARK_MAIN();
