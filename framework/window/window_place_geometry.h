// The INI manager's view of a real window: its place, size and state read from and set on a window of the
// window system (Qt or headless), so that window positions are remembered the same way on both.
#pragma once

#include "framework/window/window_geometry.h"
#include "platform/window/window_system.h"

namespace kirva::framework {

static_assert(kNoValue == platform::kNoCoordinate, "a place without value reaches the window system unchanged");

class WindowPlaceGeometry final : public WindowGeometry {
  public:
    // The window must outlive the adapter.
    explicit WindowPlaceGeometry(platform::Window& window) : window_(window) {}

    bool maximized() const override;
    bool minimized() const override;
    bool resizable() const override;

    int32_t x() const override;
    int32_t y() const override;
    int32_t width() const override;
    int32_t height() const override;

    // A coordinate of kNoValue leaves that coordinate to the window system, which keeps the window on a
    // screen that exists.
    void setX(int32_t x) override;
    void setY(int32_t y) override;
    void setWidth(int32_t width) override;
    void setHeight(int32_t height) override;
    void setMaximized(bool maximized) override;
    void setMinimized(bool minimized) override;

  private:
    platform::Window& window_;
};

}  // namespace kirva::framework
