// tessaly-ibus --ibus: the input method's engine, which ibus-daemon starts
// when Tessaly is chosen as an input source (the component file names it).
#include "Engine.h"

#include "inputmethod/CaseKeys.h"
#include "inputmethod/Settings.h"

#include <ibus.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// The component's name in the component file: IBus hands the engine's
// work to whoever owns it.
constexpr const char *kComponent = "org.morvane.Tessaly.InputMethod";
// A fixed seed for the cases, for tests that compare what was typed.
constexpr const char *kSeedVariable = "TESSALY_IBUS_SEED";

void complain(const std::string &message)
{
    std::fprintf(stderr, "tessaly-ibus: %s\n", message.c_str());
    std::fflush(stderr);
}

bool parseSeed(const char *text, std::uint64_t &seed)
{
    if (!text || *text < '0' || *text > '9')
        return false;
    char *end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno || *end)
        return false;
    seed = value;
    return true;
}

void quit(IBusBus *, gpointer)
{
    ibus_quit();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2 || std::strcmp(argv[1], "--ibus") != 0) {
        complain("the engine is started by ibus-daemon, as 'tessaly-ibus --ibus'; choose it with 'ibus engine "
                 "tessaly' or the desktop's input sources");
        return 2;
    }
    std::setlocale(LC_ALL, "");
    ibus_init();
#if defined(__SANITIZE_ADDRESS__)
    // libibus 1.5.32 (Debian 13) drops, without unreferencing it, the GBytes
    // of its compose table's lookup in its resources when the table engine's
    // class is first made: 40 bytes, once, whose stack ends in g_malloc (GLib
    // has no frame pointers), so no suppression could name it short of all
    // of GLib. The class is made here with the leak check looking away;
    // nothing of ours runs in it, and our engine's class and every engine are
    // made later, in view.
    {
        const __lsan::ScopedDisabler lookingAway;
        g_type_class_unref(g_type_class_ref(IBUS_TYPE_ENGINE_SIMPLE));
    }
#endif
    IBusBus *bus = ibus_bus_new();
    if (!ibus_bus_is_connected(bus)) {
        complain("no IBus daemon answers");
        return 1;
    }
    // The daemon gone (ended, or restarted): so are we; the next one starts
    // its own engine.
    g_signal_connect(bus, "disconnected", G_CALLBACK(quit), nullptr);

    inputmethod::Settings settings(inputmethod::Settings::defaultPath(), complain);
    std::optional<std::uint64_t> fixedSeed;
    if (const char *given = std::getenv(kSeedVariable)) {
        std::uint64_t seed = 0;
        if (!parseSeed(given, seed)) {
            complain(std::string(kSeedVariable) + " is not a seed: " + given);
            return 1;
        }
        fixedSeed = seed;
    }
    inputmethod::CaseKeys keys(CaseRules::user(), fixedSeed ? *fixedSeed : entropySeed(), settings.mode());
    ibusengine::Shared shared{settings, keys, fixedSeed};

    IBusFactory *factory = ibus_factory_new(ibus_bus_get_connection(bus));
    ibus_factory_add_engine(factory, "tessaly", ibusengine::engineType(shared));
    const guint reply = ibus_bus_request_name(bus, kComponent, IBUS_BUS_NAME_FLAG_DO_NOT_QUEUE);
    if (reply != IBUS_BUS_REQUEST_NAME_REPLY_PRIMARY_OWNER) {
        complain(reply == IBUS_BUS_REQUEST_NAME_REPLY_EXISTS ? "another engine is running already"
                                                             : "IBus did not give the engine its name");
        return 1;
    }
    ibus_main();
    return 0;
}
