// The command-line filter's own cost, without reading or writing: 64 MiB of
// English ASCII text and 64 MiB of mixed text converted in 64 KiB pieces, as
// the program reads them, with every letter drawn (-r), alternating
// (--alternate) and with runs of at most two (--max-run 2). Compare them
// within one run, with repetitions interleaved:
//   bench_filter --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
// scripts/bench-filter.sh times the whole program from a file and through
// pipes.
#include "core/CaseFilter.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>

namespace {

constexpr std::size_t kSize = 64u << 20;
constexpr std::size_t kPiece = 1u << 16;

std::string text(bool mixed)
{
    const char *const english[] = {"the ", "quick ", "brown ", "fox ", "jumps ", "over ", "lazy ", "dog ",
                                   "while ", "every ", "letter ", "waits. ", "Then\n"};
    const char *const others[] = {
        "Caf\xC3\xA9 ", "Stra\xC3\x9F" "e ", "\xCE\xA3\xCF\x89\xCE\xBA\xCF\x81\xCE\xAC\xCF\x84\xCE\xB7\xCF\x82 ",
        "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0 ", "\xC4\xB0stanbul \xC4\xB1l\xC4\xB1k ",
        "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D ", "e\xCC\x81te\xCC\x81 ", "\xF0\x9F\x98\x80 ",
        "\xF0\x90\x90\xA8\xF0\x90\x91\x85 ", "\xFF", "\xC3(", "\xE0\x80\x80 ", "\xED\xA0\x80 ",
    };
    std::mt19937 pick(2003);
    std::string result;
    result.reserve(kSize + 64);
    while (result.size() < kSize) {
        if (mixed && pick() % 2 == 0)
            result += others[pick() % std::size(others)];
        else
            result += english[pick() % std::size(english)];
    }
    result.resize(kSize);
    return result;
}

void filter(benchmark::State &state, bool mixed, const CaseMode &mode)
{
    const std::string input = text(mixed);
    const CaseRules rules;
    std::unique_ptr<char[]> out(new char[CaseFilter::room(kPiece)]);
    for (auto _ : state) {
        CaseFilter filter(rules, 1, mode);
        for (std::size_t at = 0; at < input.size(); at += kPiece) {
            benchmark::DoNotOptimize(filter.feed(input.data() + at, kPiece, out.get()));
            benchmark::ClobberMemory();
        }
        benchmark::DoNotOptimize(filter.finish(out.get()));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(input.size()));
}

void BM_FilterEnglishAscii(benchmark::State &state)
{
    filter(state, false, CaseMode::random());
}
BENCHMARK(BM_FilterEnglishAscii)->Unit(benchmark::kMillisecond);

void BM_FilterEnglishAsciiAlternate(benchmark::State &state)
{
    filter(state, false, CaseMode::alternate(false));
}
BENCHMARK(BM_FilterEnglishAsciiAlternate)->Unit(benchmark::kMillisecond);

void BM_FilterEnglishAsciiMaxRun2(benchmark::State &state)
{
    filter(state, false, CaseMode::limitedRuns(2));
}
BENCHMARK(BM_FilterEnglishAsciiMaxRun2)->Unit(benchmark::kMillisecond);

void BM_FilterMixedText(benchmark::State &state)
{
    filter(state, true, CaseMode::random());
}
BENCHMARK(BM_FilterMixedText)->Unit(benchmark::kMillisecond);

void BM_FilterMixedTextAlternate(benchmark::State &state)
{
    filter(state, true, CaseMode::alternate(false));
}
BENCHMARK(BM_FilterMixedTextAlternate)->Unit(benchmark::kMillisecond);

void BM_FilterMixedTextMaxRun2(benchmark::State &state)
{
    filter(state, true, CaseMode::limitedRuns(2));
}
BENCHMARK(BM_FilterMixedTextMaxRun2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
