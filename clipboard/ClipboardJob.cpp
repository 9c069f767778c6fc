#include "ClipboardJob.h"

#include "Device.h"

#include "core/CaseFilter.h"
#include "core/CaseRules.h"

#include <chrono>
#include <utility>

namespace clipboard {

std::string randomized(const std::string &text, std::uint64_t seed, const CaseMode &mode)
{
    CaseFilter filter(CaseRules::user(), seed, mode);
    std::string out;
    out.reserve(text.size() + 8);
    filter.feed(text.data(), text.size(), out);
    filter.finish(out);
    return out;
}

int run(Device &device, const Job &job)
{
    using std::chrono::milliseconds;
    Reading reading = device.read(Job::kMostText, Clock::now() + milliseconds(Job::kOwnerAnswersMs));
    switch (reading.kind) {
    case Reading::Kind::Text:
        break;
    case Reading::Kind::NoText:
        job.complain("the clipboard holds no text");
        return 1;
    case Reading::Kind::TooLarge:
        job.complain("the clipboard holds more than 64 MiB of text");
        return 1;
    case Reading::Kind::Failed:
        job.complain(reading.error);
        return 1;
    }
    if (reading.text.empty()) {
        job.complain("the clipboard holds no text");
        return 1;
    }
    std::string text = randomized(reading.text, job.seed, job.mode);
    reading = Reading();
    std::string error;
    if (!device.set(std::move(text), Clock::now() + milliseconds(Job::kDesktopTakesMs), error)) {
        job.complain(error);
        return 1;
    }
    if (job.set)
        job.set();
    device.serve(Clock::now() + milliseconds(job.serveForMs));
    return 0;
}

} // namespace clipboard
