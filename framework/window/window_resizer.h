// The window resizer: moves and sizes a window's controls when the window's size changes, always from the
// positions the controls had at design size, in exact decimals, so that going back to the design size
// leaves nothing over. Size ratios are kept to four decimals; a computed place is rounded to whole
// dialog units half away from zero.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
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
    // Leaves a control out of the resizer's care: it stays where the layout put it. Call before init().
    void excludeControl(int32_t control) { excluded_.insert(control); }

    // Positional strategy: the low byte the horizontal rule, the high byte the vertical one.
    enum Positional : uint16_t {
        ScaleX = 0,
        KeepX = 1,
        FromRight = 2,
        FromLeft = 4,
        FromCentreX = 8,
        NearestX = 16,
        HalfGrowthX = 32,
        KeepY = 256,
        FromBottom = 512,
        FromTop = 1024,
        FromCentreY = 2048,
        NearestY = 4096,
        HalfGrowthY = 8192,
    };
    // Resize strategy: flags.
    enum Resize : uint16_t {
        LockWidth = 1,
        LockHeight = 2,
        KeepRightMargin = 4,
        KeepBottomMargin = 8,
        HalfRightMargin = 16,
        HalfBottomMargin = 32,
    };
    // The strategy arithmetic of computePosition for given strategies (parent places in window units).
    static platform::Rect applyStrategies(uint16_t positional, uint16_t resize, const platform::Rect& parentBefore,
                                          const platform::Rect& parentAfter, const platform::Rect& design);
    // after / before kept to four decimals (half away from zero), in units of 1/10000; 1 when before is 0.
    static int64_t ratio(int32_t after, int32_t before);

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

    // One move of a layout pass.
    struct Move {
        int64_t priority = 0;  // the order when moves are not batched
        int32_t control = 0;
        platform::ControlKind kind = platform::ControlKind::Text;
        platform::Rect before;
        platform::Rect after;
    };
    // The moves of the last pass (RESIZELIST), in the order they were applied.
    const std::vector<Move>& moves() const { return resizeList_; }

  protected:
    platform::Window* window_ = nullptr;
    uint8_t appStrategy_ = 0;
    bool deferMoves_ = false;
    bool resizeCalled_ = false;
    platform::Rect originalWindow_;
    platform::WindowState originalState_ = platform::WindowState::Normal;
    platform::Rect previousWindow_;
    std::optional<std::vector<Entry>> controlQueue_;
    std::vector<Move> resizeList_;
    std::vector<int> registrations_;

  private:
    Entry* find(int32_t control);
    const Entry* find(int32_t control) const;
    void layoutChildren(int32_t parent, const platform::Rect& parentBefore, const platform::Rect& parentAfter,
                        std::size_t depth);

    std::set<int32_t> excluded_;
};

}  // namespace kirva::framework
