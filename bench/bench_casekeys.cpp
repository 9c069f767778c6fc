// The input method's own work for one key, as tessaly-ibus does it: the
// keysym the layout gives in, the character it stands for, the decision,
// the case drawn, and IBus's text to commit made of it out. Without IBus's
// messages (the key coming in, the text going out) and the table engine's
// look-up for dead keys and Compose, which the end-to-end figure holds
// (scripts/bench-ibus.sh). English letters and spaces, and mixed text
// (accents, Greek, Cyrillic, a letter past the BMP), with every letter
// drawn, alternating and with runs of at most two; and under a Turkish
// locale, whose i takes the long way.
//   bench_casekeys --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
// BM_FirstLetterPastAscii is what the first such letter of an engine's
// life costs once: the tables of the rule made.
#include "inputmethod/CaseKeys.h"

#include <benchmark/benchmark.h>
#include <ibus.h>

#include <string>
#include <vector>

namespace {

// The keysyms of the text's characters, as a layout gives them.
std::vector<guint> keysOf(const std::u32string &text)
{
    std::vector<guint> keys;
    for (const char32_t c : text)
        keys.push_back(ibus_unicode_to_keyval(c));
    return keys;
}

const std::u32string kEnglish = U"the quick brown fox jumps over the lazy dog while every letter waits ";
const std::u32string kMixed = U"Café Straße Σωκράτης Москва İstanbul ılık 𐐨𐑅 Ærøskøbing ça va ";

CaseMode modeOf(int mode)
{
    return mode == 0 ? CaseMode::random() : mode == 1 ? CaseMode::alternate(false) : CaseMode::limitedRuns(2);
}

void BM_KeyToCommit(benchmark::State &state)
{
    const CaseRules rules(state.range(2) ? "tr_TR.UTF-8" : "C");
    const std::vector<guint> keys = keysOf(state.range(1) ? kMixed : kEnglish);
    inputmethod::CaseKeys caseKeys(rules, 42, modeOf(int(state.range(0))));
    // The tables made before the clock starts, as after an engine's first
    // letter past ASCII.
    std::string commit;
    for (const guint keyval : keys) {
        inputmethod::Key key;
        key.character = ibus_keyval_to_unicode(keyval);
        caseKeys.press(key, commit);
    }
    std::size_t next = 0;
    for (auto _ : state) {
        inputmethod::Key key;
        key.character = ibus_keyval_to_unicode(keys[next]);
        next = next + 1 == keys.size() ? 0 : next + 1;
        if (caseKeys.press(key, commit)) {
            IBusText *text = ibus_text_new_from_string(commit.c_str());
            benchmark::DoNotOptimize(text);
            g_object_ref_sink(text);
            g_object_unref(text);
        }
    }
    state.SetItemsProcessed(state.iterations());
}
// mode (random, alternate, max-run=2), text (English, mixed), locale (C, Turkish)
BENCHMARK(BM_KeyToCommit)->ArgNames({"mode", "mixed", "tr"})->ArgsProduct({{0, 1, 2}, {0, 1}, {0}})->Args({0, 0, 1});

void BM_FirstLetterPastAscii(benchmark::State &state)
{
    for (auto _ : state) {
        const CaseRules rules("C");
        inputmethod::CaseKeys caseKeys(rules, 42, CaseMode::random());
        inputmethod::Key key;
        key.character = U'é';
        std::string commit;
        caseKeys.press(key, commit);
        benchmark::DoNotOptimize(commit);
    }
}
BENCHMARK(BM_FirstLetterPastAscii)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
