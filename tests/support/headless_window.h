// The headless window system: windows that hold their controls, focus and event queue in memory and are
// driven by a scripted user. The tests drive every window of the program through it, and it delivers the
// same events in the same order as the Qt windows do:
//   - leaving an entry (Tab, a click elsewhere, Enter) after its text changed: Accepted for it when its
//     binding takes the text, else Rejected; then Selected for the control that gets the focus;
//   - leaving an entry without a change: only Selected for the next control;
//   - pressing a button (click, access key, Enter on the default button): the entry being left first as
//     above, then Selected for the button if it did not have the focus, then Accepted for the button;
//     a standard-close button posts CloseWindow instead of Accepted;
//   - a check box toggled: Accepted;
//   - opening: OpenWindow, then GainFocus; resizing: Sized (then Maximized/Restored where it applies).
// The queue is worked off before the next scripted step runs. When a window's loop has no step left, the
// user closes it by the close box; if the window refuses, the loop ends anyway and the transcript says
// "script ran out", so a test never hangs.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/window/window_system.h"

namespace kirva::platform {

class HeadlessWindowSystem;

// What a scripted user does, one step at a time. Each call queues a step and returns the user, so a test
// reads as the user's actions:
//   user.type(kFromDate, "01.02.2019").pressTab().click(kOkButton);
// Steps act on the innermost open window (a modal window opened by a handler takes the following steps).
class ScriptedUser {
  public:
    // Puts the focus on the control (leaving the one that had it) and replaces its text; does not leave it.
    // Two steps, as a person does it: the focus arrives, and its events are handled, before the typing.
    // The keys are Windows-1250 bytes, as the tests write them (ASCII, or cp1250() of a literal).
    ScriptedUser& type(int32_t control, std::string_view text);
    // type() and then Tab.
    ScriptedUser& enter(int32_t control, std::string_view text);
    ScriptedUser& pressTab();
    ScriptedUser& pressShiftTab();
    // On a button presses it; elsewhere an entry with a change takes it first (a refused text ends the
    // Enter there), then the default button is pressed.
    ScriptedUser& pressEnter();
    ScriptedUser& pressEscape();                // as the close box
    ScriptedUser& pressAccessKey(char letter);  // Alt+letter, case-insensitive
    ScriptedUser& pressKey(int32_t keyCode);    // any other key (alert keys)
    ScriptedUser& click(int32_t control);       // focus, then press a button or toggle a check box
    ScriptedUser& focus(int32_t control);       // click into a control without pressing it
    ScriptedUser& closeBox();
    ScriptedUser& resizeTo(int32_t width, int32_t height);  // client size, dialog units
    ScriptedUser& resizeBy(int32_t dWidth, int32_t dHeight);
    ScriptedUser& moveTo(int32_t x, int32_t y);
    ScriptedUser& maximize();
    ScriptedUser& minimize();
    ScriptedUser& restore();
    ScriptedUser& deactivate();  // another program takes the focus: LoseFocus
    ScriptedUser& activate();    // and gives it back: GainFocus
    // Runs the check while the window is open at this point of the script (read controls, variables).
    ScriptedUser& check(std::function<void(Window&)> check);

    // Answers, kept in queues of their own: the next message box or folder picker takes the first answer,
    // whenever it comes up. Without one, a message box takes its default button and a picker is cancelled.
    ScriptedUser& answerMessageBox(unsigned button);
    // nullopt = cancel. browseTo: a folder the picker makes current while the user browses, as the
    // platform's picker may do (the program must put its own current directory back).
    ScriptedUser& answerFolderPicker(std::optional<std::string> folder, std::string browseTo = {});

    std::size_t pendingSteps() const;

  private:
    friend class HeadlessWindowSystem;
    friend class HeadlessWindow;
    explicit ScriptedUser(HeadlessWindowSystem& system) : system_(system) {}
    HeadlessWindowSystem& system_;
    std::deque<std::function<void(Window&)>> steps_;
};

// The transcript lines, one per happening, in the order they happened:
//   "open <window name>"            "close <window name>"
//   "<window name>: <EventKind> <control>"   (control 0 for window events)
//   "box <caption>: <text> -> <button code>"   (texts UTF-8, as typed in the layout)
//   "folder <title> -> <folder>" or "folder <title> -> cancel"
//   "beep"                           "script ran out"
// Changes the program makes to controls are kept apart, in changes(), so that the transcript stays a
// list of what happened to the user:
//   "<window name>: text <control> <text>"    "<window name>: image <control> <role>"
//   "<window name>: hide <control>" / "show", "disable" / "enable"
//   "<window name>: place <control> <x>,<y>,<width>,<height>"   "<window name>: moves <count>" (a batch)
//
// The headless screen is one screen of 1280 x 664 dialog units (a 1920 x 1080 display at the usual 1.5
// and 1.625 pixels to the unit); windows are kept on it, a place the program asks for fitted to it (size
// first, then position). Controls of "auto" size get a natural size
// worked out from their text (4 units a character), so that layouts behave the same every run. The
// current directory is the system's own (it starts as the process's), so that a scripted picker can
// "browse" without moving the test process. Windows must not outlive their system.
class HeadlessWindowSystem final : public WindowSystem {
  public:
    static constexpr Rect kScreen{0, 0, 1280, 664};

    HeadlessWindowSystem();
    // Message boxes are also printed on the stream as the command-line front prints them.
    explicit HeadlessWindowSystem(std::ostream& printBoxesTo);
    ~HeadlessWindowSystem() override;

    std::unique_ptr<Window> createWindow(const WindowLayout& layout) override;
    MessageBoxes& messageBoxes() override;
    bool pickFolder(const Text1250& title, Text1250& folder, std::size_t maxLength) override;
    void beep() override;
    std::string currentDirectory() const override;
    bool setCurrentDirectory(std::string_view directory) override;

    ScriptedUser& user() { return user_; }
    const std::vector<std::string>& transcript() const { return transcript_; }
    // Only the transcript lines that start with the prefix (e.g. a window's name, "box ").
    std::vector<std::string> transcript(std::string_view prefix) const;
    const std::vector<MessageBoxRequest>& shownBoxes() const;
    // The program's changes to controls, as described above.
    const std::vector<std::string>& changes() const;
    // Where each change happened: how many transcript lines there were at that moment, so that a reader
    // can put the changes back among the transcript lines in the order they happened.
    const std::vector<std::size_t>& changePositions() const;
    // Every window created and not yet destroyed, innermost open last.
    std::vector<Window*> openWindows() const;

  private:
    friend class ScriptedUser;
    friend class HeadlessWindow;
    struct Impl;
    std::unique_ptr<Impl> impl_;
    ScriptedUser user_{*this};
    std::vector<std::string> transcript_;
};

}  // namespace kirva::platform
