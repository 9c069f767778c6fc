#pragma once

#include "inputmethod/CaseKeys.h"
#include "inputmethod/Settings.h"

#include <glib-object.h>

#include <cstdint>
#include <optional>

namespace ibusengine {

// What every engine of the process shares: one stream of cases, whichever
// field is typed into, and the mode the menu sets for all of them.
struct Shared {
    inputmethod::Settings &settings;
    inputmethod::CaseKeys &keys;
    // The seed every stream starts from (TESSALY_IBUS_SEED, for tests);
    // otherwise each mode chosen draws a new one.
    std::optional<std::uint64_t> seed;
};

// The engine's GObject type, a table-based engine of IBus (IBusEngineSimple:
// dead keys and Compose) whose letters take drawn cases; its engines use
// `shared`, which outlives them.
GType engineType(Shared &shared);

} // namespace ibusengine
