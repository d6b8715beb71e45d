// framework/window/: the window framework (window manager, resizer, INI manager, error history window). The parts here
// need no window system of their own: they reach windows through small interfaces such as WindowGeometry, which the
// window side implements. Uses platform/ (and storage/ below it); never includes Qt.
#pragma once

#include <cstdint>
#include <limits>

namespace kirva::framework {

// A coordinate or size without value (hexadecimal 80000000). The INI manager hands it to the window
// unchanged as a position; what the window system makes of it is the window system's business.
constexpr int32_t kNoValue = std::numeric_limits<int32_t>::min();

// The position, size and state of one open window, as the INI manager keeps them between runs.
class WindowGeometry {
  public:
    virtual ~WindowGeometry() = default;

    virtual bool maximized() const = 0;
    virtual bool minimized() const = 0;
    // Whether the user can resize the window (a window that cannot keeps its design size).
    virtual bool resizable() const = 0;

    virtual int32_t x() const = 0;
    virtual int32_t y() const = 0;
    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;

    virtual void setX(int32_t x) = 0;
    virtual void setY(int32_t y) = 0;
    virtual void setWidth(int32_t width) = 0;
    virtual void setHeight(int32_t height) = 0;
    virtual void setMaximized(bool maximized) = 0;
    virtual void setMinimized(bool minimized) = 0;
};

}  // namespace kirva::framework
