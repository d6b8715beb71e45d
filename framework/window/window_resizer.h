// The window resizer: moves and sizes a window's controls when the window's size changes, always from the
// positions the controls had at design size, in exact decimals, so that going back to the design size
// leaves nothing over.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/window/window_system.h"

namespace kirva::framework {

class WindowResizer {
  public:
    WindowResizer() = default;
    virtual ~WindowResizer() = default;
    WindowResizer(const WindowResizer&) = delete;
    WindowResizer& operator=(const WindowResizer&) = delete;

    // Call after the window is open: records the design layout, registers for the deferred-resize,
    // restored, gain-focus and maximised events, and sets the design size as minimum and/or maximum.
    void init(platform::Window& window, uint8_t appStrategy, bool setMinSize, bool setMaxSize);
    void shutdown();  // unregisters the events and drops the lists; safe to call twice

    // The operation table, in its order.
    virtual int32_t parentOf(int32_t control) const;
    virtual void capture();
    virtual void layoutWindow();
    virtual uint8_t layout(int32_t control);
    virtual void beforeWindowLayout() {}
    virtual void afterWindowLayout() {}
    virtual void restoreDesign();
    virtual void assignParents();
    virtual void assignParent(std::size_t entry);
    virtual platform::Rect computePosition(int32_t control, const platform::Rect& parentBefore,
                                           const platform::Rect& parentAfter, const platform::Rect& design) const;

    void linkToParent(int32_t control, int32_t parent);
    void moveControl(int32_t control, const platform::Rect& place);
    platform::Rect readPosition(int32_t control) const;  // 0 = the window: 0, 0 and its client size

    static uint16_t defaultPositionalStrategy(uint8_t appStrategy, platform::ControlKind kind);
    static uint16_t defaultResizeStrategy(uint8_t appStrategy, platform::ControlKind kind);

    // Per-control strategies may be changed after init (an application's own layout wishes).
    void setStrategy(int32_t control, uint16_t positional, uint16_t resize);

    struct Entry {
        int32_t id = 0;
        platform::ControlKind kind = platform::ControlKind::Text;
        bool hasChildren = false;
        uint16_t positionalStrategy = 0;
        uint16_t resizeStrategy = 0;
        platform::Rect design;  // POS
        int32_t parentId = 0;
    };
    const std::vector<Entry>& entries() const;

  protected:
    platform::Window* window_ = nullptr;
    uint8_t appStrategy_ = 0;
    bool deferMoves_ = false;
    bool resizeCalled_ = false;
    platform::Rect originalWindow_;
    platform::WindowState originalState_ = platform::WindowState::Normal;
    platform::Rect previousWindow_;
    std::optional<std::vector<Entry>> controlQueue_;
    std::vector<int> registrations_;
};

}  // namespace kirva::framework
