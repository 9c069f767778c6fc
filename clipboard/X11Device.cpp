#include "X11Device.h"

#include <xcb/xcb.h>

#include <poll.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <list>
#include <vector>

// The clipboard of ICCCM: the CLIPBOARD selection, answered through
// properties; a text larger than one request goes in pieces (INCR); a
// clipboard manager (the owner of CLIPBOARD_MANAGER) is asked to keep a
// copy with SAVE_TARGETS and says whether it did.
namespace clipboard {
namespace {

enum Name {
    Clipboard, Targets, Utf8String, Text, TextPlainUtf8, TextPlain, Incr, Timestamp, Multiple, AtomPair,
    ClipboardManager, SaveTargets, Incoming, ToSave, Names
};
const char *const kNames[Names] = {
    "CLIPBOARD", "TARGETS", "UTF8_STRING", "TEXT", "text/plain;charset=utf-8", "text/plain", "INCR", "TIMESTAMP",
    "MULTIPLE", "ATOM_PAIR", "CLIPBOARD_MANAGER", "SAVE_TARGETS", "TESSALY_INCOMING", "TESSALY_TO_SAVE",
};

struct Free {
    void operator()(void *pointer) const { std::free(pointer); }
};
template <typename T>
using Owned = std::unique_ptr<T, Free>;

// Latin-1 of UTF-8 text, for the old STRING type; false when the text has
// a character past U+00FF or bytes that are not UTF-8.
bool toLatin1(const std::string &text, std::string &out)
{
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            out += char(byte);
        } else if ((byte == 0xC2 || byte == 0xC3) && i + 1 < text.size()
                   && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
            out += char(((byte & 0x03) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3F));
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

std::string fromLatin1(const std::string &text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += char(0xC0 | (byte >> 6));
            out += char(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

class X11Device final : public Device {
public:
    X11Device(xcb_connection_t *connection, xcb_screen_t *screen);
    ~X11Device() override;

    bool broken() const { return xcb_connection_has_error(m_connection) != 0; }

    Reading read(std::size_t limit, Clock::time_point deadline) override;
    bool set(std::string text, Clock::time_point deadline, std::string &error) override;
    Served serve(Clock::time_point deadline) override;

private:
    // A text going to a requestor in pieces: each piece once the requestor
    // deleted the one before.
    struct Transfer {
        xcb_window_t requestor;
        xcb_atom_t property;
        xcb_atom_t type;
        const std::string *data;
        std::size_t sent;
        Clock::time_point lastMoved;
    };

    enum class Answer { Given, Refused, Silent };

    Owned<xcb_generic_event_t> nextEvent(Clock::time_point deadline);
    void serverTime();
    Answer convert(xcb_atom_t target, Clock::duration idle, std::size_t limit, xcb_atom_t &type, std::string &data,
                   bool &tooLarge);
    bool readIncrementally(Clock::duration idle, std::size_t limit, xcb_atom_t &type, std::string &data, bool &tooLarge);
    void handle(const xcb_generic_event_t &event);
    void answerRequest(const xcb_selection_request_event_t &request);
    bool give(xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property);
    void put(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t type, const std::string &data);
    void advance(Transfer &transfer);
    void askManager();

    xcb_connection_t *m_connection;
    xcb_window_t m_window;
    xcb_atom_t m_atoms[Names] = {};
    xcb_timestamp_t m_time = XCB_CURRENT_TIME;
    std::size_t m_piece; // the most bytes one property change carries here
    // The events the reading loop saw that are not its own.
    std::vector<Owned<xcb_generic_event_t>> m_pending;

    std::string m_text;
    std::string m_latin1;
    bool m_hasLatin1 = false;
    bool m_owner = false;
    bool m_taken = false;
    bool m_kept = false;
    std::list<Transfer> m_transfers;
};

X11Device::X11Device(xcb_connection_t *connection, xcb_screen_t *screen) : m_connection(connection)
{
    // An unmapped window of our own: where the answers come, and the owner
    // of the selection. Nothing is ever shown.
    m_window = xcb_generate_id(m_connection);
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, XCB_CW_EVENT_MASK, &events);
    xcb_intern_atom_cookie_t cookies[Names];
    for (int name = 0; name < Names; ++name)
        cookies[name] = xcb_intern_atom(m_connection, 0, std::uint16_t(std::strlen(kNames[name])), kNames[name]);
    for (int name = 0; name < Names; ++name) {
        Owned<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(m_connection, cookies[name], nullptr));
        m_atoms[name] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    // A request is at most this long (in 4-byte units); a property change
    // takes 24 bytes of it. Pieces of 256 KiB at most, as other programs
    // expect for a text in pieces.
    const std::size_t most = std::size_t(xcb_get_maximum_request_length(m_connection)) * 4;
    m_piece = std::min<std::size_t>(most > 1024 ? most - 1024 : 4096, 256 * 1024);
    serverTime();
}

X11Device::~X11Device()
{
    xcb_disconnect(m_connection);
}

// The server's time, which ICCCM asks owners and requestors to use rather
// than "now": a property change on our own window brings it.
void X11Device::serverTime()
{
    xcb_change_property(m_connection, XCB_PROP_MODE_APPEND, m_window, m_atoms[Incoming], XCB_ATOM_STRING, 8, 0,
                        nullptr);
    xcb_flush(m_connection);
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(3);
    while (Owned<xcb_generic_event_t> event = nextEvent(deadline)) {
        if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
            const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event.get());
            if (notify->window == m_window && notify->atom == m_atoms[Incoming]) {
                m_time = notify->time;
                return;
            }
        }
        m_pending.push_back(std::move(event));
    }
}

Owned<xcb_generic_event_t> X11Device::nextEvent(Clock::time_point deadline)
{
    for (;;) {
        if (Owned<xcb_generic_event_t> event{xcb_poll_for_event(m_connection)})
            return event;
        if (broken())
            return nullptr;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return nullptr;
        pollfd display{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        ::poll(&display, 1, int(std::min<long long>(left, 60 * 1000)) + 1);
    }
}

Reading X11Device::read(std::size_t limit, Clock::time_point deadline)
{
    Reading reading;
    const Clock::duration idle = deadline - Clock::now();
    Owned<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_atoms[Clipboard]), nullptr));
    if (!owner) {
        reading.error = "the X server went away";
        return reading;
    }
    if (owner->owner == XCB_NONE) {
        reading.kind = Reading::Kind::NoText;
        return reading;
    }
    xcb_atom_t type = XCB_ATOM_NONE;
    bool tooLarge = false;
    // Most owners give UTF-8 at once; the others say what they have.
    Answer answer = convert(m_atoms[Utf8String], idle, limit, type, reading.text, tooLarge);
    if (answer == Answer::Refused) {
        std::string targets;
        xcb_atom_t listType = XCB_ATOM_NONE;
        answer = convert(m_atoms[Targets], idle, limit, listType, targets, tooLarge);
        if (answer == Answer::Given) {
            std::vector<xcb_atom_t> offered(targets.size() / sizeof(xcb_atom_t));
            std::memcpy(offered.data(), targets.data(), offered.size() * sizeof(xcb_atom_t));
            answer = Answer::Refused;
            for (const xcb_atom_t wanted :
                 {m_atoms[TextPlainUtf8], xcb_atom_t(XCB_ATOM_STRING), m_atoms[Text], m_atoms[TextPlain]}) {
                if (std::find(offered.begin(), offered.end(), wanted) == offered.end())
                    continue;
                answer = convert(wanted, idle, limit, type, reading.text, tooLarge);
                if (answer != Answer::Refused)
                    break;
            }
        }
    }
    if (tooLarge) {
        reading.kind = Reading::Kind::TooLarge;
        reading.text.clear();
        return reading;
    }
    if (answer == Answer::Silent) {
        reading.text.clear();
        reading.error = broken() ? "the X server went away" : "the program that holds the clipboard did not answer";
        return reading;
    }
    if (answer == Answer::Refused || reading.text.empty()) {
        reading.kind = Reading::Kind::NoText;
        reading.text.clear();
        return reading;
    }
    if (type == XCB_ATOM_STRING)
        reading.text = fromLatin1(reading.text);
    else if (type != m_atoms[Utf8String] && type != m_atoms[TextPlainUtf8] && type != m_atoms[TextPlain]) {
        // Compound text and the like: not a text we can keep byte for byte.
        reading.kind = Reading::Kind::NoText;
        reading.text.clear();
        return reading;
    }
    reading.kind = Reading::Kind::Text;
    return reading;
}

X11Device::Answer X11Device::convert(xcb_atom_t target, Clock::duration idle, std::size_t limit, xcb_atom_t &type,
                                     std::string &data, bool &tooLarge)
{
    data.clear();
    xcb_delete_property(m_connection, m_window, m_atoms[Incoming]);
    xcb_convert_selection(m_connection, m_window, m_atoms[Clipboard], target, m_atoms[Incoming], m_time);
    xcb_flush(m_connection);
    const Clock::time_point deadline = Clock::now() + idle;
    for (;;) {
        Owned<xcb_generic_event_t> event = nextEvent(deadline);
        if (!event)
            return Answer::Silent;
        if ((event->response_type & 0x7F) != XCB_SELECTION_NOTIFY) {
            if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY)
                m_pending.push_back(std::move(event));
            continue;
        }
        const auto *notify = reinterpret_cast<const xcb_selection_notify_event_t *>(event.get());
        if (notify->requestor != m_window || notify->selection != m_atoms[Clipboard] || notify->target != target)
            continue;
        if (notify->property == XCB_ATOM_NONE)
            return Answer::Refused;
        break;
    }
    // In 4-byte units: a little more than the limit tells a text too long.
    const std::uint32_t units = std::uint32_t(std::min<std::size_t>(limit / 4 + 2, UINT32_MAX / 4));
    Owned<xcb_get_property_reply_t> property(xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 1, m_window, m_atoms[Incoming], XCB_GET_PROPERTY_TYPE_ANY, 0, units),
        nullptr));
    if (!property)
        return Answer::Silent;
    type = property->type;
    if (type == m_atoms[Incr]) {
        // The owner said at least how long it is; a text too long is still
        // taken to its end (and dropped): an owner left in the middle may
        // stop serving anyone, and the clipboard is to stay as it was.
        if (xcb_get_property_value_length(property.get()) >= 4) {
            std::uint32_t atLeast = 0;
            std::memcpy(&atLeast, xcb_get_property_value(property.get()), 4);
            tooLarge = atLeast > limit;
        }
        property.reset();
        if (!readIncrementally(idle, limit, type, data, tooLarge))
            return Answer::Silent;
        return Answer::Given;
    }
    const int length = xcb_get_property_value_length(property.get());
    if (property->bytes_after > 0 || std::size_t(length) > limit) {
        tooLarge = true;
        return Answer::Given;
    }
    data.assign(static_cast<const char *>(xcb_get_property_value(property.get())), std::size_t(length));
    return Answer::Given;
}

bool X11Device::readIncrementally(Clock::duration idle, std::size_t limit, xcb_atom_t &type, std::string &data,
                                  bool &tooLarge)
{
    Clock::time_point deadline = Clock::now() + idle;
    for (;;) {
        Owned<xcb_generic_event_t> event = nextEvent(deadline);
        if (!event)
            return false;
        if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY) {
            m_pending.push_back(std::move(event));
            continue;
        }
        const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event.get());
        if (notify->window != m_window || notify->atom != m_atoms[Incoming]
            || notify->state != XCB_PROPERTY_NEW_VALUE)
            continue;
        Owned<xcb_get_property_reply_t> piece(xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 1, m_window, m_atoms[Incoming], XCB_GET_PROPERTY_TYPE_ANY, 0,
                             UINT32_MAX / 4),
            nullptr));
        if (!piece)
            return false;
        const int length = xcb_get_property_value_length(piece.get());
        if (length == 0)
            return true; // the empty piece ends it
        type = piece->type;
        if (tooLarge || data.size() + std::size_t(length) > limit) {
            tooLarge = true;
            data.clear();
            data.shrink_to_fit();
        } else {
            data.append(static_cast<const char *>(xcb_get_property_value(piece.get())), std::size_t(length));
        }
        deadline = Clock::now() + idle;
    }
}

bool X11Device::set(std::string text, Clock::time_point, std::string &error)
{
    m_text = std::move(text);
    m_hasLatin1 = toLatin1(m_text, m_latin1);
    xcb_set_selection_owner(m_connection, m_window, m_atoms[Clipboard], m_time);
    Owned<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_atoms[Clipboard]), nullptr));
    // The server says at once whether we own it; anyone asking from now on
    // is answered by us.
    if (!owner || owner->owner != m_window) {
        error = owner ? "another program took the clipboard first" : "the X server went away";
        return false;
    }
    m_owner = true;
    return true;
}

Served X11Device::serve(Clock::time_point deadline)
{
    askManager();
    for (Owned<xcb_generic_event_t> &event : m_pending)
        handle(*event);
    m_pending.clear();
    while (!m_taken && !m_kept) {
        Clock::time_point until = deadline;
        for (const Transfer &transfer : m_transfers)
            until = std::min(until, transfer.lastMoved + std::chrono::seconds(30));
        Owned<xcb_generic_event_t> event = nextEvent(until);
        if (event) {
            handle(*event);
            continue;
        }
        if (broken())
            return Served::Lost;
        // A requestor that stopped taking its pieces is given up.
        const Clock::time_point now = Clock::now();
        m_transfers.remove_if([now](const Transfer &transfer) {
            return now - transfer.lastMoved >= std::chrono::seconds(30);
        });
        if (now >= deadline)
            return Served::TimeUp;
    }
    // Pieces still going out to other programs are finished first, as
    // ICCCM allows after the selection has gone.
    const Clock::time_point grace = std::min(deadline, Clock::now() + std::chrono::seconds(5));
    while (!m_transfers.empty()) {
        Owned<xcb_generic_event_t> event = nextEvent(grace);
        if (!event)
            break;
        handle(*event);
    }
    return m_kept ? Served::Kept : Served::Taken;
}

// A clipboard manager is asked to keep a copy; it asks us for the text, and
// says when it has it (or that it will not).
void X11Device::askManager()
{
    Owned<xcb_get_selection_owner_reply_t> manager(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_atoms[ClipboardManager]), nullptr));
    if (!manager || manager->owner == XCB_NONE)
        return;
    std::vector<xcb_atom_t> targets = {m_atoms[Utf8String], m_atoms[TextPlainUtf8]};
    if (m_hasLatin1)
        targets.push_back(XCB_ATOM_STRING);
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, m_atoms[ToSave], XCB_ATOM_ATOM, 32,
                        std::uint32_t(targets.size()), targets.data());
    xcb_convert_selection(m_connection, m_window, m_atoms[ClipboardManager], m_atoms[SaveTargets], m_atoms[ToSave],
                          m_time);
    xcb_flush(m_connection);
}

void X11Device::handle(const xcb_generic_event_t &event)
{
    switch (event.response_type & 0x7F) {
    case XCB_SELECTION_REQUEST:
        answerRequest(reinterpret_cast<const xcb_selection_request_event_t &>(event));
        break;
    case XCB_SELECTION_CLEAR: {
        const auto &clear = reinterpret_cast<const xcb_selection_clear_event_t &>(event);
        if (clear.selection == m_atoms[Clipboard] && clear.owner == m_window) {
            m_owner = false;
            m_taken = true;
        }
        break;
    }
    case XCB_SELECTION_NOTIFY: {
        const auto &notify = reinterpret_cast<const xcb_selection_notify_event_t &>(event);
        // The manager's answer: the property named back when it keeps the copy.
        if (notify.requestor == m_window && notify.selection == m_atoms[ClipboardManager]
            && notify.target == m_atoms[SaveTargets] && notify.property != XCB_ATOM_NONE)
            m_kept = true;
        break;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto &notify = reinterpret_cast<const xcb_property_notify_event_t &>(event);
        if (notify.state != XCB_PROPERTY_DELETE)
            break;
        for (auto it = m_transfers.begin(); it != m_transfers.end(); ++it) {
            if (it->requestor == notify.window && it->property == notify.atom) {
                advance(*it);
                if (it->sent == SIZE_MAX)
                    m_transfers.erase(it);
                break;
            }
        }
        break;
    }
    case 0: {
        // An error: a requestor's window that went away ends its transfers.
        const auto &error = reinterpret_cast<const xcb_generic_error_t &>(event);
        if (error.error_code == XCB_WINDOW) {
            m_transfers.remove_if([&error](const Transfer &transfer) { return transfer.requestor == error.resource_id; });
        }
        break;
    }
    default:
        break;
    }
    xcb_flush(m_connection);
}

void X11Device::answerRequest(const xcb_selection_request_event_t &request)
{
    // Old requestors name no property: the target is the property.
    const xcb_atom_t property = request.property != XCB_ATOM_NONE ? request.property : request.target;
    bool given = false;
    if (m_owner && request.selection == m_atoms[Clipboard]) {
        if (request.target == m_atoms[Multiple] && request.property != XCB_ATOM_NONE) {
            // Pairs of target and property, each answered in its property;
            // a target we refuse is replaced by None.
            Owned<xcb_get_property_reply_t> pairs(xcb_get_property_reply(
                m_connection,
                xcb_get_property(m_connection, 0, request.requestor, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
                nullptr));
            if (pairs && pairs->format == 32) {
                const int count = xcb_get_property_value_length(pairs.get()) / 4;
                std::vector<xcb_atom_t> list(static_cast<std::size_t>(count));
                std::memcpy(list.data(), xcb_get_property_value(pairs.get()), list.size() * 4);
                for (std::size_t i = 0; i + 1 < list.size(); i += 2) {
                    if (!give(request.requestor, list[i], list[i + 1]))
                        list[i] = XCB_ATOM_NONE;
                }
                xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property, pairs->type, 32,
                                    std::uint32_t(list.size()), list.data());
                given = true;
            }
        } else {
            given = give(request.requestor, request.target, property);
        }
    }
    xcb_selection_notify_event_t notify = {};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = given ? property : xcb_atom_t(XCB_ATOM_NONE);
    xcb_send_event(m_connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&notify));
}

bool X11Device::give(xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property)
{
    if (property == XCB_ATOM_NONE)
        return false;
    if (target == m_atoms[Targets]) {
        std::vector<xcb_atom_t> targets = {m_atoms[Targets], m_atoms[Timestamp], m_atoms[Multiple],
                                           m_atoms[Utf8String], m_atoms[TextPlainUtf8], m_atoms[Text]};
        if (m_hasLatin1) {
            targets.push_back(XCB_ATOM_STRING);
            targets.push_back(m_atoms[TextPlain]);
        }
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_ATOM, 32,
                            std::uint32_t(targets.size()), targets.data());
        return true;
    }
    if (target == m_atoms[Timestamp]) {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_INTEGER, 32, 1,
                            &m_time);
        return true;
    }
    if (target == m_atoms[Utf8String] || target == m_atoms[TextPlainUtf8] || target == m_atoms[Text]) {
        put(requestor, property, target == m_atoms[Text] ? m_atoms[Utf8String] : target, m_text);
        return true;
    }
    if (m_hasLatin1 && (target == XCB_ATOM_STRING || target == m_atoms[TextPlain])) {
        put(requestor, property, target, m_latin1);
        return true;
    }
    return false;
}

void X11Device::put(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t type, const std::string &data)
{
    if (data.size() <= m_piece) {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, requestor, property, type, 8,
                            std::uint32_t(data.size()), data.data());
        return;
    }
    // In pieces: the requestor deletes the property to ask for the next.
    // A requestor may take several at once, each in its own property.
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_connection, requestor, XCB_CW_EVENT_MASK, &events);
    const std::uint32_t size = std::uint32_t(std::min<std::size_t>(data.size(), UINT32_MAX));
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, requestor, property, m_atoms[Incr], 32, 1, &size);
    m_transfers.remove_if([&](const Transfer &transfer) {
        return transfer.requestor == requestor && transfer.property == property;
    });
    m_transfers.push_back({requestor, property, type, &data, 0, Clock::now()});
}

void X11Device::advance(Transfer &transfer)
{
    const std::size_t left = transfer.data->size() - transfer.sent;
    const std::size_t piece = std::min(left, m_piece);
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, transfer.requestor, transfer.property, transfer.type, 8,
                        std::uint32_t(piece), transfer.data->data() + transfer.sent);
    transfer.lastMoved = Clock::now();
    // After the last piece, an empty one says it is all.
    transfer.sent = piece == 0 ? SIZE_MAX : transfer.sent + piece;
}

} // namespace

std::unique_ptr<Device> openX11(std::string &error)
{
    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        const char *display = std::getenv("DISPLAY");
        error = std::string("DISPLAY=") + (display ? display : "") + " cannot be reached";
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem) {
        xcb_disconnect(connection);
        error = "the X server has no such screen";
        return nullptr;
    }
    return std::make_unique<X11Device>(connection, screens.data);
}

} // namespace clipboard
