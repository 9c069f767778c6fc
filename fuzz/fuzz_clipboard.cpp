// The clipboard's text path: whatever bytes a clipboard holds go through
// "tessaly --clipboard"'s job (read, randomize, set) on a desktop of our
// own. What is set must be the text unit for unit (a code point, or a byte
// that is not part of one), each unit itself or its other case by the
// program's rule; a cut into pieces, as a transfer in pieces brings it,
// changes nothing. Input: a byte for the mode, eight for the seed, the
// clipboard's bytes.
#include "clipboard/ClipboardJob.h"
#include "clipboard/Device.h"
#include "core/CaseFilter.h"
#include "core/CaseRules.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void expect(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "expectation failed: %s\n", what);
        std::abort();
    }
}

class Desktop final : public clipboard::Device {
public:
    std::string held;
    std::string set_;
    bool wasSet = false;

    clipboard::Reading read(std::size_t limit, clipboard::Clock::time_point) override
    {
        clipboard::Reading reading;
        reading.kind = held.size() > limit ? clipboard::Reading::Kind::TooLarge : clipboard::Reading::Kind::Text;
        if (held.size() <= limit)
            reading.text = held;
        return reading;
    }
    bool set(std::string text, clipboard::Clock::time_point, std::string &) override
    {
        set_ = std::move(text);
        wasSet = true;
        return true;
    }
    clipboard::Served serve(clipboard::Clock::time_point) override { return clipboard::Served::Taken; }
};

// The units of a text, strictly: a well-formed UTF-8 sequence is a code
// point, any other byte stands alone (marked past U+10FFFF by its value).
std::vector<char32_t> units(const std::string &text)
{
    std::vector<char32_t> out;
    const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size;) {
        const unsigned char lead = bytes[i];
        int length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                   : lead >= 0xF0 && lead <= 0xF4                      ? 4 : 0;
        char32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool whole = length > 0 && i + std::size_t(length) <= size;
        for (int k = 1; whole && k < length; ++k) {
            whole = (bytes[i + k] & 0xC0) == 0x80;
            code = (code << 6) | (bytes[i + k] & 0x3F);
        }
        const char32_t least = length == 3 ? 0x800 : length == 4 ? 0x10000 : 0;
        whole = whole && code >= least && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        if (!whole) {
            out.push_back(0x110000 + lead);
            ++i;
            continue;
        }
        out.push_back(code);
        i += std::size_t(length);
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 9)
        return 0;
    const CaseMode modes[] = {CaseMode::random(), CaseMode::alternate(false), CaseMode::alternate(true),
                              CaseMode::limitedRuns(1), CaseMode::limitedRuns(3)};
    clipboard::Job job;
    job.mode = modes[data[0] % 5];
    std::memcpy(&job.seed, data + 1, 8);
    Desktop desktop;
    desktop.held.assign(reinterpret_cast<const char *>(data + 9), size - 9);
    bool said = false;
    job.set = [&said] { said = true; };
    job.complain = [](const std::string &) {};
    const int status = clipboard::run(desktop, job);

    expect((status == 0) == !desktop.held.empty(), "status 0 exactly when there is text");
    expect(said == desktop.wasSet && said == (status == 0), "set said exactly when set");
    if (status != 0)
        return 0;
    const std::vector<char32_t> before = units(desktop.held);
    const std::vector<char32_t> after = units(desktop.set_);
    expect(before.size() == after.size(), "as many units out as in");
    const CaseRules &rules = CaseRules::user();
    for (std::size_t i = 0; i < before.size(); ++i) {
        const char32_t was = before[i], now = after[i];
        expect(now == was || (was < 0x110000 && (now == rules.toCase(was, true) || now == rules.toCase(was, false))),
               "every unit itself or its other case");
    }
    // The same text in pieces (a piece size from the seed) gives the same.
    CaseFilter filter(rules, job.seed, job.mode);
    std::string pieced;
    const std::size_t piece = 1 + (job.seed >> 56) % 97;
    for (std::size_t at = 0; at < desktop.held.size(); at += piece)
        filter.feed(desktop.held.data() + at, std::min(piece, desktop.held.size() - at), pieced);
    filter.finish(pieced);
    expect(pieced == desktop.set_, "pieces change nothing");
    return 0;
}
