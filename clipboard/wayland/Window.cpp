#include "Window.h"
#include "Registry.h"

#include "xdg-activation-v1-client.h"
#include "xdg-shell-client.h"
#include <wayland-client.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

namespace clipboard::wayland {

namespace {

// The window's side in pixels.
constexpr int kSide = 1;

} // namespace

Shell::Shell(const Registry &registry)
    : m_compositor(registry.bind<wl_compositor>(wl_compositor_interface, 4))
    , m_shm(registry.bind<wl_shm>(wl_shm_interface, 1))
    , m_wmBase(registry.bind<xdg_wm_base>(xdg_wm_base_interface, 1))
    , m_activation(registry.bind<xdg_activation_v1>(xdg_activation_v1_interface, 1))
{
    static const xdg_wm_base_listener listener = {&Shell::onPing};
    if (m_wmBase)
        xdg_wm_base_add_listener(m_wmBase, &listener, this);
}

Shell::~Shell()
{
    if (m_activation)
        xdg_activation_v1_destroy(m_activation);
    if (m_wmBase)
        xdg_wm_base_destroy(m_wmBase);
    if (m_shm)
        wl_shm_destroy(m_shm);
    if (m_compositor)
        wl_compositor_destroy(m_compositor);
}

std::unique_ptr<Window> Shell::openWindow(std::string &error)
{
    if (!complete()) {
        error = "the desktop offers no window to take the keyboard";
        return nullptr;
    }
    auto window = std::make_unique<Window>(*this);
    if (!window->valid()) {
        error = "the desktop did not make the window to take the keyboard";
        return nullptr;
    }
    return window;
}

void Shell::onPing(void *data, xdg_wm_base *, uint32_t serial)
{
    xdg_wm_base_pong(static_cast<Shell *>(data)->m_wmBase, serial);
}

Window::Window(Shell &shell)
    : m_shell(shell)
{
    m_surface = wl_compositor_create_surface(shell.m_compositor);
    if (!m_surface)
        return;
    m_xdgSurface = xdg_wm_base_get_xdg_surface(shell.m_wmBase, m_surface);
    if (!m_xdgSurface)
        return;
    static const xdg_surface_listener surfaceListener = {&Window::onConfigure};
    xdg_surface_add_listener(m_xdgSurface, &surfaceListener, this);
    m_toplevel = xdg_surface_get_toplevel(m_xdgSurface);
    if (!m_toplevel)
        return;
    static const xdg_toplevel_listener toplevelListener = {&Window::onToplevelConfigure, &Window::onClose,
                                                           &Window::onConfigureBounds, &Window::onWmCapabilities};
    xdg_toplevel_add_listener(m_toplevel, &toplevelListener, this);
    xdg_toplevel_set_title(m_toplevel, "Tessaly");
    xdg_toplevel_set_app_id(m_toplevel, "org.morvane.Tessaly");
    xdg_toplevel_set_min_size(m_toplevel, kSide, kSide);
    xdg_toplevel_set_max_size(m_toplevel, kSide, kSide);
    // The first commit has no buffer: the compositor answers it with the
    // configure event the pixels wait for.
    wl_surface_commit(m_surface);
}

Window::~Window()
{
    if (m_toplevel)
        xdg_toplevel_destroy(m_toplevel);
    if (m_xdgSurface)
        xdg_surface_destroy(m_xdgSurface);
    if (m_surface)
        wl_surface_destroy(m_surface);
    if (m_buffer)
        wl_buffer_destroy(m_buffer);
}

bool Window::attach()
{
    constexpr int stride = kSide * 4;
    constexpr int size = stride * kSide;
    const int fd = memfd_create("tessaly-window", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    // A new file reads as zeros: ARGB all transparent.
    if (ftruncate(fd, size) < 0) {
        close(fd);
        return false;
    }
    wl_shm_pool *pool = wl_shm_create_pool(m_shell.m_shm, fd, size);
    close(fd);
    if (!pool)
        return false;
    m_buffer = wl_shm_pool_create_buffer(pool, 0, kSide, kSide, stride, WL_SHM_FORMAT_ARGB8888);
    wl_shm_pool_destroy(pool);
    if (!m_buffer)
        return false;
    wl_surface_attach(m_surface, m_buffer, 0, 0);
    wl_surface_damage(m_surface, 0, 0, kSide, kSide);
    return true;
}

void Window::onConfigure(void *data, xdg_surface *surface, uint32_t serial)
{
    auto *self = static_cast<Window *>(data);
    xdg_surface_ack_configure(surface, serial);
    // Mapped by its first buffer, once the compositor has configured it.
    const bool first = !self->m_attached;
    if (first)
        self->m_attached = self->attach();
    wl_surface_commit(self->m_surface);
    if (first && self->m_attached)
        self->activate();
}

void Window::activate()
{
    // The menu entry's launcher passes the token that lets the compositor
    // give this window the focus; it serves once.
    const char *token = std::getenv("XDG_ACTIVATION_TOKEN");
    if (!token || !m_shell.m_activation)
        return;
    xdg_activation_v1_activate(m_shell.m_activation, token, m_surface);
    unsetenv("XDG_ACTIVATION_TOKEN");
}

void Window::onToplevelConfigure(void *, xdg_toplevel *, int32_t, int32_t, wl_array *)
{
}

// Asked to close: it goes by itself once the clipboard is set.
void Window::onClose(void *, xdg_toplevel *)
{
}

void Window::onConfigureBounds(void *, xdg_toplevel *, int32_t, int32_t)
{
}

void Window::onWmCapabilities(void *, xdg_toplevel *, wl_array *)
{
}

} // namespace clipboard::wayland
