// A window that only keeps places: enough for the resizer's arithmetic and its calls on the window, with
// every move recorded. The behaviour of real windows is tested on the headless window system.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/window/window_system.h"

namespace kirva::testing {

class PlaceOnlyWindow final : public platform::Window {
  public:
    struct Control {
        platform::ControlKind kind = platform::ControlKind::Text;
        platform::Rect place;
        int32_t parent = 0;
        bool autoWidth = false;
        bool autoHeight = false;
    };

    // Controls from a layout; an auto width or height gets the given natural size.
    explicit PlaceOnlyWindow(const platform::WindowLayout& layout, int32_t naturalWidth = 60,
                             int32_t naturalHeight = 10) {
        place_ = {100, 80, layout.width, layout.height};
        for (const platform::ControlLayout& c : layout.controls) {
            Control control{c.kind, c.place, c.parent, c.place.width == 0, c.place.height == 0};
            if (control.autoWidth) control.place.width = naturalWidth;
            if (control.autoHeight) control.place.height = naturalHeight;
            order_.push_back(c.number);
            controls_[c.number] = control;
        }
    }

    // The user drags the window to a new client size: what a Sized event leads to.
    void resizeTo(int32_t width, int32_t height) {
        place_.width = width;
        place_.height = height;
        fire(platform::EventKind::DeferredResize);
    }
    void fire(platform::EventKind kind) {
        platform::Event event;
        event.kind = kind;
        for (auto& [id, handler] : handlers_) {
            if (handlerKinds_[id] == kind) handler(event);
        }
    }

    std::map<int32_t, Control> controls_;
    std::vector<int32_t> order_;
    std::vector<int32_t> moved;  // controls moved, in order
    int movesOutsideBatch = 0;
    int batches = 0;
    platform::Rect minimumSize, maximumSize;

    void open(Window*) override { open_ = true; }
    bool isOpen() const override { return open_; }
    void runEventLoop(const std::function<platform::EventVerdict(const platform::Event&)>&) override {}
    void post(const platform::Event&, bool) override {}
    void close() override { open_ = false; }
    void notify(uint32_t, uint64_t, int64_t) override {}
    int registerHandler(platform::EventKind kind,
                        std::function<platform::EventVerdict(const platform::Event&)> handler) override {
        handlers_[++lastHandler_] = std::move(handler);
        handlerKinds_[lastHandler_] = kind;
        return lastHandler_;
    }
    void unregisterHandler(int id) override {
        handlers_.erase(id);
        handlerKinds_.erase(id);
    }
    std::size_t handlerCount() const { return handlers_.size(); }
    const platform::Event& currentEvent() const override { return event_; }
    int32_t acceptedControl() const override { return 0; }
    int32_t focusedControl() const override { return 0; }
    int32_t keyCode() const override { return 0; }
    void clearKeyCode() override {}
    void registerAlertKey(int32_t) override {}
    std::vector<int32_t> controls() const override { return order_; }
    platform::ControlKind controlKind(int32_t control) const override { return find(control).kind; }
    int32_t controlParent(int32_t control) const override { return find(control).parent; }
    void select(int32_t) override {}
    void selectNext(int32_t) override {}
    void display(int32_t) override {}
    void updateBindings() override {}
    std::string text(int32_t) const override { return {}; }
    void setText(int32_t, std::string_view) override {}
    void setImage(int32_t, std::string_view) override {}
    std::string image(int32_t) const override { return {}; }
    void setHidden(int32_t, bool) override {}
    bool isHidden(int32_t) const override { return false; }
    void setDisabled(int32_t, bool) override {}
    bool isDisabled(int32_t) const override { return false; }
    platform::Rect controlPlace(int32_t control) const override { return find(control).place; }
    void setControlPlace(int32_t control, const platform::Rect& place) override {
        auto it = controls_.find(control);
        if (it == controls_.end()) return;
        it->second.place = place;
        moved.push_back(control);
        if (batches == 0) ++movesOutsideBatch;
    }
    bool autoWidth(int32_t control) const override { return find(control).autoWidth; }
    bool autoHeight(int32_t control) const override { return find(control).autoHeight; }
    void beginBatchedMoves() override { ++batches; }
    void endBatchedMoves() override { --batches; }
    void setFontName(std::string_view) override {}
    std::string fontName() const override { return {}; }
    void setListRows(int32_t, std::vector<std::vector<std::string>>) override {}
    platform::Rect place() const override { return place_; }
    void setPlace(const platform::Rect& place) override { place_ = place; }
    platform::WindowState state() const override { return state_; }
    void setState(platform::WindowState state) override { state_ = state; }
    bool resizable() const override { return true; }
    void setMinimumSize(int32_t width, int32_t height) override { minimumSize = {0, 0, width, height}; }
    void setMaximumSize(int32_t width, int32_t height) override { maximumSize = {0, 0, width, height}; }
    std::string caption() const override { return {}; }
    void setCaption(std::string_view) override {}
    void setBusy(bool) override {}
    void showProgress(int64_t, int64_t) override {}

  private:
    const Control& find(int32_t control) const {
        static const Control kNone{};
        auto it = controls_.find(control);
        return it != controls_.end() ? it->second : kNone;
    }

    platform::Rect place_;
    platform::WindowState state_ = platform::WindowState::Normal;
    bool open_ = false;
    platform::Event event_;
    int lastHandler_ = 0;
    std::map<int, std::function<platform::EventVerdict(const platform::Event&)>> handlers_;
    std::map<int, platform::EventKind> handlerKinds_;
};

}  // namespace kirva::testing
