#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct wl_array;
struct wl_buffer;
struct wl_compositor;
struct wl_shm;
struct wl_surface;
struct xdg_activation_v1;
struct xdg_surface;
struct xdg_toplevel;
struct xdg_wm_base;

namespace clipboard::wayland {

class Registry;
class Window;

// What a surface of the desktop's shell needs: the compositor, shared
// memory for its pixels, the shell, and the activation protocol where the
// compositor has it.
class Shell {
public:
    explicit Shell(const Registry &registry);
    ~Shell();
    Shell(const Shell &) = delete;
    Shell &operator=(const Shell &) = delete;

    // Whether the compositor announced all a window needs.
    bool complete() const { return m_compositor && m_shm && m_wmBase; }

    // A small window that asks for the keyboard; nullptr with error said.
    std::unique_ptr<Window> openWindow(std::string &error);

private:
    friend class Window;
    static void onPing(void *data, xdg_wm_base *wmBase, uint32_t serial);

    wl_compositor *m_compositor;
    wl_shm *m_shm;
    xdg_wm_base *m_wmBase;
    xdg_activation_v1 *m_activation;
};

// The few transparent pixels the compositor gives the keyboard to, the
// clipboard going only to the surface that has it. Its minimum size is its
// maximum, so that a tiling compositor floats it rather than tiles it over
// the screen.
class Window {
public:
    explicit Window(Shell &shell);
    ~Window();
    Window(const Window &) = delete;
    Window &operator=(const Window &) = delete;

    bool valid() const { return m_surface && m_xdgSurface && m_toplevel; }
    wl_surface *surface() const { return m_surface; }

private:
    bool attach();
    void activate();
    static void onConfigure(void *data, xdg_surface *surface, uint32_t serial);
    static void onToplevelConfigure(void *data, xdg_toplevel *toplevel, int32_t width, int32_t height,
                                    wl_array *states);
    static void onClose(void *data, xdg_toplevel *toplevel);
    static void onConfigureBounds(void *data, xdg_toplevel *toplevel, int32_t width, int32_t height);
    static void onWmCapabilities(void *data, xdg_toplevel *toplevel, wl_array *capabilities);

    Shell &m_shell;
    wl_surface *m_surface = nullptr;
    xdg_surface *m_xdgSurface = nullptr;
    xdg_toplevel *m_toplevel = nullptr;
    wl_buffer *m_buffer = nullptr;
    bool m_attached = false;
};

} // namespace clipboard::wayland
