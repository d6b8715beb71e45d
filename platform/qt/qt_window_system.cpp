#include "platform/qt/qt_window_system.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/qt/qt_text.h"
#include "platform/qt/qt_window.h"
#include "platform/text1250.h"

namespace kirva::platform::qt {

namespace {

Rect rectOf(const QRect& r) {
    return Rect{r.x(), r.y(), r.width(), r.height()};
}

}  // namespace

DialogUnits dialogUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average width of the 52 letters, rounded, as dialog layouts measure it; the full line height.
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    DialogUnits units;
    units.baseX = std::max(1, (letters / 26 + 1) / 2);
    units.baseY = std::max(1, metrics.height());
    return units;
}

QRect keepOnScreens(const QRect& frame, const QList<QRect>& available, const QRect& primary) {
    std::vector<Rect> screens;
    for (const QRect& screen : available) screens.push_back(rectOf(screen));
    const Rect placed = platform::keepOnScreens(rectOf(frame), screens, rectOf(primary));
    return QRect(placed.x, placed.y, placed.width, placed.height);
}

// Message boxes as Qt dialogs: caption, text with "|" as line breaks, icon, the program's own button
// captions, default button.
class QtWindowSystem::Boxes final : public MessageBoxes {
  public:
    explicit Boxes(QtWindowSystem& system) : system_(system) {}

    unsigned show(const MessageBoxRequest& request) override {
        QMessageBox box(system_.dialogParent());
        box.setWindowTitle(toQString(request.caption));
        QString text = toQString(request.text);
        text.replace(u'|', u'\n');
        box.setText(text);
        box.setTextFormat(Qt::PlainText);
        switch (request.icon) {
            case MessageIcon::Information:
            case MessageIcon::WinLogo:
                box.setIcon(QMessageBox::Information);
                break;
            case MessageIcon::Exclamation:
                box.setIcon(QMessageBox::Warning);
                break;
            case MessageIcon::Question:
                box.setIcon(QMessageBox::Question);
                break;
            case MessageIcon::Hand:
                box.setIcon(QMessageBox::Critical);
                break;
            case MessageIcon::None:
                box.setIcon(QMessageBox::NoIcon);
                break;
        }
        struct Choice {
            unsigned code;
            QAbstractButton* button;
        };
        std::vector<Choice> choices;
        std::size_t named = 0;
        const unsigned buttons = request.buttons != 0 ? request.buttons : unsigned{ButtonOk};
        for (unsigned code = ButtonOk; code <= ButtonHelp; code <<= 1) {
            if ((buttons & code) == 0) continue;
            QAbstractButton* button = nullptr;
            if (named < request.buttonCaptions.size()) {
                // The program's own caption for this button, in the order of the codes.
                button = box.addButton(toQString(request.buttonCaptions[named++]), roleOf(code));
            } else {
                button = box.addButton(standardOf(code));
            }
            choices.push_back({code, button});
        }
        for (const Choice& choice : choices) {
            if (choice.code == request.defaultButton) box.setDefaultButton(static_cast<QPushButton*>(choice.button));
            if (choice.code == ButtonCancel || choices.size() == 1) box.setEscapeButton(choice.button);
        }
        ++system_.modalDepth_;
        box.exec();
        --system_.modalDepth_;
        for (const Choice& choice : choices) {
            if (box.clickedButton() == choice.button) return choice.code;
        }
        return request.defaultButton;
    }

  private:
    static QMessageBox::ButtonRole roleOf(unsigned code) {
        switch (code) {
            case ButtonOk:
            case ButtonYes:
            case ButtonRetry:
            case ButtonIgnore:
                return QMessageBox::AcceptRole;
            case ButtonNo:
                return QMessageBox::NoRole;
            case ButtonHelp:
                return QMessageBox::HelpRole;
            default:
                return QMessageBox::RejectRole;
        }
    }
    static QMessageBox::StandardButton standardOf(unsigned code) {
        switch (code) {
            case ButtonOk:
                return QMessageBox::Ok;
            case ButtonYes:
                return QMessageBox::Yes;
            case ButtonNo:
                return QMessageBox::No;
            case ButtonAbort:
                return QMessageBox::Abort;
            case ButtonRetry:
                return QMessageBox::Retry;
            case ButtonIgnore:
                return QMessageBox::Ignore;
            case ButtonHelp:
                return QMessageBox::Help;
            default:
                return QMessageBox::Cancel;
        }
    }

    QtWindowSystem& system_;
};

QtWindowSystem::QtWindowSystem() : boxes_(std::make_unique<Boxes>(*this)) {}

QtWindowSystem::~QtWindowSystem() {
    // Windows still open close now, while the lists they leave exist.
    while (!open_.empty()) open_.back()->close();
}

std::unique_ptr<Window> QtWindowSystem::createWindow(const WindowLayout& layout) {
    return std::make_unique<QtWindow>(*this, layout);
}

MessageBoxes& QtWindowSystem::messageBoxes() {
    return *boxes_;
}

QWidget* QtWindowSystem::dialogParent() const {
    const QtWindow* window = innermost();
    return window != nullptr ? window->widget() : nullptr;
}

bool QtWindowSystem::pickFolder(const Text1250& title, Text1250& folder, std::size_t maxLength) {
    QString start = toQString(folder);
    if (start.isEmpty() || !QDir(start).exists()) start = QDir::currentPath();
    ++modalDepth_;
    const QString chosen = QFileDialog::getExistingDirectory(dialogParent(), toQString(title), start);
    --modalDepth_;
    if (chosen.isEmpty()) return false;
    auto converted = fromQString(QDir::toNativeSeparators(chosen));
    if (!converted) {
        // A folder whose name the program cannot hold is no choice: say so rather than keep a wrong name.
        MessageBoxRequest request;
        request.caption = Text1250::literal(" OPOZORILO");
        request.text = Text1250::literal(
            " Ime izbrane mape vsebuje znake, ki jih program ne more shraniti.| Izberite drugo mapo.");
        request.icon = MessageIcon::Exclamation;
        messageBoxes().show(request);
        return false;
    }
    std::string result = converted->bytes();
    const char separator = static_cast<char>(QDir::separator().toLatin1());
    if (result.empty() || result.back() != separator) result += separator;
    if (maxLength > 0 && result.size() > maxLength) result.resize(maxLength);
    folder = Text1250::fromBytes(result);
    return true;
}

void QtWindowSystem::beep() {
    QApplication::beep();
}

std::string QtWindowSystem::currentDirectory() const {
    const QDir current = QDir::current();
    const QString canonical = current.canonicalPath();
    return fromQStringLossy(QDir::toNativeSeparators(canonical.isEmpty() ? current.absolutePath() : canonical)).bytes();
}

bool QtWindowSystem::setCurrentDirectory(std::string_view directory) {
    if (directory.empty()) return false;
    return QDir::setCurrent(toQString(Text1250::fromBytes(directory)));
}

}  // namespace kirva::platform::qt
