// Widgets here are created with `new` and handed to their parent widget, which owns and deletes them: that
// is Qt's ownership model, and the one place in the program where a raw `new` is right. The top-level
// widget itself is held by a unique_ptr.
#include "platform/qt/qt_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFile>
#include <QFocusEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QSvgRenderer>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <limits>

#include "platform/qt/qt_text.h"
#include "platform/text1250.h"
#include "platform/window/window_parts.h"

namespace kirva::platform::qt {

namespace {

// A label's text with its access key underlined; blanks kept as the layout has them.
QString labelHtml(const QString& text) {
    QString html;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        bool underline = false;
        if (c == u'&' && i + 1 < text.size()) {
            underline = text[i + 1] != u'&';
            c = text[++i];
        }
        QString piece = c == u' ' ? QStringLiteral("&nbsp;") : QString(c).toHtmlEscaped();
        html += underline ? QStringLiteral("<u>") + piece + QStringLiteral("</u>") : piece;
    }
    return html;
}

// An image of the program's own resources by role (":/images/<role>.svg", or .png); null when missing.
QPixmap rolePixmap(const std::string& role, QSize size) {
    if (role.empty() || size.isEmpty()) return {};
    const QString base = QStringLiteral(":/images/") + QString::fromStdString(role);  // roles are ASCII names
    for (const QString& path : {base + QStringLiteral(".svg"), base, base + QStringLiteral(".png")}) {
        if (!QFile::exists(path)) continue;
        if (path.endsWith(QStringLiteral(".svg"))) {
            QSvgRenderer renderer(path);
            if (!renderer.isValid()) return {};
            QPixmap pixmap(size);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            renderer.render(&painter);
            return pixmap;
        }
        QPixmap pixmap(path);
        if (!pixmap.isNull()) return pixmap.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return {};
}

int32_t keyCodeOf(const QKeyEvent& key) {
    int32_t code = 0;
    const int k = key.key();
    if (k >= Qt::Key_F1 && k <= Qt::Key_F12) {
        code = keys::kF1 + (k - Qt::Key_F1);
    } else if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9)) {
        code = k;  // Qt's codes of letters and digits are their upper-case ASCII
    } else if (k == Qt::Key_Tab || k == Qt::Key_Backtab) {
        code = keys::kTab;
    } else if (k == Qt::Key_Return || k == Qt::Key_Enter) {
        code = keys::kEnter;
    } else if (k == Qt::Key_Escape) {
        code = keys::kEscape;
    } else if (k > 0 && k < 0x7F) {
        code = k;
    } else {
        code = 0x10000 + (k & 0xFFFF);
    }
    const auto modifiers = key.modifiers();
    if ((modifiers & Qt::ShiftModifier) || k == Qt::Key_Backtab) code |= keys::kShift;
    if (modifiers & Qt::ControlModifier) code |= keys::kCtrl;
    if (modifiers & Qt::AltModifier) code |= keys::kAlt;
    return code;
}

bool ignoredFocusReason(Qt::FocusReason reason) {
    // Focus that comes and goes with the window's activation or a popup is no move of the user's.
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

}  // namespace

QtWindow::QtWindow(QtWindowSystem& system, const WindowLayout& layout)
    : system_(system), layout_(layout), widget_(std::make_unique<QWidget>(nullptr, Qt::Window)) {
    widget_->setObjectName(QString::fromStdString(layout.name));
    widget_->setWindowTitle(toQString(layout.caption));
    widget_->setFont(QFont(QString::fromStdString(layout.fontName), layout.fontPoints));
    widget_->setAttribute(Qt::WA_DeleteOnClose, false);
    units_ = dialogUnitsOf(widget_->font());
    fontName_ = layout.fontName;
    if (!layout.icon.empty()) {
        const QPixmap icon = rolePixmap(layout.icon, QSize(32, 32));
        if (!icon.isNull()) widget_->setWindowIcon(QIcon(icon));
    }

    client_ = new QWidget(widget_.get());
    client_->setObjectName(QStringLiteral("client"));
    client_->setFocusPolicy(Qt::NoFocus);
    if (layout.statusBar) {
        statusBar_ = new QStatusBar(widget_.get());
        statusBar_->setSizeGripEnabled(layout.resizable);
        progress_ = new QProgressBar(statusBar_);
        progress_->setMaximumWidth(units_.toPixelsX(100));
        progress_->setTextVisible(false);
        statusBar_->addPermanentWidget(progress_);
        progress_->hide();
    }

    controls_.reserve(layout.controls.size());
    for (const ControlLayout& cl : layout.controls) controls_.emplace_back(cl);
    QWidget* previous = nullptr;
    for (Control& c : controls_) {
        buildControl(c);
        if (c.widget->focusPolicy() != Qt::NoFocus) {
            if (previous != nullptr) QWidget::setTabOrder(previous, c.widget);
            previous = c.widget;
        }
    }

    widget_->installEventFilter(this);
    client_->installEventFilter(this);
    widget_->resize(units_.toPixelsX(layout.width), units_.toPixelsY(layout.height) + statusHeight());
    if (!layout.resizable) widget_->setFixedSize(widget_->size());
    layoutFrame();
}

QtWindow::~QtWindow() {
    if (open_) close();
    if (busy_) QApplication::restoreOverrideCursor();
    // No event of the widgets' own destruction may reach this half-destroyed object.
    for (const Control& c : controls_) c.widget->removeEventFilter(this);
    client_->removeEventFilter(this);
    widget_->removeEventFilter(this);
    widget_.reset();
}

void QtWindow::buildControl(Control& c) {
    const ControlLayout& cl = c.layout;
    QWidget* w = nullptr;
    switch (cl.kind) {
        case ControlKind::Prompt:
        case ControlKind::Text: {
            auto* label = new QLabel(client_);
            if (cl.grey) {
                QPalette palette = label->palette();
                palette.setColor(QPalette::WindowText, palette.color(QPalette::Disabled, QPalette::WindowText));
                label->setPalette(palette);
            }
            w = label;
            break;
        }
        case ControlKind::Entry:
        case ControlKind::DropList: {
            auto* edit = new QLineEdit(client_);
            if (cl.maxLength > 0) {
                edit->setMaxLength(static_cast<int>(std::min<std::size_t>(cl.maxLength, 32767)));
            }
            edit->setReadOnly(cl.readOnly);
            w = edit;
            break;
        }
        case ControlKind::Button: {
            auto* button = new QPushButton(client_);
            button->setDefault(cl.defaultButton);
            button->setAutoDefault(false);
            const int32_t number = cl.number;
            connect(button, &QPushButton::clicked, this, [this, number] {
                const Control* pressed = find(number);
                if (pressed == nullptr) return;
                post(pressed->layout.standardClose ? Event{EventKind::CloseWindow}
                                                   : Event{EventKind::Accepted, number});
            });
            w = button;
            break;
        }
        case ControlKind::CheckBox:
        case ControlKind::Radio: {
            QAbstractButton* box = nullptr;
            if (cl.kind == ControlKind::CheckBox) {
                box = new QCheckBox(client_);
            } else {
                box = new QRadioButton(client_);
            }
            const int32_t number = cl.number;
            connect(box, &QAbstractButton::clicked, this, [this, number](bool checked) {
                Control* toggled = find(number);
                if (toggled == nullptr) return;
                if (toggled->layout.binding) toggled->layout.binding->accept(Text1250::literal(checked ? "1" : "0"));
                post(Event{EventKind::Accepted, number});
            });
            w = box;
            break;
        }
        case ControlKind::Image: {
            auto* label = new QLabel(client_);
            label->setAlignment(Qt::AlignCenter);
            w = label;
            break;
        }
        case ControlKind::Line: {
            auto* line = new QFrame(client_);
            line->setFrameShape(cl.place.height > cl.place.width ? QFrame::VLine : QFrame::HLine);
            if (!cl.colour.empty()) {
                line->setFrameShadow(QFrame::Plain);
                QPalette palette = line->palette();
                palette.setColor(QPalette::WindowText, QColor(QString::fromStdString(cl.colour)));
                line->setPalette(palette);
            } else {
                line->setFrameShadow(QFrame::Sunken);
            }
            w = line;
            break;
        }
        case ControlKind::Group:
        case ControlKind::Option: {
            w = new QGroupBox(client_);
            break;
        }
        case ControlKind::Box: {
            auto* frame = new QFrame(client_);
            frame->setFrameShape(QFrame::Box);
            w = frame;
            break;
        }
        case ControlKind::List: {
            auto* list = new QTreeWidget(client_);
            list->setRootIsDecorated(false);
            list->setColumnCount(static_cast<int>(std::max<std::size_t>(cl.columns.size(), 1)));
            QStringList headings;
            for (const ListColumn& column : cl.columns) headings << toQString(column.heading);
            list->setHeaderLabels(headings);
            for (std::size_t i = 0; i < cl.columns.size(); ++i) {
                list->setColumnWidth(static_cast<int>(i), units_.toPixelsX(cl.columns[i].width));
            }
            const int32_t number = cl.number;
            connect(list, &QTreeWidget::currentItemChanged, this, [this, number] {
                post(Event{EventKind::NewSelection, number});
            });
            w = list;
            break;
        }
        default: {
            w = new QWidget(client_);
            break;
        }
    }
    c.widget = w;
    w->setObjectName(QStringLiteral("control%1").arg(cl.number));
    w->setFocusPolicy(isFocusableKind(cl.kind) ? Qt::StrongFocus : Qt::NoFocus);
    if (!cl.tooltip.empty()) w->setToolTip(toQString(cl.tooltip));
    widgetControl_.insert(w, cl.number);
    w->installEventFilter(this);
    applyText(c);
    showFromBinding(c);
    placeControl(c);
    applyImage(c);
    w->setVisible(!c.hidden);
}

void QtWindow::applyText(Control& c) {
    const QString text = toQString(c.text);
    switch (c.layout.kind) {
        case ControlKind::Prompt:
        case ControlKind::Text: {
            auto* label = static_cast<QLabel*>(c.widget);
            if (accessKeyOf(c.text) == 0) {
                label->setTextFormat(Qt::PlainText);
                label->setText(toQString(withoutAccessMarks(c.text)));
            } else {
                label->setTextFormat(Qt::RichText);
                label->setText(labelHtml(text));
            }
            break;
        }
        case ControlKind::Button:
        case ControlKind::CheckBox:
        case ControlKind::Radio: {
            auto* button = static_cast<QAbstractButton*>(c.widget);
            button->setText(text);
            // The window answers its access keys itself, in the order of its events; Qt's own shortcut
            // (which clicks later, on a timer) is dropped, the underlined letter stays.
            button->setShortcut(QKeySequence());
            break;
        }
        case ControlKind::Group:
        case ControlKind::Option:
            static_cast<QGroupBox*>(c.widget)->setTitle(toQString(withoutAccessMarks(c.text)));
            break;
        case ControlKind::Entry:
        case ControlKind::DropList:
            if (!c.layout.binding && !c.text.empty()) {
                auto* edit = static_cast<QLineEdit*>(c.widget);
                edit->setText(text);
                c.lastShown = c.text;
            }
            break;
        default:
            break;
    }
}

void QtWindow::applyImage(Control& c) {
    if (c.layout.kind == ControlKind::Image) {
        // A role without a picture of ours shows nothing.
        static_cast<QLabel*>(c.widget)->setPixmap(rolePixmap(c.image, c.widget->size()));
    } else if (c.layout.kind == ControlKind::Button) {
        auto* button = static_cast<QPushButton*>(c.widget);
        const int side = std::max(8, std::min(c.widget->height() - 6, 16));
        const QPixmap pixmap = rolePixmap(c.image, QSize(side, side));
        button->setIcon(pixmap.isNull() ? QIcon() : QIcon(pixmap));
        button->setIconSize(QSize(side, side));
    }
}

void QtWindow::placeControl(Control& c) {
    const bool autoW = c.layout.place.width == 0;
    const bool autoH = c.layout.place.height == 0;
    const QSize hint = c.widget->sizeHint();
    const int width = autoW ? hint.width() : units_.toPixelsX(c.place.width);
    const int height = autoH ? hint.height() : units_.toPixelsY(c.place.height);
    if (autoW) c.place.width = units_.toUnitsXCeil(width);
    if (autoH) c.place.height = units_.toUnitsYCeil(height);
    c.widget->setGeometry(units_.toPixelsX(c.place.x), units_.toPixelsY(c.place.y), width, height);
}

QtWindow::Control* QtWindow::find(int32_t control) {
    for (Control& c : controls_) {
        if (c.layout.number == control) return &c;
    }
    return nullptr;
}

const QtWindow::Control* QtWindow::find(int32_t control) const {
    for (const Control& c : controls_) {
        if (c.layout.number == control) return &c;
    }
    return nullptr;
}

QtWindow::Control* QtWindow::findWidget(const QObject* object) {
    const auto found = widgetControl_.constFind(object);
    return found == widgetControl_.constEnd() ? nullptr : find(found.value());
}

QWidget* QtWindow::controlWidget(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr ? c->widget : nullptr;
}

bool QtWindow::canFocus(const Control& c) const {
    return isFocusableKind(c.layout.kind) && !c.hidden && c.widget->isEnabled();
}

int32_t QtWindow::nextFocusable(int32_t from, bool backwards) const {
    return platform::nextFocusable(controls_, from, backwards, [this](const Control& c) { return canFocus(c); });
}

// --- Opening, the loop, closing ---

void QtWindow::open(Window* owner) {
    if (open_) return;
    auto& open = system_.openWindows();
    if (!open.empty()) {
        // Modal to the whole program, as the windows of one thread have always been.
        widget_->setWindowModality(Qt::ApplicationModal);
        open.back()->setActive(false);
    }
    open.push_back(this);
    widget_->winId();  // the native window exists from here on, for the owner link
    if (auto* ownerWindow = dynamic_cast<QtWindow*>(owner);
        ownerWindow != nullptr && ownerWindow->widget_->windowHandle() != nullptr) {
        widget_->windowHandle()->setTransientParent(ownerWindow->widget_->windowHandle());
    }
    applyPlace(nullptr, clientPixels());
    // Nothing of the layout has the focus until the program or the user puts it somewhere.
    client_->setFocus(Qt::OtherFocusReason);
    widget_->show();
    if (QGuiApplication::platformName() != QStringLiteral("offscreen")) widget_->raise();
    widget_->activateWindow();
    open_ = true;
    lastSize_ = clientUnits();
    lastState_ = state();
    active_ = true;
    post(Event{EventKind::OpenWindow});
    post(Event{EventKind::GainFocus});
}

void QtWindow::setActive(bool active) {
    if (active_ == active || !open_) return;
    active_ = active;
    post(Event{active ? EventKind::GainFocus : EventKind::LoseFocus});
}

void QtWindow::runEventLoop(const std::function<EventVerdict(const Event&)>& handler) {
    if (!open_) return;
    QEventLoop loop;
    const auto* outerHandler = handler_;
    QEventLoop* outerLoop = loop_;
    handler_ = &handler;
    loop_ = &loop;
    endLoop_ = false;
    auto& loops = system_.runningLoops();
    loops.push_back(this);
    scheduleDrain();
    loop.exec();
    loops.erase(std::remove(loops.begin(), loops.end(), this), loops.end());
    handler_ = outerHandler;
    loop_ = outerLoop;
    if (open_) close();
    if (!loops.empty()) loops.back()->scheduleDrain();
}

void QtWindow::post(const Event& event, bool front) {
    events_.post(event, front);
    scheduleDrain();
}

void QtWindow::notify(uint32_t code, uint64_t thread, int64_t parameter) {
    Event event{EventKind::Notify};
    event.notifyCode = code;
    event.notifyThread = thread;
    event.notifyParameter = parameter;
    events_.post(event);
    // Queued to this object's thread, the user-interface thread; dropped if the window is gone by then.
    QMetaObject::invokeMethod(
        this, [this] { drain(); }, Qt::QueuedConnection);
}

void QtWindow::scheduleDrain() {
    QMetaObject::invokeMethod(
        this, [this] { drain(); }, Qt::QueuedConnection);
}

// Works off the queue while this window's loop is the innermost one; a nested window's loop drains its
// own queue, and this one continues when that loop has ended. A handler is never entered again before it
// returns: while one runs (draining_), Qt may run too (the progress repaint's processEvents, a message
// box's or the folder picker's own loop) and deliver a queued drain, which then returns at once; what was
// posted meanwhile waits in the queue, and the loop below takes it after the handler, in its order.
void QtWindow::drain() {
    if (loop_ == nullptr || draining_) return;
    const auto& loops = system_.runningLoops();
    if (loops.empty() || loops.back() != this) return;
    draining_ = true;
    while (open_ && !endLoop_) {
        const std::optional<Event> event = events_.take();
        if (!event) break;
        dispatch(*event);
    }
    draining_ = false;
    if ((!open_ || endLoop_) && loop_ != nullptr) loop_->quit();
}

void QtWindow::dispatch(const Event& event) {
    EventVerdict verdict = EventVerdict::Normal;
    // No exception may cross Qt's event loop: one that escapes a handler is reported and the event
    // counts as handled normally.
    try {
        verdict = events_.deliver(event, handler_);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kirva: %s: %s\n", layout_.name.c_str(), error.what());
    } catch (...) {
        std::fprintf(stderr, "kirva: %s: unknown error in an event handler\n", layout_.name.c_str());
    }
    if (verdict == EventVerdict::EndLoop) {
        endLoop_ = true;
        return;
    }
    if (verdict == EventVerdict::SkipDefault) return;
    if (event.kind == EventKind::CloseWindow || event.kind == EventKind::CloseDown) close();
}

void QtWindow::close() {
    if (!open_) return;
    open_ = false;
    events_.clear();
    closingByUs_ = true;
    widget_->hide();
    closingByUs_ = false;
    auto& open = system_.openWindows();
    const bool wasInnermost = !open.empty() && open.back() == this;
    open.erase(std::remove(open.begin(), open.end(), this), open.end());
    if (wasInnermost && !open.empty()) {
        QtWindow* back = open.back();
        back->setActive(true);
        back->widget_->activateWindow();
    }
    if (loop_ != nullptr) loop_->quit();
}

int QtWindow::registerHandler(EventKind kind, std::function<EventVerdict(const Event&)> handler) {
    return events_.registerHandler(kind, std::move(handler));
}

void QtWindow::unregisterHandler(int id) {
    events_.unregisterHandler(id);
}

void QtWindow::registerAlertKey(int32_t keyCode) {
    if (std::find(alertKeys_.begin(), alertKeys_.end(), keyCode) == alertKeys_.end()) alertKeys_.push_back(keyCode);
}

// --- The user at the keyboard and the mouse ---

bool QtWindow::eventFilter(QObject* watched, QEvent* event) {
    Control* c = findWidget(watched);
    switch (event->type()) {
        case QEvent::FocusIn: {
            if (c == nullptr) break;
            if (statusBar_ != nullptr) statusBar_->showMessage(toQString(c->layout.statusText));
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (!ignoredFocusReason(reason) && focused_ != c->layout.number) {
                focused_ = c->layout.number;
                post(Event{EventKind::Selected, focused_});
            }
            break;
        }
        case QEvent::FocusOut: {
            if (c == nullptr || !isEntryKind(c->layout.kind)) break;
            if (!ignoredFocusReason(static_cast<QFocusEvent*>(event)->reason()) && entryModified(*c)) acceptEntry(*c);
            break;
        }
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            const int k = key->key();
            const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
            keyCode_ = keyCodeOf(*key);
            if (modifiers == Qt::AltModifier &&
                ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9) ||
                 (!key->text().isEmpty() && key->text()[0].isLetter()))) {
                accessKey(key->text().isEmpty() ? QChar(k) : key->text()[0]);
                return true;
            }
            if ((k == Qt::Key_Return || k == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
                enterKey();
                return true;
            }
            if (k == Qt::Key_Escape && modifiers == Qt::NoModifier) {
                post(Event{EventKind::CloseWindow});
                return true;
            }
            if (std::find(alertKeys_.begin(), alertKeys_.end(), keyCode_) != alertKeys_.end()) {
                post(Event{EventKind::AlertKey, focused_});
                return true;
            }
            break;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const bool twice = event->type() == QEvent::MouseButtonDblClick;
            switch (mouse->button()) {
                case Qt::LeftButton:
                    keyCode_ = twice ? keys::kMouseLeft2 : keys::kMouseLeft;
                    break;
                case Qt::RightButton:
                    keyCode_ = twice ? keys::kMouseRight2 : keys::kMouseRight;
                    break;
                case Qt::MiddleButton:
                    keyCode_ = twice ? keys::kMouseCenter2 : keys::kMouseCenter;
                    break;
                default:
                    break;
            }
            break;
        }
        case QEvent::Close: {
            if (watched != widget_.get() || closingByUs_) break;
            // The close box asks; the window closes when the handlers let the CloseWindow event through.
            event->ignore();
            if (open_) post(Event{EventKind::CloseWindow});
            return true;
        }
        case QEvent::Resize: {
            if (watched == widget_.get()) {
                layoutFrame();
                scheduleSettle();
            }
            break;
        }
        case QEvent::WindowStateChange: {
            if (watched == widget_.get()) scheduleSettle();
            break;
        }
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate: {
            // Our own boxes and pickers take the activation for a moment; that is no change of the user's.
            if (watched == widget_.get() && !system_.ownModalShowing()) {
                setActive(event->type() == QEvent::WindowActivate);
            }
            break;
        }
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

bool QtWindow::entryModified(const Control& c) const {
    const auto* edit = static_cast<const QLineEdit*>(c.widget);
    return edit->isModified() && fromQStringLossy(edit->text()) != c.lastShown;
}

bool QtWindow::acceptEntry(Control& c) {
    auto* edit = static_cast<QLineEdit*>(c.widget);
    edit->setModified(false);
    const auto typed = fromQString(edit->text());
    if (c.layout.binding && (!typed || !c.layout.binding->accept(*typed))) {
        post(Event{EventKind::Rejected, c.layout.number});
        return false;
    }
    if (!typed) {
        post(Event{EventKind::Rejected, c.layout.number});
        return false;
    }
    if (c.layout.binding) {
        showFromBinding(c);
    } else {
        c.lastShown = *typed;
    }
    post(Event{EventKind::Accepted, c.layout.number});
    return true;
}

// A button pressed, a check box toggled: the focus moves to it first (leaving an entry takes its change),
// then it is clicked, which raises its Accepted.
void QtWindow::press(Control& c) {
    if (c.hidden || !c.widget->isEnabled()) return;
    if (focused_ != c.layout.number) select(c.layout.number);
    static_cast<QAbstractButton*>(c.widget)->click();
}

void QtWindow::accessKey(QChar letter) {
    // The layouts' texts are Windows-1250: a letter outside it is the access key of no control.
    const std::optional<Text1250> typed = fromQString(QString(letter));
    const char wanted = typed && typed->size() == 1 ? upper1250(typed->bytes())[0] : '\0';
    const AccessTarget target = accessKeyTarget(
        controls_, wanted, focused_, [](const Control& c) { return !c.hidden && c.widget->isEnabled(); },
        [this](const Control& c) { return canFocus(c); });
    switch (target.action) {
        case AccessTarget::Action::None:
            system_.beep();
            return;
        case AccessTarget::Action::Stay:
            return;
        case AccessTarget::Action::Focus:
            select(target.control);
            return;
        case AccessTarget::Action::Press:
            press(*find(target.control));
            return;
    }
}

void QtWindow::enterKey() {
    Control* c = find(focused_);
    if (c != nullptr && c->layout.kind == ControlKind::Button) {
        press(*c);
        return;
    }
    if (c != nullptr && isEntryKind(c->layout.kind) && entryModified(*c)) {
        if (!acceptEntry(*c)) return;
    }
    for (Control& button : controls_) {
        if (button.layout.defaultButton && button.layout.kind == ControlKind::Button && !button.hidden &&
            button.widget->isEnabled()) {
            press(button);
            return;
        }
    }
}

// --- Controls ---

std::vector<int32_t> QtWindow::controls() const {
    std::vector<int32_t> numbers;
    for (const Control& c : controls_) numbers.push_back(c.layout.number);
    return numbers;
}

ControlKind QtWindow::controlKind(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr ? c->layout.kind : ControlKind::Text;
}

int32_t QtWindow::controlParent(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr ? c->layout.parent : 0;
}

void QtWindow::select(int32_t control) {
    Control* c = find(control);
    if (c == nullptr || !canFocus(*c)) return;
    if (control == focused_) {
        c->widget->setFocus(Qt::OtherFocusReason);
        post(Event{EventKind::Selected, control});
        return;
    }
    Control* previous = find(focused_);
    c->widget->setFocus(Qt::OtherFocusReason);
    if (focused_ == control) return;  // the focus events did it all
    // An inactive window moves its focus without focus events: do what they would have done.
    if (previous != nullptr && isEntryKind(previous->layout.kind) && entryModified(*previous)) acceptEntry(*previous);
    focused_ = control;
    if (statusBar_ != nullptr) statusBar_->showMessage(toQString(c->layout.statusText));
    post(Event{EventKind::Selected, control});
}

void QtWindow::selectNext(int32_t control) {
    const int32_t next = nextFocusable(control, false);
    if (next != 0) select(next);
}

void QtWindow::showFromBinding(Control& c) {
    if (!c.layout.binding) return;
    const Text1250 value = c.layout.binding->display();
    if (isEntryKind(c.layout.kind)) {
        auto* edit = static_cast<QLineEdit*>(c.widget);
        edit->setText(toQString(value));  // also clears the modified flag
        c.lastShown = value;
    } else if (c.layout.kind == ControlKind::CheckBox || c.layout.kind == ControlKind::Radio) {
        static_cast<QAbstractButton*>(c.widget)->setChecked(value == Text1250::literal("1"));
    }
}

void QtWindow::display(int32_t control) {
    for (Control& c : controls_) {
        if (control == 0 || c.layout.number == control) showFromBinding(c);
    }
}

void QtWindow::updateBindings() {
    for (Control& c : controls_) {
        if (!isEntryKind(c.layout.kind) || !c.layout.binding || !entryModified(c)) continue;
        if (const auto typed = fromQString(static_cast<QLineEdit*>(c.widget)->text())) c.layout.binding->accept(*typed);
    }
}

Text1250 QtWindow::text(int32_t control) const {
    const Control* c = find(control);
    if (c == nullptr) return {};
    if (isEntryKind(c->layout.kind)) return fromQStringLossy(static_cast<const QLineEdit*>(c->widget)->text());
    return c->text;
}

void QtWindow::setText(int32_t control, const Text1250& text) {
    Control* c = find(control);
    if (c == nullptr) return;
    if (isEntryKind(c->layout.kind)) {
        static_cast<QLineEdit*>(c->widget)->setText(toQString(text));
        c->lastShown = text;
        return;
    }
    c->text = text;
    applyText(*c);
    if (c->layout.place.width == 0 || c->layout.place.height == 0) placeControl(*c);
}

void QtWindow::setImage(int32_t control, std::string_view role) {
    Control* c = find(control);
    if (c == nullptr) return;
    c->image = std::string(role);
    applyImage(*c);
}

std::string QtWindow::image(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr ? c->image : std::string();
}

void QtWindow::setHidden(int32_t control, bool hidden) {
    Control* c = find(control);
    if (c == nullptr || c->hidden == hidden) return;
    c->hidden = hidden;
    const bool hadFocus = hidden && focused_ == control;
    c->widget->setVisible(!hidden);
    // Qt moves the focus on from a hidden widget only in an active window; the events must not depend on it.
    if (hadFocus && focused_ == control) focusAwayFrom(control);
}

void QtWindow::focusAwayFrom(int32_t control) {
    const int32_t next = nextFocusable(control, false);
    if (next != 0 && next != control) {
        select(next);
    } else {
        focused_ = 0;
    }
}

bool QtWindow::isHidden(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr && c->hidden;
}

void QtWindow::setDisabled(int32_t control, bool disabled) {
    Control* c = find(control);
    if (c == nullptr || c->widget->isEnabled() != disabled) return;
    c->widget->setEnabled(!disabled);
    if (disabled && focused_ == control) focusAwayFrom(control);
}

bool QtWindow::isDisabled(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr && !c->widget->isEnabled();
}

Rect QtWindow::controlPlace(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr ? c->place : Rect{};
}

void QtWindow::setControlPlace(int32_t control, const Rect& place) {
    Control* c = find(control);
    if (c == nullptr) return;
    if (batchDepth_ > 0) {
        pendingMoves_.emplace_back(control, place);
        return;
    }
    c->place = place;
    placeControl(*c);
    if (c->layout.kind == ControlKind::Image) applyImage(*c);
}

bool QtWindow::autoWidth(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr && c->layout.place.width == 0;
}

bool QtWindow::autoHeight(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr && c->layout.place.height == 0;
}

void QtWindow::beginBatchedMoves() {
    if (batchDepth_++ == 0) client_->setUpdatesEnabled(false);
}

void QtWindow::endBatchedMoves() {
    if (batchDepth_ == 0 || --batchDepth_ > 0) return;
    auto moves = std::move(pendingMoves_);
    pendingMoves_.clear();
    for (const auto& [control, place] : moves) setControlPlace(control, place);
    client_->setUpdatesEnabled(true);  // one repaint for the whole batch
}

void QtWindow::setListRows(int32_t control, std::vector<std::vector<Text1250>> rows) {
    Control* c = find(control);
    if (c == nullptr || c->layout.kind != ControlKind::List) return;
    auto* list = static_cast<QTreeWidget*>(c->widget);
    const QSignalBlocker quiet(list);  // refilling is no selection of the user's
    list->clear();
    for (const auto& row : rows) {
        QStringList cells;
        for (const Text1250& cell : row) cells << toQString(cell);
        list->addTopLevelItem(new QTreeWidgetItem(cells));
    }
}

// --- The window ---

int QtWindow::statusHeight() const {
    return statusBar_ != nullptr ? statusBar_->sizeHint().height() : 0;
}

void QtWindow::layoutFrame() {
    const QSize size = widget_->size();
    const int status = statusHeight();
    client_->setGeometry(0, 0, size.width(), std::max(0, size.height() - status));
    if (statusBar_ != nullptr) statusBar_->setGeometry(0, size.height() - status, size.width(), status);
}

QSize QtWindow::clientPixels() const {
    const QSize size = widget_->size();
    return {size.width(), std::max(0, size.height() - statusHeight())};
}

Rect QtWindow::clientUnits() const {
    const QSize client = clientPixels();
    return Rect{0, 0, units_.toUnitsX(client.width()), units_.toUnitsY(client.height())};
}

Rect QtWindow::place() const {
    const QPoint position = widget_->pos();
    const Rect client = clientUnits();
    return Rect{units_.toUnitsX(position.x()), units_.toUnitsY(position.y()), client.width, client.height};
}

// Sizes the client area and puts the window where it was asked to be (nullptr: where it is, unless the
// system chooses the place), always wholly on a screen.
void QtWindow::applyPlace(const QPoint* position, QSize clientSize) {
    const int status = statusHeight();
    QSize size(clientSize.width(), clientSize.height() + status);
    size = size.expandedTo(widget_->minimumSize()).boundedTo(widget_->maximumSize());
    // The frame around the client area, known once the window is on the screen; a usual one before.
    const QRect frame = widget_->frameGeometry();
    const QRect inner = widget_->geometry();
    QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                     frame.bottom() - inner.bottom());
    if (!widget_->isVisible()) margins = QMargins(1, 30, 1, 1);

    QList<QRect> available;
    for (const QScreen* screen : QGuiApplication::screens()) available << screen->availableGeometry();
    const QScreen* primaryScreen = QGuiApplication::primaryScreen();
    const QRect primary = primaryScreen != nullptr ? primaryScreen->availableGeometry() : QRect(0, 0, 1920, 1080);

    // The window's size is fitted to the screen before the window gets it, so that a remembered size far
    // beyond the screen never reaches the window system (it would make a window that cannot paint).
    QPoint topLeft = position != nullptr ? *position : widget_->pos();
    QRect placed = keepOnScreens(QRect(topLeft, size.grownBy(margins)), available, primary);
    size = placed.size().shrunkBy(margins).expandedTo(widget_->minimumSize());
    if (!layout_.resizable) {
        widget_->setFixedSize(size);
    } else {
        widget_->resize(size);
    }
    const QSize frameSize = size.grownBy(margins);
    if (xAuto_ || yAuto_) {
        // The system's place: centred over the window it opens from, else on the primary screen.
        QRect around = primary;
        const auto& open = system_.openWindows();
        const auto self = std::find(open.begin(), open.end(), this);
        const QtWindow* below = self == open.end() ? (open.empty() ? nullptr : open.back())
                                                   : (self == open.begin() ? nullptr : *(self - 1));
        if (below != nullptr) around = below->widget_->frameGeometry();
        const QPoint centred = around.center() - QPoint(frameSize.width() / 2, frameSize.height() / 2);
        if (xAuto_) topLeft.setX(centred.x());
        if (yAuto_) topLeft.setY(centred.y());
    }
    placed = keepOnScreens(QRect(topLeft, frameSize), available, primary);
    widget_->move(placed.topLeft());
}

void QtWindow::setPlace(const Rect& place) {
    const QSize current = clientPixels();
    QSize client(place.width != kNoCoordinate ? units_.toPixelsX(place.width) : current.width(),
                 place.height != kNoCoordinate ? units_.toPixelsY(place.height) : current.height());
    xAuto_ = place.x == kNoCoordinate;
    yAuto_ = place.y == kNoCoordinate;
    const QPoint position = widget_->pos();
    const QPoint wanted(xAuto_ ? position.x() : units_.toPixelsX(place.x),
                        yAuto_ ? position.y() : units_.toPixelsY(place.y));
    applyPlace(&wanted, client);
}

WindowState QtWindow::state() const {
    const auto states = widget_->windowState();
    if (states & Qt::WindowMinimized) return WindowState::Minimized;
    if (states & Qt::WindowMaximized) return WindowState::Maximized;
    return WindowState::Normal;
}

void QtWindow::setState(WindowState state) {
    Qt::WindowStates states = widget_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == WindowState::Maximized) states |= Qt::WindowMaximized;
    if (state == WindowState::Minimized) states |= Qt::WindowMinimized;
    widget_->setWindowState(states);
}

void QtWindow::setMinimumSize(int32_t width, int32_t height) {
    minWidth_ = std::max(0, width);
    minHeight_ = std::max(0, height);
    if (!layout_.resizable) return;
    widget_->setMinimumSize(minWidth_ > 0 ? units_.toPixelsX(minWidth_) : 0,
                            minHeight_ > 0 ? units_.toPixelsY(minHeight_) + statusHeight() : 0);
}

void QtWindow::setMaximumSize(int32_t width, int32_t height) {
    maxWidth_ = std::max(0, width);
    maxHeight_ = std::max(0, height);
    if (!layout_.resizable) return;
    widget_->setMaximumSize(maxWidth_ > 0 ? units_.toPixelsX(maxWidth_) : QWIDGETSIZE_MAX,
                            maxHeight_ > 0 ? units_.toPixelsY(maxHeight_) + statusHeight() : QWIDGETSIZE_MAX);
}

Text1250 QtWindow::caption() const {
    return fromQStringLossy(widget_->windowTitle());
}

void QtWindow::setCaption(const Text1250& caption) {
    widget_->setWindowTitle(toQString(caption));
}

void QtWindow::setBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void QtWindow::showProgress(int64_t done, int64_t total) {
    if (progress_ == nullptr) return;
    if (total <= 0) {
        progress_->hide();
        return;
    }
    // QProgressBar counts in int: large totals are shown in proportion.
    constexpr int64_t kSteps = 10000;
    const int64_t shown = std::clamp<int64_t>(done, 0, total);
    progress_->setRange(0, static_cast<int>(kSteps));
    const int64_t value =
        total > std::numeric_limits<int64_t>::max() / kSteps ? shown / (total / kSteps) : shown * kSteps / total;
    progress_->setValue(static_cast<int>(std::min(value, kSteps)));
    progress_->show();
    progress_->repaint();
    // Paint what is pending without taking the user's input while the program works. The window's own
    // events wait for the handler that is working (see drain()).
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtWindow::scheduleSettle() {
    if (settlePending_ || !open_) return;
    settlePending_ = true;
    QTimer::singleShot(0, this, [this] { settle(); });
}

// Size and state changes become events once Qt has delivered all of them, in one order on every platform:
// Sized first, then Maximized, Iconized or Restored.
void QtWindow::settle() {
    settlePending_ = false;
    if (!open_) return;
    const Rect size = clientUnits();
    const WindowState now = state();
    if (size.width != lastSize_.width || size.height != lastSize_.height) {
        lastSize_ = size;
        if (now != WindowState::Minimized) post(Event{EventKind::Sized});
    }
    if (now != lastState_) {
        const WindowState before = lastState_;
        lastState_ = now;
        if (now == WindowState::Maximized) {
            post(Event{EventKind::Maximized});
        } else if (now == WindowState::Minimized) {
            post(Event{EventKind::Iconized});
        } else if (before != WindowState::Normal) {
            post(Event{EventKind::Restored});
        }
    }
}

}  // namespace kirva::platform::qt
