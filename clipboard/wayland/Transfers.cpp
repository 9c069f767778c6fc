#include "Transfers.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace clipboard::wayland {

namespace {

// What one transfer writes before the others have their turn.
constexpr std::size_t kTurn = 1 << 20;

} // namespace

Transfers::~Transfers()
{
    for (const Transfer &transfer : m_transfers)
        close(transfer.fd);
}

void Transfers::start(int fd, std::shared_ptr<const std::string> text)
{
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0 || !text || text->empty()) {
        close(fd);
        return;
    }
    m_transfers.push_back({fd, std::move(text), 0});
}

void Transfers::want(std::vector<pollfd> &fds) const
{
    for (const Transfer &transfer : m_transfers)
        fds.push_back({transfer.fd, POLLOUT, 0});
}

void Transfers::service(const pollfd *fds, std::size_t count)
{
    count = std::min(count, m_transfers.size());
    std::vector<bool> over(m_transfers.size(), false);
    for (std::size_t i = 0; i < count; ++i) {
        if (fds[i].revents & POLLOUT)
            over[i] = !write(m_transfers[i]);
        else if (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL))
            over[i] = true;
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_transfers.size(); ++i) {
        if (over[i])
            close(m_transfers[i].fd);
        else
            m_transfers[kept++] = std::move(m_transfers[i]);
    }
    m_transfers.resize(kept);
}

bool Transfers::write(Transfer &transfer)
{
    const std::string &text = *transfer.text;
    std::size_t turn = 0;
    while (transfer.written < text.size() && turn < kTurn) {
        const std::size_t size = std::min(text.size() - transfer.written, kTurn - turn);
        const ssize_t n = ::write(transfer.fd, text.data() + transfer.written, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            // EAGAIN: the pipe is full, the rest when it has room; anything
            // else (EPIPE: the reader went) ends the transfer.
            return errno == EAGAIN;
        }
        transfer.written += std::size_t(n);
        turn += std::size_t(n);
    }
    return transfer.written < text.size();
}

} // namespace clipboard::wayland
