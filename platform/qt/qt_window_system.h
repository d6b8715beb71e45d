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

#include "platform/window/window_parts.h"
#include "platform/window/window_system.h"

class QWidget;

namespace kirva::platform::qt {

class QtWindow;

// The dialog-unit scale of a font.
DialogUnits dialogUnitsOf(const QFont& font);

// The shared rule keepOnScreens (platform/window/window_parts.h) on Qt's rectangles.
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
