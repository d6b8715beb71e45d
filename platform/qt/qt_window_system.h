// platform/qt/: the window system on Qt 6 Widgets, for the desktop program. The only folder besides
// desktop/ that includes Qt; it uses platform/ and nothing above it, and knows nothing of the program's
// windows. Texts cross into Qt in qt_text.h alone.
//
// Dialog units become pixels as dialog layouts have always made them: a horizontal unit is a quarter of
// the window font's average character width, a vertical unit an eighth of its height, so a layout keeps
// its proportions at any font size and screen scale.
#pragma once

#include <QFont>
#include <QList>
#include <QRect>
#include <memory>
#include <vector>

#include "platform/window/window_system.h"

class QWidget;

namespace kirva::platform::qt {

class QtWindow;

// The dialog-unit scale of one font.
struct DialogUnits {
    int baseX = 8;   // average character width, pixels
    int baseY = 16;  // character height, pixels

    static DialogUnits of(const QFont& font);
    // Rounded to the nearest pixel (or unit) as MulDiv rounds.
    int toPixelsX(int32_t units) const;
    int toPixelsY(int32_t units) const;
    int32_t toUnitsX(int pixels) const;
    int32_t toUnitsY(int pixels) const;
    // Pixels back to units rounded up, for natural sizes, so that text never gets less room than it needs.
    int32_t toUnitsXCeil(int pixels) const;
    int32_t toUnitsYCeil(int pixels) const;
};

// Where a window of this frame goes so that it is on a screen: on the screen it overlaps most (the
// primary one when it overlaps none, e.g. a remembered place on a screen that is gone), no larger than
// that screen (size first), then moved as little as possible to lie wholly on it.
QRect keepOnScreens(const QRect& frame, const QList<QRect>& available, const QRect& primary);

class QtWindowSystem final : public WindowSystem {
  public:
    QtWindowSystem();  // a QApplication must exist
    ~QtWindowSystem() override;

    std::unique_ptr<Window> createWindow(const WindowLayout& layout) override;
    MessageBoxes& messageBoxes() override;
    bool pickFolder(const Text1250& title, Text1250& folder, std::size_t maxLength) override;
    void beep() override;
    std::string currentDirectory() const override;
    bool setCurrentDirectory(std::string_view directory) override;

    // For the windows: the open ones, innermost last, and whether a box or picker of ours is up.
    std::vector<QtWindow*>& openWindows() { return open_; }
    QtWindow* innermost() const { return open_.empty() ? nullptr : open_.back(); }
    std::vector<QtWindow*>& runningLoops() { return loops_; }
    bool ownModalShowing() const { return modalDepth_ > 0; }
    QWidget* dialogParent() const;

  private:
    class Boxes;
    friend class Boxes;
    std::unique_ptr<Boxes> boxes_;
    std::vector<QtWindow*> open_;
    std::vector<QtWindow*> loops_;
    int modalDepth_ = 0;
};

}  // namespace kirva::platform::qt
