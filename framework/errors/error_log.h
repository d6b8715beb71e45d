#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/lock_guard.h"
#include "platform/window/message_box.h"

namespace kirva::framework {

// The error log: a plain-text file to which each reported message is appended as one line with the date
// and time. Every operation answers 0 on success and 5 on failure; the manager ignores the failures.
class ErrorLog {
  public:
    struct Stamp {
        std::string date;  // short date, "21.05.2019"
        std::string time;  // long time, "14:03:07"
    };
    using StampSource = std::function<Stamp()>;

    static constexpr const char* kDefaultFileName = "QRMError.Log";
    static constexpr std::size_t kLineSize = 1024;  // a longer line is cut

    // Default: "QRMError.Log" in the current directory and the local date and time.
    ErrorLog();
    explicit ErrorLog(std::filesystem::path path, StampSource stamp = {});
    virtual ~ErrorLog();  // closes the file, however often it was opened
    ErrorLog(const ErrorLog&) = delete;
    ErrorLog& operator=(const ErrorLog&) = delete;

    // Opens (creating when missing) on the first use, or always when forced; counts the uses.
    virtual int open(bool force = false);
    // Closes on the last use, or always when forced (then the count drops to 0).
    virtual int close(bool force = false);
    // Appends one line while open, cut to kLineSize characters.
    virtual int write(std::string_view line);

    // "date@time --> text", the text exactly as composed ("|" marks left in place).
    std::string lineFor(std::string_view text) const;

    int usage() const { return usage_; }
    const std::filesystem::path& path() const { return path_; }

  private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    std::filesystem::path path_;
    StampSource stamp_;
    std::unique_ptr<std::FILE, FileCloser> file_;
    int usage_ = 0;
    mutable platform::ReentrantLock lock_;
};

// The local date and time in the form the log writes them.
ErrorLog::Stamp localStamp();

// One reported message kept in the history.
struct HistoryEntry {
    std::string category;
    std::string txt;  // the composed text, up to 1023 characters
    int16_t id = 0;
};

// One button of the history window, in the order the window shows them.
struct HistoryButton {
    std::string label;  // "&Help" ... "O&k"
    unsigned code = 0;
    bool isDefault = false;  // the default button, which also gets the focus
};

// The buttons the history window shows for a button mask: from Help (128) down to Ok (1).
std::vector<HistoryButton> historyButtons(unsigned buttons, unsigned defaultButton);

// What the history window is given: its caption, icon and buttons, and a private copy of the history.
struct HistoryWindowRequest {
    std::string caption;  // empty: the window keeps its own caption
    platform::MessageIcon icon = platform::MessageIcon::Information;
    std::vector<HistoryButton> buttons;
    std::vector<HistoryEntry> entries;
};

}  // namespace kirva::framework
