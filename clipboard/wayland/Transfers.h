#pragma once

#include <poll.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace clipboard::wayland {

// The text being written to programs that paste it, one pipe each, all at
// once and never blocking: a reader that does not read holds up no other,
// one that goes away early is dropped.
class Transfers {
public:
    Transfers() = default;
    ~Transfers();
    Transfers(const Transfers &) = delete;
    Transfers &operator=(const Transfers &) = delete;

    // Takes fd and writes the whole of text to it, then closes it.
    void start(int fd, std::shared_ptr<const std::string> text);
    bool empty() const { return m_transfers.empty(); }

    // Appends one entry a transfer to wait on; service takes those entries
    // back (count of them, from the first), once poll has filled them in.
    // Transfers started meanwhile wait for the next round.
    void want(std::vector<pollfd> &fds) const;
    void service(const pollfd *fds, std::size_t count);

private:
    struct Transfer {
        int fd;
        std::shared_ptr<const std::string> text;
        std::size_t written;
    };

    // False once the transfer is over, written or dropped.
    static bool write(Transfer &transfer);

    std::vector<Transfer> m_transfers;
};

} // namespace clipboard::wayland
