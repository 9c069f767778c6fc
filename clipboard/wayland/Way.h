#pragma once

#include <memory>
#include <string>
#include <vector>

namespace clipboard::wayland {

// The selection as the compositor announced it: the types its owner
// offers, and a way to ask for the data in one of them.
class Offer {
public:
    virtual ~Offer() = default;

    const std::vector<std::string> &types() const { return m_types; }
    void addType(const char *type) { m_types.emplace_back(type); }

    // Asks the owner to write the data in type to fd (which stays the
    // caller's to close).
    virtual void receive(const char *type, int fd) = 0;

private:
    std::vector<std::string> m_types;
};

// What a way tells the device about the clipboard.
class WayEvents {
public:
    virtual ~WayEvents() = default;
    // The selection now: nullptr when nothing is on the clipboard.
    virtual void selection(std::unique_ptr<Offer> offer) = 0;
    // A program pastes our text: write it to fd (the device's to close).
    virtual void send(const char *type, int fd) = 0;
    // Our source is the selection no longer.
    virtual void cancelled() = 0;
    // The compositor took the clipboard device away.
    virtual void withdrawn() = 0;
};

// One protocol for reaching the clipboard, chosen from what the compositor
// announced: a data-control manager, or the core data device with a
// surface that has the keyboard.
class Way {
public:
    virtual ~Way() = default;

    // Starts what reading and setting need; false with error said when it
    // cannot. The core protocol makes its surface here.
    virtual bool approach(std::string &error)
    {
        (void)error;
        return true;
    }
    // Whether the clipboard can be read and set now: with the core
    // protocol, once the surface has the keyboard.
    virtual bool ready() const { return true; }
    // Offers types in a new source and asks for it to become the
    // selection; the source before is dropped.
    virtual void setSelection(const std::vector<std::string> &types) = 0;
    virtual void dropSource() = 0;
    // The clipboard was set or given up: what approach made goes.
    virtual void settled() {}
};

} // namespace clipboard::wayland
