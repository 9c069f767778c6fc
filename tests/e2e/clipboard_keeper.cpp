// A clipboard manager for tests/e2e/run-clipboard.sh, as small as the
// handshake allows: it owns CLIPBOARD_MANAGER; asked to SAVE_TARGETS, it
// reads the clipboard's UTF-8 text from its owner and answers; once the
// owner has gone (and only then: the owner must end on the answer alone),
// it takes the clipboard itself and from then on serves that text. Each step is told on
// standard output, one line each. It ends after a minute, or when killed.
// With --silent it is an owner of the clipboard that never answers; with
// --owned SELECTION it only says, by its status, whether SELECTION has an
// owner, and prints the owner's window.
//
//   clipboard_keeper [--silent | --owned SELECTION]
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>

namespace {

xcb_connection_t *g_connection = nullptr;

xcb_atom_t atom(const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        g_connection, xcb_intern_atom(g_connection, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

void say(const char *line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// The next event, or nullptr once the deadline has passed.
xcb_generic_event_t *nextEvent(std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        if (xcb_generic_event_t *event = xcb_poll_for_event(g_connection))
            return event;
        if (xcb_connection_has_error(g_connection))
            return nullptr;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return nullptr;
        pollfd descriptor{xcb_get_file_descriptor(g_connection), POLLIN, 0};
        ::poll(&descriptor, 1, int(left.count()));
    }
}

void answer(const xcb_selection_request_event_t &request, xcb_atom_t property)
{
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = property;
    xcb_send_event(g_connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char *>(&notify));
    xcb_flush(g_connection);
}

} // namespace

int main(int argc, char **argv)
{
    g_connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(g_connection)) {
        std::fprintf(stderr, "clipboard_keeper: no display\n");
        return 1;
    }
    if (argc > 2 && std::strcmp(argv[1], "--owned") == 0) {
        xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
            g_connection, xcb_get_selection_owner(g_connection, atom(argv[2])), nullptr);
        const bool owned = owner && owner->owner != XCB_NONE;
        if (owned)
            std::printf("0x%x\n", owner->owner);
        std::free(owner);
        return owned ? 0 : 1;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(g_connection)).data;
    const xcb_window_t window = xcb_generate_id(g_connection);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(g_connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, XCB_CW_EVENT_MASK, &events);
    const xcb_atom_t manager = atom("CLIPBOARD_MANAGER"), saveTargets = atom("SAVE_TARGETS"),
                     clipboard = atom("CLIPBOARD"), targets = atom("TARGETS"), utf8 = atom("UTF8_STRING"),
                     kept = atom("KEEPER_TEXT");
    const bool silent = argc > 1 && std::strcmp(argv[1], "--silent") == 0;
    xcb_set_selection_owner(g_connection, window, silent ? clipboard : manager, XCB_CURRENT_TIME);
    xcb_flush(g_connection);
    say("ready");

    std::string text;
    bool saved = false, holding = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < deadline) {
        xcb_generic_event_t *event = nextEvent(std::chrono::steady_clock::now() + std::chrono::milliseconds(50));
        if (!event) {
            if (xcb_connection_has_error(g_connection))
                break;
            if (saved && !holding) {
                xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
                    g_connection, xcb_get_selection_owner(g_connection, clipboard), nullptr);
                if (owner && owner->owner == XCB_NONE) {
                    xcb_set_selection_owner(g_connection, window, clipboard, XCB_CURRENT_TIME);
                    xcb_flush(g_connection);
                    holding = true;
                    say("holding");
                }
                std::free(owner);
            }
            continue;
        }
        if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST && !silent) {
            const auto request = *reinterpret_cast<xcb_selection_request_event_t *>(event);
            xcb_atom_t property = XCB_ATOM_NONE;
            if (request.selection == manager && request.target == saveTargets && !saved) {
                say("asked to save");
                // The owner serves its clipboard while it waits for our answer.
                xcb_convert_selection(g_connection, window, clipboard, utf8, kept, request.time);
                xcb_flush(g_connection);
                const auto wait = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                while (xcb_generic_event_t *reply = nextEvent(wait)) {
                    const bool done = (reply->response_type & 0x7f) == XCB_SELECTION_NOTIFY;
                    std::free(reply);
                    if (done)
                        break;
                }
                xcb_get_property_reply_t *value = xcb_get_property_reply(
                    g_connection, xcb_get_property(g_connection, 1, window, kept, utf8, 0, 1 << 24), nullptr);
                if (value && value->format == 8 && value->type == utf8) {
                    text.assign(static_cast<const char *>(xcb_get_property_value(value)),
                                std::size_t(xcb_get_property_value_length(value)));
                    saved = true;
                    property = request.property;
                    say("saved");
                }
                std::free(value);
            } else if (request.selection == clipboard && holding && request.target == targets) {
                const xcb_atom_t offered[] = {targets, utf8};
                xcb_change_property(g_connection, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                    XCB_ATOM_ATOM, 32, 2, offered);
                property = request.property;
            } else if (request.selection == clipboard && holding && request.target == utf8) {
                xcb_change_property(g_connection, XCB_PROP_MODE_REPLACE, request.requestor, request.property, utf8,
                                    8, uint32_t(text.size()), text.data());
                property = request.property;
            }
            answer(request, property);
        }
        std::free(event);
    }
    xcb_disconnect(g_connection);
    return 0;
}
