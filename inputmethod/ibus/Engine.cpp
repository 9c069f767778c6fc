#include "Engine.h"

#include <ibus.h>

#include <string>

namespace {

ibusengine::Shared *shared = nullptr;

} // namespace

struct TessalyEngine {
    IBusEngineSimple parent;
};

struct TessalyEngineClass {
    IBusEngineSimpleClass parent;
};

G_DEFINE_TYPE(TessalyEngine, tessaly_engine, IBUS_TYPE_ENGINE_SIMPLE)

namespace {

constexpr const char *kMenu = "mode";
constexpr const char *kModePrefix = "mode.";

IBusPropList *properties(const CaseMode &current)
{
    IBusPropList *modes = ibus_prop_list_new();
    std::string currentLabel;
    for (const inputmethod::ModeChoice &choice : inputmethod::modeChoices(current)) {
        const bool chosen = choice.mode.word() == current.word();
        if (chosen)
            currentLabel = choice.label;
        const std::string key = kModePrefix + choice.mode.word();
        ibus_prop_list_append(modes,
                              ibus_property_new(key.c_str(), PROP_TYPE_RADIO,
                                                ibus_text_new_from_string(choice.label.c_str()), nullptr, nullptr, TRUE,
                                                TRUE, chosen ? PROP_STATE_CHECKED : PROP_STATE_UNCHECKED, nullptr));
    }
    const std::string label = "Case: " + currentLabel;
    IBusPropList *list = ibus_prop_list_new();
    ibus_prop_list_append(list,
                          ibus_property_new(kMenu, PROP_TYPE_MENU, ibus_text_new_from_string(label.c_str()), nullptr,
                                            ibus_text_new_from_static_string("How letters get their case"), TRUE, TRUE,
                                            PROP_STATE_UNCHECKED, modes));
    return list;
}

void showMenu(IBusEngine *engine)
{
    ibus_engine_register_properties(engine, properties(shared->keys.mode()));
}

gboolean processKeyEvent(IBusEngine *engine, guint keyval, guint keycode, guint modifiers)
{
    IBusEngineClass *parent = IBUS_ENGINE_CLASS(tessaly_engine_parent_class);
    inputmethod::Key key;
    key.character = ibus_keyval_to_unicode(keyval);
    key.release = (modifiers & IBUS_RELEASE_MASK) != 0;
    key.control = (modifiers & IBUS_CONTROL_MASK) != 0;
    key.alt = (modifiers & (IBUS_MOD1_MASK | IBUS_META_MASK)) != 0;
    key.super = (modifiers & (IBUS_MOD4_MASK | IBUS_SUPER_MASK | IBUS_HYPER_MASK)) != 0;
    // (IBus 1.5.27 writes the hints whether asked or not.)
    guint purpose = IBUS_INPUT_PURPOSE_FREE_FORM;
    guint hints = 0;
    ibus_engine_get_content_type(engine, &purpose, &hints);
    key.secret = purpose == IBUS_INPUT_PURPOSE_PASSWORD || purpose == IBUS_INPUT_PURPOSE_PIN;
    std::string text;
    if (!shared->keys.press(key, text))
        return parent->process_key_event(engine, keyval, keycode, modifiers);
    // Dead keys and Compose are the parent's: it is handed the letter in
    // its drawn case, so that what it composes (dead acute then e) takes
    // that case too. A key it does not take is ours to commit.
    const char32_t drawn = inputmethod::onlyCharacter(text);
    const guint given = drawn && drawn != key.character ? ibus_unicode_to_keyval(drawn) : keyval;
    if (parent->process_key_event(engine, given, keycode, modifiers))
        return TRUE;
    ibus_engine_commit_text(engine, ibus_text_new_from_string(text.c_str()));
    return TRUE;
}

void focusIn(IBusEngine *engine)
{
    IBUS_ENGINE_CLASS(tessaly_engine_parent_class)->focus_in(engine);
    showMenu(engine);
}

void enable(IBusEngine *engine)
{
    IBUS_ENGINE_CLASS(tessaly_engine_parent_class)->enable(engine);
    showMenu(engine);
}

void propertyActivate(IBusEngine *engine, const gchar *name, guint state)
{
    const std::string key = name ? name : "";
    CaseMode mode;
    if (state != PROP_STATE_CHECKED || key.compare(0, std::string(kModePrefix).size(), kModePrefix) != 0
        || !CaseMode::fromWord(key.substr(std::string(kModePrefix).size()), mode)) {
        IBUS_ENGINE_CLASS(tessaly_engine_parent_class)->property_activate(engine, name, state);
        return;
    }
    shared->settings.choose(mode);
    shared->keys.setMode(mode, shared->seed ? *shared->seed : entropySeed());
    showMenu(engine);
}

// The user's Compose rules, as IBus's own layout engines take them: the
// locale's table, ~/.XCompose and $XCOMPOSEFILE; read once the first
// engine is made, so that no key waits for the files. IBus keeps the
// tables for the whole process.
gboolean addComposeTables(gpointer data)
{
    auto *simple = IBUS_ENGINE_SIMPLE(data);
    if (IBUS_OBJECT_DESTROYED(simple)) {
        g_object_unref(simple);
        return G_SOURCE_REMOVE;
    }
    ibus_engine_simple_add_table_by_locale(simple, nullptr);
    const std::string home = g_get_home_dir();
    for (const std::string &file :
         {home + "/.XCompose", std::string(g_getenv("XCOMPOSEFILE") ? g_getenv("XCOMPOSEFILE") : "")}) {
        if (!file.empty() && g_file_test(file.c_str(), G_FILE_TEST_EXISTS))
            ibus_engine_simple_add_compose_file(simple, file.c_str());
    }
    g_object_unref(simple);
    return G_SOURCE_REMOVE;
}

} // namespace

static void tessaly_engine_class_init(TessalyEngineClass *klass)
{
    IBusEngineClass *engine = IBUS_ENGINE_CLASS(klass);
    engine->process_key_event = processKeyEvent;
    engine->focus_in = focusIn;
    engine->enable = enable;
    engine->property_activate = propertyActivate;
}

static void tessaly_engine_init(TessalyEngine *engine)
{
    static bool composeTablesAsked = false;
    if (!composeTablesAsked)
        g_idle_add(addComposeTables, g_object_ref(engine));
    composeTablesAsked = true;
}

namespace ibusengine {

GType engineType(Shared &state)
{
    shared = &state;
    return tessaly_engine_get_type();
}

} // namespace ibusengine
