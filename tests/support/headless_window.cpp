#include "tests/support/headless_window.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/text1250.h"
#include "platform/window/window_parts.h"

namespace kirva::platform {

namespace {

int32_t clampInt(int32_t value, int32_t low, int32_t high) {
    return std::max(low, std::min(value, high));
}

std::string placeText(const Rect& r) {
    return std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.width) + "," +
           std::to_string(r.height);
}

}  // namespace

class HeadlessWindow;

struct HeadlessWindowSystem::Impl {
    // Records every box in the transcript around the shared headless boxes, which answer and print it.
    class RecordingBoxes final : public MessageBoxes {
      public:
        explicit RecordingBoxes(HeadlessWindowSystem& system) : system_(system) {}
        unsigned show(const MessageBoxRequest& request) override {
            const unsigned answer = system_.impl_->boxes.show(request);
            system_.transcript_.push_back("box " + request.caption.toUtf8() + ": " + request.text.toUtf8() + " -> " +
                                          std::to_string(answer));
            return answer;
        }

      private:
        HeadlessWindowSystem& system_;
    };

    struct FolderAnswer {
        std::optional<std::string> folder;
        std::string browseTo;
    };

    Impl(HeadlessWindowSystem& system, std::ostream* printTo)
        : boxes(printTo != nullptr ? HeadlessMessageBoxes(*printTo) : HeadlessMessageBoxes()), recording(system) {
        std::error_code error;
        const auto path = std::filesystem::current_path(error);
        if (!error) currentDirectory = path.string();
    }

    HeadlessMessageBoxes boxes;
    RecordingBoxes recording;
    std::deque<FolderAnswer> folderAnswers;
    std::string currentDirectory;
    std::vector<HeadlessWindow*> windows;    // created and not destroyed, in creation order
    std::vector<HeadlessWindow*> openStack;  // open, innermost last
    std::vector<std::string> changes;
    std::vector<std::size_t> changePositions;
};

class HeadlessWindow final : public Window {
  public:
    HeadlessWindow(HeadlessWindowSystem& system, const WindowLayout& layout) : system_(system), layout_(layout) {
        for (const ControlLayout& c : layout.controls) controls_.emplace_back(c);
        for (Control& c : controls_) {
            if (c.layout.binding) showFromBinding(c, false);
            c.place = withNaturalSize(c, c.layout.place);
        }
        fontName_ = layout.fontName;
        caption_ = layout.caption;
        place_ = Rect{0, 0, layout.width, layout.height};
        centre();
        normalPlace_ = place_;
        system_.impl_->windows.push_back(this);
    }

    ~HeadlessWindow() override {
        if (detached_) return;
        if (open_) close();
        auto& windows = system_.impl_->windows;
        windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
    }

    // The system is going away before the window: closes it and forgets the system.
    void detach() {
        if (open_) close();
        detached_ = true;
    }

    HeadlessWindow(const HeadlessWindow&) = delete;
    HeadlessWindow& operator=(const HeadlessWindow&) = delete;

    // --- Window ---

    void open(Window* owner) override {
        if (open_) return;
        owner_ = owner;
        open_ = true;
        if (xAuto_ || yAuto_) centre();
        auto& stack = system_.impl_->openStack;
        if (!stack.empty()) stack.back()->post(Event{EventKind::LoseFocus});
        stack.push_back(this);
        system_.transcript_.push_back("open " + layout_.name);
        post(Event{EventKind::OpenWindow});
        post(Event{EventKind::GainFocus});
    }

    bool isOpen() const override { return open_; }

    void runEventLoop(const std::function<EventVerdict(const Event&)>& handler) override {
        if (!open_) return;
        endLoop_ = false;
        bool closeTried = false;
        auto& steps = system_.user_.steps_;
        while (open_ && !endLoop_) {
            if (auto event = events_.take()) {
                dispatch(*event, handler);
                continue;
            }
            if (!steps.empty()) {
                auto step = std::move(steps.front());
                steps.pop_front();
                step(*system_.impl_->openStack.back());
                continue;
            }
            if (!closeTried) {
                closeTried = true;
                post(Event{EventKind::CloseWindow});
                continue;
            }
            system_.transcript_.push_back("script ran out");
            break;
        }
        if (open_) close();
    }

    void post(const Event& event, bool front = false) override { events_.post(event, front); }

    void close() override {
        if (!open_) return;
        open_ = false;
        events_.clear();
        system_.transcript_.push_back("close " + layout_.name);
        auto& stack = system_.impl_->openStack;
        const bool wasInnermost = !stack.empty() && stack.back() == this;
        stack.erase(std::remove(stack.begin(), stack.end(), this), stack.end());
        if (wasInnermost && !stack.empty()) stack.back()->post(Event{EventKind::GainFocus});
    }

    void notify(uint32_t code, uint64_t thread, int64_t parameter) override {
        Event event{EventKind::Notify};
        event.notifyCode = code;
        event.notifyThread = thread;
        event.notifyParameter = parameter;
        post(event);
    }

    int registerHandler(EventKind kind, std::function<EventVerdict(const Event&)> handler) override {
        return events_.registerHandler(kind, std::move(handler));
    }

    void unregisterHandler(int id) override { events_.unregisterHandler(id); }

    const Event& currentEvent() const override { return events_.current(); }
    int32_t acceptedControl() const override { return events_.acceptedControl(); }
    int32_t focusedControl() const override { return focused_; }
    int32_t keyCode() const override { return keyCode_; }
    void clearKeyCode() override { keyCode_ = 0; }
    void registerAlertKey(int32_t keyCode) override {
        if (std::find(alertKeys_.begin(), alertKeys_.end(), keyCode) == alertKeys_.end()) {
            alertKeys_.push_back(keyCode);
        }
    }

    std::vector<int32_t> controls() const override {
        std::vector<int32_t> numbers;
        for (const Control& c : controls_) numbers.push_back(c.layout.number);
        return numbers;
    }

    ControlKind controlKind(int32_t control) const override {
        const Control* c = find(control);
        return c != nullptr ? c->layout.kind : ControlKind::Text;
    }

    int32_t controlParent(int32_t control) const override {
        const Control* c = find(control);
        return c != nullptr ? c->layout.parent : 0;
    }

    void select(int32_t control) override {
        Control* c = find(control);
        if (c == nullptr || !canFocus(*c)) return;
        if (control == focused_) {
            post(Event{EventKind::Selected, control});
            return;
        }
        moveFocus(control);
    }

    void selectNext(int32_t control) override {
        const int32_t next = nextFocusable(control, false);
        if (next != 0) select(next);
    }

    void display(int32_t control = 0) override {
        for (Control& c : controls_) {
            if ((control == 0 || c.layout.number == control) && c.layout.binding) showFromBinding(c, true);
        }
    }

    void updateBindings() override {
        for (Control& c : controls_) {
            // Only what the user changed: an entry showing its variable's value has nothing to give, and
            // taking it back would undo a change the program made to the variable since.
            if (isEntryKind(c.layout.kind) && c.layout.binding && c.modified) c.layout.binding->accept(c.text);
        }
    }

    Text1250 text(int32_t control) const override {
        const Control* c = find(control);
        return c != nullptr ? c->text : Text1250();
    }

    void setText(int32_t control, const Text1250& text) override {
        Control* c = find(control);
        if (c == nullptr) return;
        c->modified = false;
        if (c->text == text) return;
        c->text = text;
        if (c->layout.place.width == 0 || c->layout.place.height == 0) c->place = withNaturalSize(*c, c->place);
        change("text " + std::to_string(control) + " " + text.toUtf8());
    }

    void setImage(int32_t control, std::string_view role) override {
        Control* c = find(control);
        if (c == nullptr || c->image == role) return;
        c->image = std::string(role);
        change("image " + std::to_string(control) + " " + c->image);
    }

    std::string image(int32_t control) const override {
        const Control* c = find(control);
        return c != nullptr ? c->image : std::string();
    }

    void setHidden(int32_t control, bool hidden) override {
        Control* c = find(control);
        if (c == nullptr || c->hidden == hidden) return;
        c->hidden = hidden;
        change((hidden ? "hide " : "show ") + std::to_string(control));
        if (hidden && focused_ == control) focusAwayFrom(control);
    }

    bool isHidden(int32_t control) const override {
        const Control* c = find(control);
        return c != nullptr && c->hidden;
    }

    void setDisabled(int32_t control, bool disabled) override {
        Control* c = find(control);
        if (c == nullptr || c->disabled == disabled) return;
        c->disabled = disabled;
        change((disabled ? "disable " : "enable ") + std::to_string(control));
        if (disabled && focused_ == control) focusAwayFrom(control);
    }

    bool isDisabled(int32_t control) const override {
        const Control* c = find(control);
        return c != nullptr && c->disabled;
    }

    Rect controlPlace(int32_t control) const override {
        const Control* c = find(control);
        return c != nullptr ? c->place : Rect{};
    }

    void setControlPlace(int32_t control, const Rect& place) override {
        if (find(control) == nullptr) return;
        if (batchDepth_ > 0) {
            pendingMoves_.emplace_back(control, place);
            return;
        }
        applyPlace(control, place);
    }

    bool autoWidth(int32_t control) const override {
        const Control* c = find(control);
        return c != nullptr && c->layout.place.width == 0;
    }

    bool autoHeight(int32_t control) const override {
        const Control* c = find(control);
        return c != nullptr && c->layout.place.height == 0;
    }

    void beginBatchedMoves() override { ++batchDepth_; }

    void endBatchedMoves() override {
        if (batchDepth_ == 0 || --batchDepth_ > 0) return;
        auto moves = std::move(pendingMoves_);
        pendingMoves_.clear();
        change("moves " + std::to_string(moves.size()));
        for (const auto& [control, place] : moves) applyPlace(control, place);
    }

    void setFontName(std::string_view name) override { fontName_ = std::string(name); }
    std::string fontName() const override { return fontName_; }

    void setListRows(int32_t control, std::vector<std::vector<Text1250>> rows) override {
        if (Control* c = find(control)) c->rows = std::move(rows);
    }

    Rect place() const override { return place_; }

    void setPlace(const Rect& place) override {
        Rect& target = state_ == WindowState::Normal ? place_ : normalPlace_;
        const Rect before = place_;
        if (place.width != kNoCoordinate) target.width = place.width;
        if (place.height != kNoCoordinate) target.height = place.height;
        // No larger than the screen (a remembered size may be anything), then within the window's limits.
        target.width = limitWidth(std::min(target.width, HeadlessWindowSystem::kScreen.width));
        target.height = limitHeight(std::min(target.height, HeadlessWindowSystem::kScreen.height));
        if (place.x != kNoCoordinate) target.x = place.x;
        if (place.y != kNoCoordinate) target.y = place.y;
        xAuto_ = place.x == kNoCoordinate;
        yAuto_ = place.y == kNoCoordinate;
        if (state_ == WindowState::Normal) {
            centre();
            keepOnScreen(place_);
            normalPlace_ = place_;
        } else {
            keepOnScreen(normalPlace_);
        }
        postSizedIfChanged(before);
    }

    WindowState state() const override { return state_; }

    void setState(WindowState state) override {
        switch (state) {
            case WindowState::Maximized:
                maximize();
                break;
            case WindowState::Minimized:
                minimize();
                break;
            case WindowState::Normal:
                restore();
                break;
        }
    }

    bool resizable() const override { return layout_.resizable; }

    void setMinimumSize(int32_t width, int32_t height) override {
        minWidth_ = std::max(0, width);
        minHeight_ = std::max(0, height);
        enforceSizeLimits();
    }

    void setMaximumSize(int32_t width, int32_t height) override {
        maxWidth_ = std::max(0, width);
        maxHeight_ = std::max(0, height);
        enforceSizeLimits();
    }

    Text1250 caption() const override { return caption_; }
    void setCaption(const Text1250& caption) override { caption_ = caption; }

    void setBusy(bool busy) override { busy_ = busy; }
    void showProgress(int64_t done, int64_t total) override {
        progressDone_ = done;
        progressTotal_ = total;
    }

    // --- What the scripted user does ---

    void userType(int32_t control, std::string_view typed) {
        Control* c = find(control);
        if (c == nullptr || !canFocus(*c) || c->layout.readOnly || !isEntryKind(c->layout.kind)) return;
        // The entry takes no more than its length, as a real one stops the typing there.
        if (c->layout.maxLength > 0 && typed.size() > c->layout.maxLength) typed = typed.substr(0, c->layout.maxLength);
        Text1250 text = Text1250::fromBytes(typed);
        if (text != c->text) {
            c->text = std::move(text);
            c->modified = true;
        }
    }

    void userFocus(int32_t control) {
        keyCode_ = keys::kMouseLeft;
        Control* c = find(control);
        if (c == nullptr || !canFocus(*c) || control == focused_) return;
        moveFocus(control);
    }

    void userTab(bool backwards) {
        keyCode_ = backwards ? (keys::kShift | keys::kTab) : keys::kTab;
        const int32_t next = nextFocusable(focused_, backwards);
        if (next != 0 && next != focused_) moveFocus(next);
    }

    void userEnter() {
        keyCode_ = keys::kEnter;
        Control* c = find(focused_);
        if (c != nullptr && c->layout.kind == ControlKind::Button) {
            press(*c);
            return;
        }
        if (c != nullptr && isEntryKind(c->layout.kind) && c->modified) {
            // The entry takes its text first; a text it refuses stops the Enter there.
            if (!acceptEntry(*c)) return;
        }
        if (Control* button = defaultButton()) press(*button);
    }

    void userEscape() {
        keyCode_ = keys::kEscape;
        post(Event{EventKind::CloseWindow});
    }

    void userAccessKey(char letter) {
        const char wanted = upper1250(std::string(1, letter))[0];
        keyCode_ = keys::kAlt | static_cast<unsigned char>(wanted);
        const AccessTarget target = accessKeyTarget(
            controls_, wanted, focused_, [](const Control& c) { return !c.hidden && !c.disabled; },
            [this](const Control& c) { return canFocus(c); });
        switch (target.action) {
            case AccessTarget::Action::None:
                system_.beep();  // no control answers to the letter
                return;
            case AccessTarget::Action::Stay:
                return;
            case AccessTarget::Action::Focus:
                moveFocus(target.control);
                return;
            case AccessTarget::Action::Press:
                press(*find(target.control));
                return;
        }
    }

    void userKey(int32_t code) {
        switch (code) {
            case keys::kTab:
                userTab(false);
                return;
            case keys::kShift | keys::kTab:
                userTab(true);
                return;
            case keys::kEnter:
                userEnter();
                return;
            case keys::kEscape:
                userEscape();
                return;
            default:
                break;
        }
        keyCode_ = code;
        if (std::find(alertKeys_.begin(), alertKeys_.end(), code) != alertKeys_.end()) {
            post(Event{EventKind::AlertKey, focused_});
        }
    }

    void userClick(int32_t control) {
        keyCode_ = keys::kMouseLeft;
        Control* c = find(control);
        if (c == nullptr || !canFocus(*c)) return;
        if (c->layout.kind == ControlKind::Button || c->layout.kind == ControlKind::CheckBox) {
            press(*c);
        } else if (control != focused_) {
            moveFocus(control);
        }
    }

    void userCloseBox() { post(Event{EventKind::CloseWindow}); }

    void userResize(int32_t width, int32_t height) {
        if (!layout_.resizable || state_ != WindowState::Normal) return;
        const Rect before = place_;
        place_.width = limitWidth(width);
        place_.height = limitHeight(height);
        if (xAuto_ || yAuto_) centre();
        keepOnScreen(place_);
        normalPlace_ = place_;
        postSizedIfChanged(before);
    }

    void userMove(int32_t x, int32_t y) {
        if (state_ != WindowState::Normal) return;
        place_.x = x;
        place_.y = y;
        xAuto_ = yAuto_ = false;
        keepOnScreen(place_);
        normalPlace_ = place_;
    }

    void userMaximize() {
        if (layout_.resizable) maximize();
    }

    void userDeactivate() { post(Event{EventKind::LoseFocus}); }
    void userActivate() { post(Event{EventKind::GainFocus}); }

    void minimize() {
        if (state_ == WindowState::Minimized) return;
        wasMaximized_ = state_ == WindowState::Maximized;
        state_ = WindowState::Minimized;
        if (open_) post(Event{EventKind::Iconized});
    }

    void maximize() {
        if (state_ == WindowState::Maximized) return;
        const Rect before = place_;
        if (state_ == WindowState::Normal) normalPlace_ = place_;
        state_ = WindowState::Maximized;
        place_ = HeadlessWindowSystem::kScreen;
        if (maxWidth_ > 0) place_.width = std::min(place_.width, maxWidth_);
        if (maxHeight_ > 0) place_.height = std::min(place_.height, maxHeight_);
        postSizedIfChanged(before);
        if (open_) post(Event{EventKind::Maximized});
    }

    void restore() {
        if (state_ == WindowState::Normal) return;
        if (state_ == WindowState::Minimized && wasMaximized_) {
            state_ = WindowState::Maximized;
            wasMaximized_ = false;
            if (open_) post(Event{EventKind::Restored});
            return;
        }
        const Rect before = place_;
        state_ = WindowState::Normal;
        place_ = normalPlace_;
        postSizedIfChanged(before);
        if (open_) post(Event{EventKind::Restored});
    }

  private:
    struct Control : ControlState {
        using ControlState::ControlState;
        bool disabled = false;
        bool modified = false;  // an entry's text changed by the user since it was last shown or taken
        bool checked = false;
        std::vector<std::vector<Text1250>> rows;
    };

    Control* find(int32_t control) {
        for (Control& c : controls_) {
            if (c.layout.number == control) return &c;
        }
        return nullptr;
    }
    const Control* find(int32_t control) const { return const_cast<HeadlessWindow*>(this)->find(control); }

    static bool canFocus(const Control& c) { return isFocusableKind(c.layout.kind) && !c.hidden && !c.disabled; }

    // The control after (or before) the given one in field order that can take the focus; 0 when none can.
    int32_t nextFocusable(int32_t from, bool backwards) const {
        return platform::nextFocusable(controls_, from, backwards, canFocus);
    }

    Control* defaultButton() {
        for (Control& c : controls_) {
            if (c.layout.defaultButton && c.layout.kind == ControlKind::Button && !c.hidden && !c.disabled) return &c;
        }
        return nullptr;
    }

    // The focus leaves the current control (an entry with a change takes it first) for another.
    void moveFocus(int32_t to) {
        if (Control* c = find(focused_); c != nullptr && isEntryKind(c->layout.kind) && c->modified) acceptEntry(*c);
        focused_ = to;
        post(Event{EventKind::Selected, to});
    }

    void focusAwayFrom(int32_t control) {
        const int32_t next = nextFocusable(control, false);
        if (next != 0 && next != control) {
            moveFocus(next);
        } else {
            focused_ = 0;
        }
    }

    // Hands an entry's changed text to its binding: Accepted (and the value shown in its own form) or
    // Rejected (the text stays for the handler to deal with; the variable keeps its value).
    bool acceptEntry(Control& c) {
        c.modified = false;
        if (c.layout.binding && !c.layout.binding->accept(c.text)) {
            post(Event{EventKind::Rejected, c.layout.number});
            return false;
        }
        if (c.layout.binding) showFromBinding(c, true);
        post(Event{EventKind::Accepted, c.layout.number});
        return true;
    }

    // A button pressed or a check box toggled, with the focus moving to it first.
    void press(Control& c) {
        if (c.hidden || c.disabled) return;
        const int32_t number = c.layout.number;
        if (focused_ != number) moveFocus(number);
        if (c.layout.kind == ControlKind::CheckBox) {
            c.checked = !c.checked;
            if (c.layout.binding) c.layout.binding->accept(Text1250::literal(c.checked ? "1" : "0"));
            post(Event{EventKind::Accepted, number});
            return;
        }
        if (c.layout.standardClose) {
            post(Event{EventKind::CloseWindow});
            return;
        }
        post(Event{EventKind::Accepted, number});
    }

    void showFromBinding(Control& c, bool record) {
        const Text1250 value = c.layout.binding->display();
        if (c.layout.kind == ControlKind::CheckBox || c.layout.kind == ControlKind::Radio) {
            c.checked = value == Text1250::literal("1");
            return;
        }
        if (!isEntryKind(c.layout.kind)) return;
        c.modified = false;
        if (c.text == value) return;
        c.text = value;
        if (record) change("text " + std::to_string(c.layout.number) + " " + value.toUtf8());
    }

    // The natural size of a control of "auto" size: 4 units a character of its text, plus the box of a
    // check box or the margins of a button; the height of one line of the kind.
    static Rect withNaturalSize(const Control& c, Rect place) {
        const auto characters = static_cast<int32_t>(withoutAccessMarks(c.text).size());
        if (c.layout.place.width == 0) {
            int32_t width = characters * 4;
            if (c.layout.kind == ControlKind::CheckBox || c.layout.kind == ControlKind::Radio) width += 12;
            if (c.layout.kind == ControlKind::Button) width += 8;
            place.width = width;
        }
        if (c.layout.place.height == 0) {
            switch (c.layout.kind) {
                case ControlKind::Button:
                    place.height = 14;
                    break;
                case ControlKind::Entry:
                case ControlKind::DropList:
                    place.height = 12;
                    break;
                case ControlKind::CheckBox:
                case ControlKind::Radio:
                    place.height = 10;
                    break;
                default:
                    place.height = 8;
                    break;
            }
        }
        return place;
    }

    void applyPlace(int32_t control, const Rect& place) {
        Control* c = find(control);
        if (c == nullptr) return;
        const Rect placed = withNaturalSize(*c, place);
        if (c->place == placed) return;
        c->place = placed;
        change("place " + std::to_string(control) + " " + placeText(placed));
    }

    int32_t limitWidth(int32_t width) const {
        if (maxWidth_ > 0) width = std::min(width, maxWidth_);
        return std::max(width, minWidth_);
    }
    int32_t limitHeight(int32_t height) const {
        if (maxHeight_ > 0) height = std::min(height, maxHeight_);
        return std::max(height, minHeight_);
    }

    void enforceSizeLimits() {
        const Rect before = place_;
        normalPlace_.width = limitWidth(normalPlace_.width);
        normalPlace_.height = limitHeight(normalPlace_.height);
        if (state_ == WindowState::Normal) {
            place_ = normalPlace_;
            keepOnScreen(place_);
            normalPlace_ = place_;
        }
        postSizedIfChanged(before);
    }

    // A coordinate left to the system: the window is centred on the screen.
    void centre() {
        const Rect& screen = HeadlessWindowSystem::kScreen;
        if (xAuto_) place_.x = screen.x + std::max(0, (screen.width - place_.width) / 2);
        if (yAuto_) place_.y = screen.y + std::max(0, (screen.height - place_.height) / 2);
    }

    // The whole window on the screen where it fits, else its top-left corner at the screen's.
    static void keepOnScreen(Rect& r) {
        const Rect& screen = HeadlessWindowSystem::kScreen;
        r.x = clampInt(r.x, screen.x, std::max(screen.x, screen.x + screen.width - r.width));
        r.y = clampInt(r.y, screen.y, std::max(screen.y, screen.y + screen.height - r.height));
    }

    void postSizedIfChanged(const Rect& before) {
        if (open_ && (before.width != place_.width || before.height != place_.height)) {
            post(Event{EventKind::Sized});
        }
    }

    void change(const std::string& what) {
        system_.impl_->changes.push_back(layout_.name + ": " + what);
        system_.impl_->changePositions.push_back(system_.transcript_.size());
    }

    void dispatch(const Event& event, const std::function<EventVerdict(const Event&)>& handler) {
        system_.transcript_.push_back(layout_.name + ": " + std::string(eventKindName(event.kind)) + " " +
                                      std::to_string(event.control));
        const EventVerdict verdict = events_.deliver(event, &handler);
        if (verdict == EventVerdict::EndLoop) {
            endLoop_ = true;
            return;
        }
        if (verdict == EventVerdict::SkipDefault) return;
        if (event.kind == EventKind::CloseWindow || event.kind == EventKind::CloseDown) close();
    }

    HeadlessWindowSystem& system_;
    bool detached_ = false;
    WindowLayout layout_;
    std::vector<Control> controls_;
    std::string fontName_;
    Text1250 caption_;
    Window* owner_ = nullptr;
    bool open_ = false;
    bool endLoop_ = false;

    WindowEvents events_;
    int32_t focused_ = 0;
    int32_t keyCode_ = 0;
    std::vector<int32_t> alertKeys_;

    int batchDepth_ = 0;
    std::vector<std::pair<int32_t, Rect>> pendingMoves_;

    Rect place_;
    Rect normalPlace_;
    bool xAuto_ = true;  // a coordinate the system chose (kNoCoordinate): kept centred as the size changes
    bool yAuto_ = true;
    WindowState state_ = WindowState::Normal;
    bool wasMaximized_ = false;
    int32_t minWidth_ = 0, minHeight_ = 0, maxWidth_ = 0, maxHeight_ = 0;

    bool busy_ = false;
    int64_t progressDone_ = 0;
    int64_t progressTotal_ = 0;
};

// --- HeadlessWindowSystem ---

HeadlessWindowSystem::HeadlessWindowSystem() : impl_(std::make_unique<Impl>(*this, nullptr)) {}

HeadlessWindowSystem::HeadlessWindowSystem(std::ostream& printBoxesTo)
    : impl_(std::make_unique<Impl>(*this, &printBoxesTo)) {}

HeadlessWindowSystem::~HeadlessWindowSystem() {
    // A window kept beyond its system must not reach back into it.
    const auto windows = impl_->windows;
    for (HeadlessWindow* window : windows) window->detach();
}

std::unique_ptr<Window> HeadlessWindowSystem::createWindow(const WindowLayout& layout) {
    return std::make_unique<HeadlessWindow>(*this, layout);
}

MessageBoxes& HeadlessWindowSystem::messageBoxes() {
    return impl_->recording;
}

bool HeadlessWindowSystem::pickFolder(const Text1250& title, Text1250& folder, std::size_t maxLength) {
    const std::string shownTitle = title.toUtf8();
    if (impl_->folderAnswers.empty()) {
        transcript_.push_back("folder " + shownTitle + " -> cancel");
        return false;
    }
    Impl::FolderAnswer answer = std::move(impl_->folderAnswers.front());
    impl_->folderAnswers.pop_front();
    if (!answer.browseTo.empty()) impl_->currentDirectory = answer.browseTo;
    if (!answer.folder) {
        transcript_.push_back("folder " + shownTitle + " -> cancel");
        return false;
    }
    std::string chosen = *answer.folder;
    // The program's folder settings end with a separator; the picker gives them one.
    if (chosen.empty() || (chosen.back() != '/' && chosen.back() != '\\')) chosen += '/';
    if (maxLength > 0 && chosen.size() > maxLength) chosen.resize(maxLength);
    transcript_.push_back("folder " + shownTitle + " -> " + cp1250ToUtf8(chosen));
    folder = Text1250::fromBytes(chosen);  // the scripted answer is Windows-1250, as the tests write it
    return true;
}

void HeadlessWindowSystem::beep() {
    transcript_.push_back("beep");
}

std::string HeadlessWindowSystem::currentDirectory() const {
    return impl_->currentDirectory;
}

bool HeadlessWindowSystem::setCurrentDirectory(std::string_view directory) {
    if (directory.empty()) return false;
    impl_->currentDirectory = std::string(directory);
    return true;
}

std::vector<std::string> HeadlessWindowSystem::transcript(std::string_view prefix) const {
    std::vector<std::string> lines;
    for (const std::string& line : transcript_) {
        if (line.starts_with(prefix)) lines.push_back(line);
    }
    return lines;
}

const std::vector<MessageBoxRequest>& HeadlessWindowSystem::shownBoxes() const {
    return impl_->boxes.shown();
}

const std::vector<std::string>& HeadlessWindowSystem::changes() const {
    return impl_->changes;
}

const std::vector<std::size_t>& HeadlessWindowSystem::changePositions() const {
    return impl_->changePositions;
}

std::vector<Window*> HeadlessWindowSystem::openWindows() const {
    std::vector<Window*> result;
    for (HeadlessWindow* w : impl_->windows) {
        if (!w->isOpen()) result.push_back(w);
    }
    for (HeadlessWindow* w : impl_->openStack) result.push_back(w);
    return result;
}

// --- ScriptedUser ---

namespace {
HeadlessWindow& headless(Window& window) {
    return static_cast<HeadlessWindow&>(window);
}
}  // namespace

ScriptedUser& ScriptedUser::type(int32_t control, std::string_view text) {
    // Two steps, as a person does it: the focus arrives (and its handlers run) before the typing.
    steps_.emplace_back([control](Window& w) { headless(w).userFocus(control); });
    steps_.emplace_back([control, text = std::string(text)](Window& w) { headless(w).userType(control, text); });
    return *this;
}

ScriptedUser& ScriptedUser::enter(int32_t control, std::string_view text) {
    return type(control, text).pressTab();
}

ScriptedUser& ScriptedUser::pressTab() {
    steps_.emplace_back([](Window& w) { headless(w).userTab(false); });
    return *this;
}

ScriptedUser& ScriptedUser::pressShiftTab() {
    steps_.emplace_back([](Window& w) { headless(w).userTab(true); });
    return *this;
}

ScriptedUser& ScriptedUser::pressEnter() {
    steps_.emplace_back([](Window& w) { headless(w).userEnter(); });
    return *this;
}

ScriptedUser& ScriptedUser::pressEscape() {
    steps_.emplace_back([](Window& w) { headless(w).userEscape(); });
    return *this;
}

ScriptedUser& ScriptedUser::pressAccessKey(char letter) {
    steps_.emplace_back([letter](Window& w) { headless(w).userAccessKey(letter); });
    return *this;
}

ScriptedUser& ScriptedUser::pressKey(int32_t keyCode) {
    steps_.emplace_back([keyCode](Window& w) { headless(w).userKey(keyCode); });
    return *this;
}

ScriptedUser& ScriptedUser::click(int32_t control) {
    steps_.emplace_back([control](Window& w) { headless(w).userClick(control); });
    return *this;
}

ScriptedUser& ScriptedUser::focus(int32_t control) {
    steps_.emplace_back([control](Window& w) { headless(w).userFocus(control); });
    return *this;
}

ScriptedUser& ScriptedUser::closeBox() {
    steps_.emplace_back([](Window& w) { headless(w).userCloseBox(); });
    return *this;
}

ScriptedUser& ScriptedUser::resizeTo(int32_t width, int32_t height) {
    steps_.emplace_back([width, height](Window& w) { headless(w).userResize(width, height); });
    return *this;
}

ScriptedUser& ScriptedUser::resizeBy(int32_t dWidth, int32_t dHeight) {
    steps_.emplace_back([dWidth, dHeight](Window& w) {
        const Rect place = w.place();
        headless(w).userResize(place.width + dWidth, place.height + dHeight);
    });
    return *this;
}

ScriptedUser& ScriptedUser::moveTo(int32_t x, int32_t y) {
    steps_.emplace_back([x, y](Window& w) { headless(w).userMove(x, y); });
    return *this;
}

ScriptedUser& ScriptedUser::maximize() {
    steps_.emplace_back([](Window& w) { headless(w).userMaximize(); });
    return *this;
}

ScriptedUser& ScriptedUser::minimize() {
    steps_.emplace_back([](Window& w) { headless(w).minimize(); });
    return *this;
}

ScriptedUser& ScriptedUser::restore() {
    steps_.emplace_back([](Window& w) { headless(w).restore(); });
    return *this;
}

ScriptedUser& ScriptedUser::deactivate() {
    steps_.emplace_back([](Window& w) { headless(w).userDeactivate(); });
    return *this;
}

ScriptedUser& ScriptedUser::activate() {
    steps_.emplace_back([](Window& w) { headless(w).userActivate(); });
    return *this;
}

ScriptedUser& ScriptedUser::check(std::function<void(Window&)> check) {
    steps_.emplace_back(std::move(check));
    return *this;
}

ScriptedUser& ScriptedUser::answerMessageBox(unsigned button) {
    system_.impl_->boxes.queueAnswer(button);
    return *this;
}

ScriptedUser& ScriptedUser::answerFolderPicker(std::optional<std::string> folder, std::string browseTo) {
    system_.impl_->folderAnswers.push_back({std::move(folder), std::move(browseTo)});
    return *this;
}

std::size_t ScriptedUser::pendingSteps() const {
    return steps_.size();
}

}  // namespace kirva::platform
