// How long the export window goes without showing the user anything while it counts and builds a big
// period: runs CountPeriodInvoices and RunExport on a folder made by `kirva-cli demo --invoices N`, through
// the same progress reports the window turns into its progress indication, and prints for each pass its
// time, the number of reports and the longest stretch without one (from the start, between reports, to the
// end). The window shows progress only for a pass that takes longer than half a second.
//
//   export-feedback DEMO_FOLDER FROM TO     (dates dd.mm.yyyy; run from anywhere)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/export_session.h"
#include "export/export_run.h"
#include "platform/text1250.h"
#include "platform/window/message_box.h"

namespace {

using Clock = std::chrono::steady_clock;

class TimingFront final : public kirva::exporting::ExportFront {
  public:
    explicit TimingFront(kirva::platform::MessageBoxes& boxes) : boxes_(boxes) {}
    void showNothingToExport() override {}
    void focusCloseButton() override {}
    void updateBindings() override {}
    kirva::platform::MessageBoxes& messageBoxes() override { return boxes_; }
    void progress(int64_t, int64_t) override { reports_.push_back(Clock::now()); }

    void start() {
        reports_.clear();
        start_ = Clock::now();
    }
    void print(const char* pass) const {
        const auto end = Clock::now();
        double longest = 0;
        auto previous = start_;
        for (const auto& at : reports_) {
            longest = std::max(longest, std::chrono::duration<double>(at - previous).count());
            previous = at;
        }
        longest = std::max(longest, std::chrono::duration<double>(end - previous).count());
        std::printf("%-6s %8.3f s  %6zu reports  longest without one %6.3f s\n", pass,
                    std::chrono::duration<double>(end - start_).count(), reports_.size(), longest);
    }

  private:
    kirva::platform::MessageBoxes& boxes_;
    Clock::time_point start_;
    std::vector<Clock::time_point> reports_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: export-feedback DEMO_FOLDER FROM TO\n");
        return 2;
    }
    std::filesystem::current_path(argv[1]);
    const auto from = kirva::parseDate(argv[2]);
    const auto to = kirva::parseDate(argv[3]);
    if (!from || !to) {
        std::fprintf(stderr, "export-feedback: dates as dd.mm.yyyy\n");
        return 2;
    }
    kirva::platform::HeadlessMessageBoxes boxes;  // warnings answered at once
    const kirva::SystemClock clock;
    TimingFront front(boxes);
    kirva::app::ExportSession program("./KIRVA.INI", front, clock);
    if (!program.start()) return 4;
    kirva::exporting::ExportFiles files = program.files();
    kirva::exporting::ExportState state;
    state.period = {*from, *to};

    front.start();
    if (!kirva::exporting::countPeriodInvoices(files, state, front)) return 4;
    front.print("count");
    std::printf("       %lld invoices in the period\n", static_cast<long long>(state.steviloRacunov));

    front.start();
    const auto result = kirva::exporting::runExport(files, program.settings(), state, clock, front);
    front.print("run");
    if (!result.ok()) {
        std::fprintf(stderr, "export-feedback: %s\n", kirva::framework::englishText(result.reason).c_str());
        return 3;
    }
    std::filesystem::remove(kirva::exporting::outputPath(state.outputFileName));
    return 0;
}
