// platform/win32/: the window system on the plain Win32 API, for kirva.exe on Windows. Beside platform/qt/,
// the only folder (with the Windows mains and platform's *_win32.cpp files) that includes windows.h; it uses
// platform/ and nothing above it, and knows nothing of the program's windows. Texts cross into UTF-16 in
// win32_text.h alone, through code page 1250.
//
// Dialog units become pixels as Windows dialogs make them: a horizontal unit is a quarter of the window
// font's average character width (the 52 letters measured, as MapDialogRect does), a vertical unit an eighth
// of its height; the font (Verdana 8 by default) is made at the window's DPI.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/window/window_parts.h"
#include "platform/window/window_system.h"

namespace kirva::platform::win32 {

class Win32Window;

// A rectangle in pixels on the screen (the shared rule keepOnScreens in platform/window/window_parts.h
// places windows with it).
using ScreenRect = Rect;

class Win32WindowSystem final : public WindowSystem {
  public:
    // resources: the module whose ICON resources are the image roles (null = the program itself).
    explicit Win32WindowSystem(void* resources = nullptr);
    ~Win32WindowSystem() override;
    Win32WindowSystem(const Win32WindowSystem&) = delete;
    Win32WindowSystem& operator=(const Win32WindowSystem&) = delete;

    std::unique_ptr<Window> createWindow(const WindowLayout& layout) override;
    MessageBoxes& messageBoxes() override;
    bool pickFolder(const Text1250& title, Text1250& folder, std::size_t maxLength) override;
    void beep() override;
    std::string currentDirectory() const override;
    bool setCurrentDirectory(std::string_view directory) override;

    // For the windows: the open ones, innermost last; the running loops; whether a box or picker of ours is
    // up (its activation is no change of the user's); the module holding the images.
    std::vector<Win32Window*>& openWindows() { return open_; }
    Win32Window* innermost() const { return open_.empty() ? nullptr : open_.back(); }
    std::vector<Win32Window*>& runningLoops() { return loops_; }
    bool ownModalShowing() const { return modalDepth_ > 0; }
    void* resources() const { return resources_; }
    // The window a box or picker belongs to (the innermost open one), as an HWND.
    void* dialogOwner() const;
    // The work areas of the screens and the primary one, in pixels.
    static std::vector<ScreenRect> workAreas();
    static ScreenRect primaryWorkArea();

  private:
    class Boxes;
    friend class Boxes;
    std::unique_ptr<Boxes> boxes_;
    std::vector<Win32Window*> open_;
    std::vector<Win32Window*> loops_;
    int modalDepth_ = 0;
    void* resources_ = nullptr;
    bool comStarted_ = false;
};

}  // namespace kirva::platform::win32
