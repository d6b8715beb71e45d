#include "platform/win32/win32_window_system.h"

#include <windows.h>
// After windows.h, which they build on.
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <climits>

#include "platform/text1250.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_window.h"

namespace kirva::platform::win32 {

namespace {

ScreenRect screenRect(const RECT& r) {
    return ScreenRect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

}  // namespace

// Message boxes as the system's own, with the program's captions, icons and buttons. The system names its
// buttons in the language of the Windows installation; the program's boxes are Slovenian, so each button
// is given its Slovenian (or the program's own) caption as the box comes up.
class Win32WindowSystem::Boxes final : public MessageBoxes {
  public:
    explicit Boxes(Win32WindowSystem& system) : system_(system) {}

    unsigned show(const MessageBoxRequest& request) override {
        unsigned buttons = request.buttons != 0 ? request.buttons : unsigned{ButtonOk};
        buttons &= ~unsigned{ButtonHelp};  // the help button would only send WM_HELP; there is no help
        if (buttons == 0) buttons = ButtonOk;
        // The system's sets of buttons; a set it lacks becomes the nearest it has.
        struct Set {
            unsigned codes;
            UINT style;
            std::vector<std::pair<unsigned, int>> ids;  // the codes in the order the box shows them
        };
        static const Set kSets[] = {
            {ButtonOk, MB_OK, {{ButtonOk, IDOK}}},
            {ButtonOk | ButtonCancel, MB_OKCANCEL, {{ButtonOk, IDOK}, {ButtonCancel, IDCANCEL}}},
            {ButtonAbort | ButtonRetry | ButtonIgnore,
             MB_ABORTRETRYIGNORE,
             {{ButtonAbort, IDABORT}, {ButtonRetry, IDRETRY}, {ButtonIgnore, IDIGNORE}}},
            {ButtonYes | ButtonNo | ButtonCancel,
             MB_YESNOCANCEL,
             {{ButtonYes, IDYES}, {ButtonNo, IDNO}, {ButtonCancel, IDCANCEL}}},
            {ButtonYes | ButtonNo, MB_YESNO, {{ButtonYes, IDYES}, {ButtonNo, IDNO}}},
            {ButtonRetry | ButtonCancel, MB_RETRYCANCEL, {{ButtonRetry, IDRETRY}, {ButtonCancel, IDCANCEL}}},
        };
        const Set* chosen = &kSets[0];
        for (const Set& set : kSets) {
            if (set.codes == buttons) chosen = &set;
        }
        if (chosen->codes != buttons) {
            for (const Set& set : kSets) {
                if ((set.codes & buttons) == buttons && (chosen->codes & buttons) != buttons) chosen = &set;
            }
        }
        UINT style = chosen->style | MB_SETFOREGROUND;
        switch (request.icon) {
            case MessageIcon::Information:
            case MessageIcon::WinLogo:
                style |= MB_ICONINFORMATION;
                break;
            case MessageIcon::Exclamation:
                style |= MB_ICONEXCLAMATION;
                break;
            case MessageIcon::Question:
                style |= MB_ICONQUESTION;
                break;
            case MessageIcon::Hand:
                style |= MB_ICONHAND;
                break;
            case MessageIcon::None:
                break;
        }
        for (std::size_t i = 0; i < chosen->ids.size(); ++i) {
            if (chosen->ids[i].first != request.defaultButton) continue;
            static constexpr UINT kDefaults[] = {MB_DEFBUTTON1, MB_DEFBUTTON2, MB_DEFBUTTON3};
            style |= kDefaults[std::min<std::size_t>(i, 2)];
        }
        // The captions: the program's own for its buttons, in the order of the codes; else Slovenian ones.
        captions_.clear();
        std::size_t named = 0;
        for (unsigned code = ButtonOk; code <= ButtonCancel; code <<= 1) {
            if ((chosen->codes & code) == 0) continue;
            int id = IDOK;
            for (const auto& [c, i] : chosen->ids) {
                if (c == code) id = i;
            }
            const bool asked = (buttons & code) != 0;
            const std::string caption = asked && named < request.buttonCaptions.size()
                                            ? request.buttonCaptions[named++].bytes()
                                            : standardCaption(code);
            captions_.emplace_back(id, toWide(caption));
        }
        std::string text = request.text.bytes();
        std::replace(text.begin(), text.end(), '|', '\n');
        const std::wstring wideText = toWide(text);
        const std::wstring wideCaption = toWide(request.caption);

        active_ = this;
        HHOOK hook = SetWindowsHookExW(WH_CBT, &Boxes::hook, nullptr, GetCurrentThreadId());
        ++system_.modalDepth_;
        const int pressed =
            MessageBoxW(static_cast<HWND>(system_.dialogOwner()), wideText.c_str(), wideCaption.c_str(), style);
        --system_.modalDepth_;
        if (hook != nullptr) UnhookWindowsHookEx(hook);
        active_ = nullptr;
        for (const auto& [code, id] : chosen->ids) {
            if (id == pressed) return code;
        }
        // Closed by Escape or its close box with no Cancel button: the box's only or default answer.
        return chosen->ids.size() == 1 ? chosen->ids.front().first : request.defaultButton;
    }

  private:
    static std::string standardCaption(unsigned code) {
        switch (code) {
            case ButtonOk:
                return cp1250("V redu");
            case ButtonYes:
                return cp1250("Da");
            case ButtonNo:
                return cp1250("Ne");
            case ButtonAbort:
                return cp1250("Prekini");
            case ButtonRetry:
                return cp1250("Poskusi znova");
            case ButtonIgnore:
                return cp1250("Prezri");
            default:
                return cp1250("Prekliči");
        }
    }

    // Renames the buttons of the box as it is activated, before it is painted.
    static LRESULT CALLBACK hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_ACTIVATE && active_ != nullptr) {
            const auto box = reinterpret_cast<HWND>(wParam);
            wchar_t className[16] = {};
            GetClassNameW(box, className, 16);
            if (std::wstring_view(className) == L"#32770") {
                for (const auto& [id, caption] : active_->captions_) {
                    if (HWND button = GetDlgItem(box, id)) SetWindowTextW(button, caption.c_str());
                }
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    Win32WindowSystem& system_;
    std::vector<std::pair<int, std::wstring>> captions_;
    static inline Boxes* active_ = nullptr;
};

Win32WindowSystem::Win32WindowSystem(void* resources) : boxes_(std::make_unique<Boxes>(*this)), resources_(resources) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC =
        ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES | ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
    // The folder picker's shell parts need COM on this thread.
    comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

Win32WindowSystem::~Win32WindowSystem() {
    // Windows still open close now, while the lists they leave exist.
    while (!open_.empty()) open_.back()->close();
    if (comStarted_) CoUninitialize();
}

std::unique_ptr<Window> Win32WindowSystem::createWindow(const WindowLayout& layout) {
    return std::make_unique<Win32Window>(*this, layout);
}

MessageBoxes& Win32WindowSystem::messageBoxes() {
    return *boxes_;
}

void* Win32WindowSystem::dialogOwner() const {
    const Win32Window* window = innermost();
    return window != nullptr ? window->handle() : nullptr;
}

std::vector<ScreenRect> Win32WindowSystem::workAreas() {
    std::vector<ScreenRect> areas;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM data) -> BOOL {
            MONITORINFO info{};
            info.cbSize = sizeof info;
            if (GetMonitorInfoW(monitor, &info) != FALSE) {
                reinterpret_cast<std::vector<ScreenRect>*>(data)->push_back(screenRect(info.rcWork));
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&areas));
    return areas;
}

ScreenRect Win32WindowSystem::primaryWorkArea() {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info) == FALSE) {
        return ScreenRect{0, 0, 1920, 1080};
    }
    return screenRect(info.rcWork);
}

namespace {

struct PickerStart {
    const wchar_t* folder;
    const wchar_t* caption;
};

// The picker opens in the folder it is given, with the program's title as its caption and its buttons in
// Slovenian (the system names them in its own language; the new-folder button has the same id everywhere).
int CALLBACK pickerStarted(HWND picker, UINT message, LPARAM, LPARAM data) {
    if (message != BFFM_INITIALIZED || data == 0) return 0;
    const auto* start = reinterpret_cast<const PickerStart*>(data);
    SetWindowTextW(picker, start->caption);
    constexpr int kNewFolderButton = 0x3746;
    const std::pair<int, const char*> buttons[] = {
        {IDOK, "V redu"}, {IDCANCEL, "Prekliči"}, {kNewFolderButton, "Nova mapa"}};
    for (const auto& [id, text] : buttons) {
        if (HWND button = GetDlgItem(picker, id)) SetWindowTextW(button, toWide(cp1250(text)).c_str());
    }
    if (start->folder[0] != L'\0') {
        SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(start->folder));
    }
    return 0;
}

}  // namespace

bool Win32WindowSystem::pickFolder(const Text1250& title, Text1250& folder, std::size_t maxLength) {
    // A setting may be kept blank-padded to its width; the folder is what stands before the blanks.
    std::wstring start = toWide(clipRight(folder.bytes()));
    while (start.size() > 3 && (start.back() == L'\\' || start.back() == L'/')) start.pop_back();
    std::replace(start.begin(), start.end(), L'/', L'\\');
    if (start.empty() || GetFileAttributesW(start.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD length = GetCurrentDirectoryW(0, nullptr);
        start.assign(length, L'\0');
        start.resize(GetCurrentDirectoryW(length, start.data()));
    }
    const std::wstring prompt = toWide(title);
    BROWSEINFOW browse{};
    browse.hwndOwner = static_cast<HWND>(dialogOwner());
    browse.lpszTitle = prompt.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    std::wstring caption = prompt;
    while (!caption.empty() && caption.front() == L' ') caption.erase(caption.begin());
    const PickerStart started{start.c_str(), caption.c_str()};
    browse.lpfn = &pickerStarted;
    browse.lParam = reinterpret_cast<LPARAM>(&started);
    ++modalDepth_;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    --modalDepth_;
    if (chosen == nullptr) return false;
    std::wstring path(MAX_PATH * 4, L'\0');
    const bool named =
        SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT) != FALSE;
    CoTaskMemFree(chosen);
    if (!named) return false;
    path.resize(wcslen(path.c_str()));
    auto converted = fromWide(path);
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
    std::string result = std::move(*converted);
    if (result.empty() || result.back() != '\\') result += '\\';
    if (maxLength > 0 && result.size() > maxLength) result.resize(maxLength);
    folder = Text1250::fromBytes(result);
    return true;
}

void Win32WindowSystem::beep() {
    MessageBeep(MB_OK);
}

std::string Win32WindowSystem::currentDirectory() const {
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    std::wstring current(length, L'\0');
    current.resize(GetCurrentDirectoryW(length, current.data()));
    // The long form: a folder started as RAČUNI~1 is shown and kept by its real name.
    const DWORD longLength = GetLongPathNameW(current.c_str(), nullptr, 0);
    if (longLength > 0) {
        std::wstring longForm(longLength, L'\0');
        longForm.resize(GetLongPathNameW(current.c_str(), longForm.data(), longLength));
        if (!longForm.empty()) current = std::move(longForm);
    }
    return fromWideLossy(current);
}

bool Win32WindowSystem::setCurrentDirectory(std::string_view directory) {
    if (directory.empty()) return false;
    return SetCurrentDirectoryW(toWide(directory).c_str()) != FALSE;
}

}  // namespace kirva::platform::win32
