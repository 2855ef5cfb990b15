#pragma once
// Watches the X display the way a window manager would: which top-level windows get mapped, which
// are viewable, and asks a window to close as a window manager's close button does.

#include <QList>
#include <cstdint>

struct xcb_connection_t;

class XWatch {
  public:
    XWatch();
    ~XWatch();
    XWatch(const XWatch&) = delete;
    XWatch& operator=(const XWatch&) = delete;

    bool IsConnected() const { return m_connection != nullptr; }
    // Top-level, non-override-redirect windows mapped since the last Reset, in order.
    QList<std::uint32_t> Maps();
    int ViewableWindows();
    void Close(std::uint32_t window);
    // The colour at (x, y) in the window, as 0xRRGGBB, or -1.
    long Pixel(std::uint32_t window, int x, int y);
    void Reset();

  private:
    void Pump();

    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_root = 0;
    QList<std::uint32_t> m_maps;
};
