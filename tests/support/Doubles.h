#pragma once

#include "platform/Host.h"

#include <functional>
#include <vector>

namespace testing {

// An event loop that counts its yields and can run a scripted action at
// each one, in place of (or before) a real pass over the events.
class RecordingEventLoop final : public platform::EventLoop {
public:
    void yield() override;

    int yields = 0;
    bool processRealEvents = false;
    std::function<void(int yieldNumber)> onYield;
};

// A clock that stands still unless the test moves it.
class FakeClock final : public platform::Clock {
public:
    float secondsSinceMidnight() const override { return seconds; }
    float seconds = 0.0f;
};

// A generator that plays back a list of values, then repeats the last one,
// and records the seeds it is given.
class ScriptedRandom final : public platform::Random {
public:
    float next() override;
    void reseed(float seed) override { seeds.push_back(seed); }

    std::vector<float> values;
    std::size_t nextIndex = 0;
    std::vector<float> seeds;
};

// Records the end of the program instead of quitting the test.
class RecordingProgramEnd final : public platform::ProgramEnd {
public:
    void end() override { ++ends; }
    bool hasEnded() const override { return ends > 0; }
    int ends = 0;
};

// A host built from the doubles above.
struct TestHost {
    RecordingEventLoop eventLoop;
    FakeClock clock;
    ScriptedRandom random;
    RecordingProgramEnd programEnd;
    platform::Host host{eventLoop, clock, random, programEnd};
};

} // namespace testing
