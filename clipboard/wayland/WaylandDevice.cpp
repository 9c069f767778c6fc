// The Wayland device: one connection to the compositor, one way of reaching
// its clipboard chosen from the globals it announces (the ext data-control
// protocol, else the wlroots one, else the core data device with a small
// window), and one loop that waits on the compositor and on every pipe in
// flight together, never past a deadline.
#include "WaylandDevice.h"

#include "CoreDataDevice.h"
#include "DataControl.h"
#include "Display.h"
#include "Registry.h"
#include "Seat.h"
#include "Transfers.h"
#include "Way.h"

#include <wayland-client.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace clipboard {

namespace wayland {

namespace {

// The types the text is offered in, and those looked for when reading, in
// the order they are preferred.
const std::vector<std::string> kOffered = {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING", "STRING", "TEXT"};
const char *const kWanted[] = {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain", "TEXT", "STRING"};

// How long the compositor may take to answer the first time.
constexpr auto kFirstAnswer = std::chrono::seconds(10);
// How long the desktop may take to give the small window the keyboard.
constexpr auto kKeyboardComes = std::chrono::seconds(10);
// How long transfers in flight may take to finish once serving has ended.
constexpr auto kGrace = std::chrono::seconds(1);

constexpr const char *kWithdrawn = "the desktop took the clipboard away from this program";

const char *wantedType(const std::vector<std::string> &types)
{
    for (const char *wanted : kWanted)
        if (std::find(types.begin(), types.end(), wanted) != types.end())
            return wanted;
    return nullptr;
}

// The data of an offer as it comes down its pipe: at most limit bytes.
struct Incoming {
    enum class State { Reading, Ended, TooLarge, Failed };

    int fd;
    std::size_t limit;
    std::string data;
    State state = State::Reading;
    int error = 0;

    void service(short revents)
    {
        if (state != State::Reading || !(revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)))
            return;
        for (;;) {
            // Up to one byte past the limit, which says it is too large.
            const std::size_t chunk = std::min<std::size_t>(limit - data.size(), (1 << 16) - 1) + 1;
            const std::size_t before = data.size();
            data.resize(before + chunk);
            const ssize_t n = ::read(fd, &data[before], chunk);
            data.resize(before + std::size_t(std::max<ssize_t>(n, 0)));
            if (n > 0) {
                if (data.size() > limit) {
                    data.clear();
                    state = State::TooLarge;
                    return;
                }
                continue;
            }
            if (n == 0) {
                state = State::Ended;
                return;
            }
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN) {
                error = errno;
                state = State::Failed;
            }
            return;
        }
    }
};

class WaylandDevice final : public Device, private WayEvents {
public:
    explicit WaylandDevice(wl_display *display)
        : m_display(display), m_registry(display)
    {
    }

    ~WaylandDevice() override
    {
        // The offer and the way before the seat they were made for; the
        // registry and the connection go last, as members.
        m_current.reset();
        m_way.reset();
        m_seat.reset();
    }

    WaylandDevice(const WaylandDevice &) = delete;
    WaylandDevice &operator=(const WaylandDevice &) = delete;

    bool open(std::string &error)
    {
        if (!m_display.roundtrip(Clock::now() + kFirstAnswer)) {
            error = m_display.broken() ? m_display.failure() : "the Wayland desktop did not answer";
            return false;
        }
        uint32_t seatVersion = 0;
        auto *seat = m_registry.bind<wl_seat>(wl_seat_interface, 5, &seatVersion);
        if (!seat) {
            error = "the desktop has no seat to reach the clipboard from";
            return false;
        }
        m_seat = std::make_unique<Seat>(seat, seatVersion);
        // By what the compositor offers, never by its name.
        m_way = makeExtDataControl(m_registry, seat, *this);
        if (!m_way)
            m_way = makeWlrDataControl(m_registry, seat, *this);
        if (!m_way)
            m_way = makeCoreDataDevice(m_registry, *m_seat, *this);
        if (!m_way) {
            error = "the desktop offers programs no way to reach the clipboard";
            return false;
        }
        return true;
    }

    Reading read(std::size_t limit, Clock::time_point deadline) override
    {
        Reading reading;
        reading.kind = Reading::Kind::Failed;
        // The owner's time starts once we may ask it: the keyboard, where it
        // is needed first, has the desktop's own.
        const Clock::duration ownersTime = deadline - Clock::now();
        if (!approach(Clock::now() + kKeyboardComes, reading.error,
                      "the desktop did not give the keyboard to read the clipboard"))
            return reading;
        deadline = Clock::now() + ownersTime;
        const char *type = m_current ? wantedType(m_current->types()) : nullptr;
        if (!type) {
            reading.kind = Reading::Kind::NoText;
            return reading;
        }
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) < 0) {
            reading.error = std::string("the clipboard could not be read: ") + std::strerror(errno);
            return reading;
        }
        const int flags = fcntl(ends[0], F_GETFL);
        if (flags < 0 || fcntl(ends[0], F_SETFL, flags | O_NONBLOCK) < 0) {
            reading.error = std::string("the clipboard could not be read: ") + std::strerror(errno);
            close(ends[0]);
            close(ends[1]);
            return reading;
        }
        // libwayland sends a copy of the descriptor: ours goes at once, so
        // that the end of the data is seen when the owner closes its own.
        m_current->receive(type, ends[1]);
        close(ends[1]);
        Incoming incoming{ends[0], limit, {}};
        const Pumped pumped = pump(deadline, [&incoming] { return incoming.state != Incoming::State::Reading; },
                                   &incoming);
        close(ends[0]);
        switch (incoming.state) {
        case Incoming::State::Ended:
            if (incoming.data.empty()) {
                reading.kind = Reading::Kind::NoText;
            } else {
                reading.kind = Reading::Kind::Text;
                reading.text = std::move(incoming.data);
            }
            break;
        case Incoming::State::TooLarge:
            reading.kind = Reading::Kind::TooLarge;
            break;
        case Incoming::State::Failed:
            reading.error = std::string("the clipboard could not be read: ") + std::strerror(incoming.error);
            break;
        case Incoming::State::Reading:
            reading.error = pumped == Pumped::Broken ? m_display.failure()
                                                     : "the program that holds the clipboard did not answer";
            break;
        }
        return reading;
    }

    bool set(std::string text, Clock::time_point deadline, std::string &error) override
    {
        m_text = std::make_shared<const std::string>(std::move(text));
        if (!approach(deadline, error, "the desktop did not give the keyboard to set the clipboard")) {
            m_way->settled();
            return false;
        }
        m_confirmed = false;
        m_awaiting = true;
        m_sourceAlive = true;
        m_way->setSelection(kOffered);
        const Pumped pumped = pump(deadline, [this] { return m_confirmed || !m_sourceAlive || m_withdrawn; });
        m_awaiting = false;
        const bool taken = m_confirmed && m_sourceAlive && !m_withdrawn;
        if (!taken) {
            // Never left to become the clipboard later, once said it did not.
            m_way->dropSource();
            m_sourceAlive = false;
            error = pumped == Pumped::Broken ? m_display.failure()
                  : m_withdrawn              ? kWithdrawn
                                             : "the desktop did not take the new text";
        }
        // The window is needed no longer, whatever came of it. A flush that
        // fails leaves the connection broken, which the next wait reports.
        m_way->settled();
        (void)wl_display_flush(m_display.get());
        return taken;
    }

    Served serve(Clock::time_point deadline) override
    {
        Served served = Served::Lost;
        if (!m_display.broken() && !m_withdrawn) {
            const Pumped pumped = pump(deadline, [this] { return !m_sourceAlive || m_withdrawn; });
            served = pumped == Pumped::Broken || m_withdrawn ? Served::Lost
                   : !m_sourceAlive                        ? Served::Taken
                                                           : Served::TimeUp;
        }
        finishTransfers(Clock::now() + kGrace);
        return served;
    }

private:
    enum class Pumped { Done, TimeUp, Broken };

    // Waits on the compositor, the transfers and what is being read until
    // done says so, the deadline passes or the connection breaks.
    Pumped pump(Clock::time_point deadline, const std::function<bool()> &done, Incoming *incoming = nullptr)
    {
        std::vector<pollfd> fds;
        for (;;) {
            if (done())
                return Pumped::Done;
            if (m_display.broken())
                return Pumped::Broken;
            if (Clock::now() >= deadline)
                return Pumped::TimeUp;
            fds.clear();
            if (incoming)
                fds.push_back({incoming->fd, POLLIN, 0});
            const std::size_t first = fds.size();
            m_transfers.want(fds);
            const std::size_t count = fds.size() - first;
            m_display.step(deadline, fds);
            if (incoming)
                incoming->service(fds[0].revents);
            m_transfers.service(fds.data() + first, count);
        }
    }

    // The pipes alone once the connection broke.
    void finishTransfers(Clock::time_point deadline)
    {
        std::vector<pollfd> fds;
        while (!m_transfers.empty() && Clock::now() < deadline) {
            fds.clear();
            m_transfers.want(fds);
            const std::size_t count = fds.size();
            m_display.step(deadline, fds);
            m_transfers.service(fds.data(), count);
        }
    }

    // Makes the clipboard reachable (with the core protocol: the keyboard on
    // a window of ours) and takes in the selection as it is.
    bool approach(Clock::time_point deadline, std::string &error, const char *noKeyboard)
    {
        if (m_display.broken()) {
            error = m_display.failure();
            return false;
        }
        if (m_withdrawn) {
            error = kWithdrawn;
            return false;
        }
        if (!m_way->approach(error))
            return false;
        const Pumped pumped = pump(deadline, [this] { return m_way->ready() || m_withdrawn; });
        if (pumped == Pumped::Broken) {
            error = m_display.failure();
            return false;
        }
        if (m_withdrawn) {
            error = kWithdrawn;
            return false;
        }
        if (pumped == Pumped::TimeUp) {
            error = noKeyboard;
            return false;
        }
        // The selection comes with the keyboard, or at once with
        // data-control: in by the time the compositor answers.
        Sync sync(m_display.get());
        switch (pump(deadline, [&sync] { return sync.done(); })) {
        case Pumped::Done:
            return true;
        case Pumped::Broken:
            error = m_display.failure();
            return false;
        case Pumped::TimeUp:
            error = "the desktop did not answer";
            return false;
        }
        return false;
    }

    void selection(std::unique_ptr<Offer> offer) override
    {
        // The compositor announces our own source back, with our types: the
        // sign it took it.
        if (m_awaiting && m_sourceAlive && offer
            && std::all_of(kOffered.begin(), kOffered.end(), [&offer](const std::string &type) {
                   const auto &types = offer->types();
                   return std::find(types.begin(), types.end(), type) != types.end();
               }))
            m_confirmed = true;
        m_current = std::move(offer);
    }

    void send(const char *type, int fd) override
    {
        if (m_text && type && std::find(kOffered.begin(), kOffered.end(), type) != kOffered.end())
            m_transfers.start(fd, m_text);
        else
            close(fd);
    }

    void cancelled() override { m_sourceAlive = false; }

    void withdrawn() override
    {
        m_withdrawn = true;
        m_current.reset();
    }

    Display m_display;
    Registry m_registry;
    std::unique_ptr<Seat> m_seat;
    std::unique_ptr<Way> m_way;
    Transfers m_transfers;
    std::unique_ptr<Offer> m_current;
    std::shared_ptr<const std::string> m_text;
    // Our source is the selection, or was asked to become it.
    bool m_sourceAlive = false;
    // Between asking for the selection and the compositor's word on it.
    bool m_awaiting = false;
    bool m_confirmed = false;
    bool m_withdrawn = false;
};

// Writing to a reader that went away is an error to handle, not the end
// of the program.
void ignoreBrokenPipes()
{
    struct sigaction action {};
    if (sigaction(SIGPIPE, nullptr, &action) != 0 || (action.sa_flags & SA_SIGINFO) || action.sa_handler != SIG_DFL)
        return;
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGPIPE, &action, nullptr);
}

std::string displayName()
{
    if (std::getenv("WAYLAND_SOCKET"))
        return "the socket WAYLAND_SOCKET names";
    const char *name = std::getenv("WAYLAND_DISPLAY");
    return name && *name ? name : "wayland-0";
}

} // namespace

} // namespace wayland

std::unique_ptr<Device> openWayland(std::string &error)
{
    wayland::ignoreBrokenPipes();
    wl_display *display = wl_display_connect(nullptr);
    if (!display) {
        error = "no Wayland desktop answered at " + wayland::displayName();
        return nullptr;
    }
    auto device = std::make_unique<wayland::WaylandDevice>(display);
    if (!device->open(error))
        return nullptr;
    return device;
}

} // namespace clipboard
