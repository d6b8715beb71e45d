#include "framework/errors/error_log.h"

#include <ctime>
#include <utility>

#include "platform/system_files.h"
#include "platform/text1250.h"

namespace kirva::framework {

ErrorLog::Stamp localStamp() {
    const std::time_t now = std::time(nullptr);
    const std::tm local = platform::localTime(now);
    char date[32] = {};
    char time[32] = {};
    std::strftime(date, sizeof date, "%d.%m.%Y", &local);
    std::strftime(time, sizeof time, "%H:%M:%S", &local);
    return {date, time};
}

ErrorLog::ErrorLog() : ErrorLog(kDefaultFileName) {}

ErrorLog::ErrorLog(std::filesystem::path path, StampSource stamp)
    : path_(std::move(path)), stamp_(stamp ? std::move(stamp) : StampSource(localStamp)) {}

ErrorLog::~ErrorLog() {
    close(true);
}

int ErrorLog::open(bool force) {
    platform::LockGuard guard(lock_);
    if (usage_ == 0 || force) {
        // Appending creates the file when it is missing and never touches what is already in it.
        file_.reset(platform::openStream(path_, "ab"));
        if (!file_) return 5;
    }
    ++usage_;
    return 0;
}

int ErrorLog::close(bool force) {
    platform::LockGuard guard(lock_);
    if (usage_ == 1 || force) {
        if (file_) {
            const int failed = std::fclose(file_.release());
            if (failed != 0) return 5;
        }
        usage_ = 1;
    }
    if (usage_ > 0) --usage_;
    return 0;
}

int ErrorLog::write(std::string_view line) {
    platform::LockGuard guard(lock_);
    if (usage_ <= 0 || !file_) return 5;
    std::string record = cp1250ToUtf8(line.substr(0, kLineSize));
    record += '\n';
    if (std::fwrite(record.data(), 1, record.size(), file_.get()) != record.size()) return 5;
    if (std::fflush(file_.get()) != 0) return 5;
    return 0;
}

std::string ErrorLog::lineFor(std::string_view text) const {
    const Stamp stamp = stamp_();
    std::string line = stamp.date;
    line += '@';
    line += stamp.time;
    line += " --> ";
    line += text;
    return line;
}

std::vector<HistoryButton> historyButtons(unsigned buttons, unsigned defaultButton) {
    static constexpr std::pair<unsigned, const char*> kLabels[] = {
        {128, "&Help"}, {64, "&Cancel"}, {32, "&Ignore"}, {16, "&Retry"},
        {8, "&Abort"},  {4, "&No"},      {2, "&Yes"},     {1, "O&k"},
    };
    std::vector<HistoryButton> out;
    for (const auto& [code, label] : kLabels) {
        if ((buttons & code) != 0) out.push_back({label, code, code == defaultButton});
    }
    return out;
}

}  // namespace kirva::framework
