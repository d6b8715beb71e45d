// One window of the Qt window system: a top-level widget with the layout's controls placed in pixels
// worked out from dialog units, delivering the events of the interface in the order the headless windows
// deliver them.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <memory>

#include "platform/qt/qt_window_system.h"
#include "platform/window/window_parts.h"

class QEventLoop;
class QLabel;
class QProgressBar;
class QStatusBar;

namespace kirva::platform::qt {

class QtWindow final : public QObject, public Window {
  public:
    QtWindow(QtWindowSystem& system, const WindowLayout& layout);
    ~QtWindow() override;
    QtWindow(const QtWindow&) = delete;
    QtWindow& operator=(const QtWindow&) = delete;

    void open(Window* owner) override;
    bool isOpen() const override { return open_; }
    void runEventLoop(const std::function<EventVerdict(const Event&)>& handler) override;
    void post(const Event& event, bool front = false) override;
    void close() override;
    void notify(uint32_t code, uint64_t thread, int64_t parameter) override;
    int registerHandler(EventKind kind, std::function<EventVerdict(const Event&)> handler) override;
    void unregisterHandler(int id) override;

    const Event& currentEvent() const override { return events_.current(); }
    int32_t acceptedControl() const override { return events_.acceptedControl(); }
    int32_t focusedControl() const override { return focused_; }
    int32_t keyCode() const override { return keyCode_; }
    void clearKeyCode() override { keyCode_ = 0; }
    void registerAlertKey(int32_t keyCode) override;

    std::vector<int32_t> controls() const override;
    ControlKind controlKind(int32_t control) const override;
    int32_t controlParent(int32_t control) const override;
    void select(int32_t control) override;
    void selectNext(int32_t control) override;
    void display(int32_t control = 0) override;
    void updateBindings() override;
    Text1250 text(int32_t control) const override;
    void setText(int32_t control, const Text1250& text) override;
    void setImage(int32_t control, std::string_view role) override;
    std::string image(int32_t control) const override;
    void setHidden(int32_t control, bool hidden) override;
    bool isHidden(int32_t control) const override;
    void setDisabled(int32_t control, bool disabled) override;
    bool isDisabled(int32_t control) const override;
    Rect controlPlace(int32_t control) const override;
    void setControlPlace(int32_t control, const Rect& place) override;
    bool autoWidth(int32_t control) const override;
    bool autoHeight(int32_t control) const override;
    void beginBatchedMoves() override;
    void endBatchedMoves() override;
    void setFontName(std::string_view name) override { fontName_ = std::string(name); }
    std::string fontName() const override { return fontName_; }
    void setListRows(int32_t control, std::vector<std::vector<Text1250>> rows) override;

    Rect place() const override;
    void setPlace(const Rect& place) override;
    WindowState state() const override;
    void setState(WindowState state) override;
    bool resizable() const override { return layout_.resizable; }
    void setMinimumSize(int32_t width, int32_t height) override;
    void setMaximumSize(int32_t width, int32_t height) override;
    Text1250 caption() const override;
    void setCaption(const Text1250& caption) override;
    void setBusy(bool busy) override;
    void showProgress(int64_t done, int64_t total) override;

    // For tests and the desktop program: the top-level widget, a control's widget, the unit scale.
    QWidget* widget() const { return widget_.get(); }
    QWidget* controlWidget(int32_t control) const;
    DialogUnits units() const { return units_; }
    QStatusBar* statusBar() const { return statusBar_; }
    // Called by the system when the window's loop is again the innermost one.
    void scheduleDrain();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Control : ControlState {  // text: the label of a non-entry; an entry's is in its widget
        using ControlState::ControlState;
        QWidget* widget = nullptr;  // owned by the window's widget tree
        Text1250 lastShown;         // an entry's text as last shown from its binding or set by the program
    };

    void buildControl(Control& c);
    void applyText(Control& c);
    void applyImage(Control& c);
    void placeControl(Control& c);
    Control* find(int32_t control);
    const Control* find(int32_t control) const;
    Control* findWidget(const QObject* object);
    bool canFocus(const Control& c) const;
    int32_t nextFocusable(int32_t from, bool backwards) const;
    // The focus moves on from a control that is hidden or disabled while it has it.
    void focusAwayFrom(int32_t control);
    bool entryModified(const Control& c) const;
    bool acceptEntry(Control& c);
    void press(Control& c);
    void accessKey(QChar letter);
    void enterKey();
    void showFromBinding(Control& c);
    void layoutFrame();
    int statusHeight() const;
    QSize clientPixels() const;
    Rect clientUnits() const;
    void applyPlace(const QPoint* position, QSize clientSize);
    void scheduleSettle();
    void settle();
    void drain();
    void dispatch(const Event& event);
    void setActive(bool active);

    QtWindowSystem& system_;
    WindowLayout layout_;
    std::unique_ptr<QWidget> widget_;
    QWidget* client_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QProgressBar* progress_ = nullptr;
    DialogUnits units_;
    std::vector<Control> controls_;
    QHash<const QObject*, int32_t> widgetControl_;
    std::string fontName_;

    bool open_ = false;
    bool active_ = false;
    bool closingByUs_ = false;
    bool xAuto_ = true;
    bool yAuto_ = true;
    bool busy_ = false;
    int32_t minWidth_ = 0, minHeight_ = 0, maxWidth_ = 0, maxHeight_ = 0;
    Rect lastSize_;
    WindowState lastState_ = WindowState::Normal;
    bool settlePending_ = false;

    WindowEvents events_;
    const std::function<EventVerdict(const Event&)>* handler_ = nullptr;
    QEventLoop* loop_ = nullptr;
    bool endLoop_ = false;
    bool draining_ = false;

    int32_t focused_ = 0;
    int32_t keyCode_ = 0;
    std::vector<int32_t> alertKeys_;
    int batchDepth_ = 0;
    std::vector<std::pair<int32_t, Rect>> pendingMoves_;
};

}  // namespace kirva::platform::qt
