// The desktop program's windows as stories. A story (tests/stories/<window>/<name>.story) is what a user
// does: a few lines that set up the folder the program starts in, then the scripted user's steps. The
// whole program runs on the headless window system with a fixed today, and everything that happens comes
// out as one transcript: each step, every event, every change the program makes to a control, every
// message box in full, every folder picker, and at the end KIRVA.INI and the files in the folder. That
// transcript is compared whole with <name>.transcript beside the story, a reviewed file.
// KIRVA_UPDATE_STORIES=1 writes what came out as the new transcripts (read the diff before committing).
//
// The story language, one statement a line ("#" starts a comment line; $DIR is the story's folder):
//   today DD.MM.YYYY               today's date (15.03.2019 when not given)
//   demo [N]                       the demo data files and KIRVA.INI (N invoices, 60 when not given); before
//                                  any `ini` line, as the demo refuses a folder that holds a KIRVA.INI
//   complete                       folders and identification set, the data files not there (an empty book)
//   ini SECTION KEY [VALUE]        writes a key of KIRVA.INI
//   mkdir NAME                     makes a folder in $DIR
//   type CONTROL TEXT              the focus to the control, and the text typed into it (not left)
//   fill CONTROL TEXT              type, then Tab
//   tab | shift-tab | enter | escape | close-box
//   key F1                         any other key
//   alt LETTER                     an access key
//   click CONTROL | focus CONTROL
//   resize W H | move X Y | maximize | minimize | restore | deactivate | activate
//   answer BUTTON                  the answer to the next message box (a button code)
//   pick FOLDER [browse DIR] | pick cancel    the answer to the next folder picker
//   place                          writes the innermost window's place, size and state
//   look                           writes the innermost window's focus and every button's look
// A CONTROL is a control's name (?OKBUTTON, ?GLO:ODDATUMA, ...; listed below) or its field number.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "app/desktop_program.h"
#include "export/export_window.h"
#include "framework/window/window_controller.h"
#include "platform/ini/profile_file.h"
#include "platform/text1250.h"
#include "settings/settings_window.h"
#include "tests/support/headless_window.h"
#include "tests/support/test_folder.h"
#include "tools/demo/demo_files.h"

namespace kirva::testing {
namespace {

namespace fs = std::filesystem;
using platform::Window;

const fs::path kStories = fs::path(KIRVA_TEST_DIR) / "stories";

// The names the stories use for the controls: the export window's as the program's texts name them, the
// settings window's entries by the setting they hold (its buttons go by their field numbers).
const std::map<std::string, int32_t>& exportNames() {
    static const std::map<std::string, int32_t> names = {
        {"?GLO:ODDATUMA", exporting::kFromDate},    {"?GLO:DODATUMA", exporting::kToDate},
        {"?LOC:ODRACUNA", exporting::kFirstNumber}, {"?LOC:DORACUNA", exporting::kLastNumber},
        {"?LOC:STEVILORACUNOV", exporting::kCount}, {"?OKBUTTON", exporting::kBuildButton},
        {"?CANCEL", exporting::kCancelButton},      {"?GUMBNASTAVITVE:2", exporting::kSettingsButton},
    };
    return names;
}
const std::map<std::string, int32_t>& settingsNames() {
    static const std::map<std::string, int32_t> names = {
        {"?GLO:POTDOIZDANIHRACUNOV", settings::kInvoiceFolder},
        {"?GLO:POTDOPARTNERJEV", settings::kPartnerFolder},
        {"?GLO:POTDOXMLRACUNOV", settings::kOutputFolder},
        {"?GLO:BRISANJEDELOVNIH", settings::kDeleteWorkData},
        {"?GLO:STOPNJADDVVISJA", settings::kHigherRate},
        {"?GLO:STOPNJADDVNIZJA", settings::kLowerRate},
        {"?GLO:FIRMAOPAL", settings::kFirma},
        {"?GLO:KLJUCOPAL", settings::kKljuc},
    };
    return names;
}

// A control's number as the transcript shows it: with its name where it has one in that window.
std::string controlLabel(std::string_view window, int32_t control) {
    const auto& names = window == settings::kSettingsProcedureName ? settingsNames() : exportNames();
    for (const auto& [name, number] : names) {
        if (number == control) return name;
    }
    return std::to_string(control);
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    if (from.empty()) return text;
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::vector<std::string> words(const std::string& line, std::size_t limit) {
    // The first `limit - 1` words split at blanks; the last word is the rest of the line as it stands.
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < line.size() && out.size() + 1 < limit) {
        while (at < line.size() && line[at] == ' ') ++at;
        if (at >= line.size()) break;
        const std::size_t end = line.find(' ', at);
        out.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end == std::string::npos ? line.size() : end + 1;
    }
    if (at < line.size()) out.push_back(line.substr(at));
    return out;
}

std::string iconName(platform::MessageIcon icon) {
    switch (icon) {
        case platform::MessageIcon::None:
            return "no icon";
        case platform::MessageIcon::Information:
            return "information";
        case platform::MessageIcon::Exclamation:
            return "exclamation";
        case platform::MessageIcon::WinLogo:
            return "winlogo";
        case platform::MessageIcon::Question:
            return "question";
        case platform::MessageIcon::Hand:
            return "hand";
    }
    return "?";
}

// A message box in full: caption, icon, buttons, the answer, then its text a line per "|" piece, quoted so
// that leading and trailing blanks show.
std::string describeBox(const platform::MessageBoxRequest& box, const std::string& answer) {
    std::string buttons;
    if (!box.buttonCaptions.empty()) {
        for (const auto& caption : box.buttonCaptions) buttons += (buttons.empty() ? "" : ", ") + caption.toUtf8();
    } else {
        static const std::pair<unsigned, const char*> standard[] = {
            {platform::ButtonOk, "OK"},         {platform::ButtonYes, "Yes"},     {platform::ButtonNo, "No"},
            {platform::ButtonAbort, "Abort"},   {platform::ButtonRetry, "Retry"}, {platform::ButtonIgnore, "Ignore"},
            {platform::ButtonCancel, "Cancel"}, {platform::ButtonHelp, "Help"}};
        for (const auto& [bit, name] : standard) {
            if ((box.buttons & bit) != 0) buttons += std::string(buttons.empty() ? "" : ", ") + name;
        }
    }
    std::string out = "box \"" + box.caption.toUtf8() + "\" " + iconName(box.icon) + " [" + buttons + "]" + answer;
    std::string text = box.text.toUtf8();
    std::size_t at = 0;
    while (true) {
        const std::size_t bar = text.find('|', at);
        out += "\n    \"" + text.substr(at, bar == std::string::npos ? std::string::npos : bar - at) + "\"";
        if (bar == std::string::npos) break;
        at = bar + 1;
    }
    return out;
}

// FNV-1a, 64 bits: a digest of a written file that stays the same from run to run and machine to machine.
std::string digest(const std::string& bytes) {
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    std::ostringstream out;
    out << std::hex << hash;
    return out.str();
}

class Story {
  public:
    explicit Story(const fs::path& file) : file_(file) {}

    // Runs the story and returns its transcript; a line it cannot read is a test failure.
    std::string run() {
        const fs::path previous = fs::current_path();
        fs::current_path(folder_.path());
        std::ifstream in(file_);
        std::vector<std::string> steps;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty() || line[0] == '#') continue;
            line = replaceAll(line, "$DIR", folder_.path().string());
            if (!setUp(line)) steps.push_back(line);
        }
        for (const std::string& step : steps) queue(step);
        const int exitCode = runProgram();
        fs::current_path(previous);
        return transcript(exitCode);
    }

  private:
    bool setUp(const std::string& line) {
        const auto w = words(line, 4);
        const std::string& verb = w[0];
        if (verb == "today") {
            int d = 0, m = 0, y = 0;
            EXPECT_EQ(std::sscanf(w.at(1).c_str(), "%d.%d.%d", &d, &m, &y), 3) << line;
            clock_.emplace(*dateFromCivil(y, m, d));
        } else if (verb == "demo") {
            demo::DemoOptions options;
            options.invoices = w.size() > 1 ? std::stoi(w[1]) : 60;
            auto written = demo::writeDemo(folder_.path().string(), options, clock());
            EXPECT_TRUE(written.ok()) << (written.ok() ? "" : written.error().message);
        } else if (verb == "complete") {
            const std::string here = folder_.path().string() + "/";
            namespace keys = settings::keys;
            for (const auto& [key, value] :
                 {std::pair{keys::potDoIzdanihRacunov, here}, std::pair{keys::potDoPartnerjev, here},
                  std::pair{keys::potDoXmlRacunov, here}, std::pair{keys::firmaOpal, std::string("ACME")},
                  std::pair{keys::kljucOpal, std::string("KLJUC12345")}}) {
                setting(std::string(key.section), std::string(key.key), value);
            }
        } else if (verb == "ini") {
            setting(w.at(1), w.at(2), w.size() > 3 ? w[3] : "");
        } else if (verb == "mkdir") {
            fs::create_directories(folder_.path() / w.at(1));
        } else {
            return false;
        }
        return true;
    }

    void setting(const std::string& section, const std::string& key, const std::string& value) {
        EXPECT_TRUE(platform::writeProfileString(folder_ / "KIRVA.INI", section, key, value).ok());
    }

    static int32_t control(const std::string& word) {
        for (const auto* names : {&exportNames(), &settingsNames()}) {
            if (auto found = names->find(word); found != names->end()) return found->second;
        }
        int32_t number = 0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), number);
        EXPECT_TRUE(error == std::errc() && end == word.data() + word.size()) << "no control " << word;
        return number;
    }

    // Notes a line of the driver's own at this point of the run.
    void note(std::string line) {
        user().check([this, line = std::move(line)](Window&) {
            marks_.push_back({windows_.transcript().size(), windows_.changes().size(), line});
        });
    }

    void queue(const std::string& line) {
        auto& u = user();
        const auto w = words(line, 3);
        const std::string& verb = w[0];
        note("> " + line);
        if (verb == "type" || verb == "fill") {
            const std::string text = w.size() > 2 ? w[2] : "";
            auto converted = utf8ToCp1250(text);
            EXPECT_TRUE(converted.ok()) << line;
            const std::string typed = converted.ok() ? *converted : text;
            if (verb == "type") {
                u.type(control(w.at(1)), typed);
            } else {
                u.enter(control(w.at(1)), typed);
            }
        } else if (verb == "tab") {
            u.pressTab();
        } else if (verb == "shift-tab") {
            u.pressShiftTab();
        } else if (verb == "enter") {
            u.pressEnter();
        } else if (verb == "escape") {
            u.pressEscape();
        } else if (verb == "close-box") {
            u.closeBox();
        } else if (verb == "key") {
            const int n = std::stoi(w.at(1).substr(1));
            u.pressKey(platform::keys::kF1 + n - 1);
        } else if (verb == "alt") {
            u.pressAccessKey(w.at(1).at(0));
        } else if (verb == "click") {
            u.click(control(w.at(1)));
        } else if (verb == "focus") {
            u.focus(control(w.at(1)));
        } else if (verb == "resize") {
            u.resizeTo(std::stoi(w.at(1)), std::stoi(w.at(2)));
        } else if (verb == "move") {
            u.moveTo(std::stoi(w.at(1)), std::stoi(w.at(2)));
        } else if (verb == "maximize") {
            u.maximize();
        } else if (verb == "minimize") {
            u.minimize();
        } else if (verb == "restore") {
            u.restore();
        } else if (verb == "deactivate") {
            u.deactivate();
        } else if (verb == "activate") {
            u.activate();
        } else if (verb == "answer") {
            u.answerMessageBox(static_cast<unsigned>(std::stoul(w.at(1))));
        } else if (verb == "pick") {
            const auto p = words(line, 5);
            std::optional<std::string> folder;
            if (p.at(1) != "cancel") folder = p[1];
            u.answerFolderPicker(folder, p.size() > 3 && p[2] == "browse" ? p[3] : std::string());
        } else if (verb == "place") {
            u.check([this](Window& window) {
                const platform::Rect r = window.place();
                static const char* const states[] = {"normal", "maximized", "minimized"};
                marks_.push_back({windows_.transcript().size(), windows_.changes().size(),
                                  "  place " + std::to_string(r.x) + "," + std::to_string(r.y) + " size " +
                                      std::to_string(r.width) + "x" + std::to_string(r.height) + " " +
                                      states[static_cast<int>(window.state())]});
            });
        } else if (verb == "look") {
            u.check([this](Window& window) {
                marks_.push_back({windows_.transcript().size(), windows_.changes().size(), look(window)});
            });
        } else {
            ADD_FAILURE() << file_.filename() << ": no such step: " << line;
        }
    }

    // The window's focus, what every entry shows, and the look of every button: its text and image, shown or
    // hidden, enabled or not.
    std::string look(const Window& window) const {
        const std::string name = nameOf(window);
        std::string out = "  focus " + controlLabel(name, window.focusedControl());
        for (int32_t c : window.controls()) {
            const platform::ControlKind kind = window.controlKind(c);
            if (kind != platform::ControlKind::Button && kind != platform::ControlKind::Entry) continue;
            out += std::string("\n  ") + (kind == platform::ControlKind::Button ? "button " : "entry ") +
                   controlLabel(name, c) + " \"" + window.text(c).toUtf8() + "\"";
            if (kind == platform::ControlKind::Button) out += " " + window.image(c);
            out += std::string(window.isHidden(c) ? " hidden" : " shown") + (window.isDisabled(c) ? " disabled" : "");
        }
        return out;
    }

    std::string nameOf(const Window& window) const {
        return window.caption() == Text1250::literal(" NASTAVITVE PROGRAMA")
                   ? std::string(settings::kSettingsProcedureName)
                   : std::string("IzdelavaXMLdatotekeIzdanihRacunov");
    }

    const Clock& clock() {
        if (!clock_) clock_.emplace(*dateFromCivil(2019, 3, 15));
        return *clock_;
    }

    platform::ScriptedUser& user() { return windows_.user(); }

    int runProgram() {
        app::DesktopOptions options;
        options.startup.registerUpgrade = false;
        options.startup.dictionary.lockRecover = 0;
        options.clock = &clock();
        return app::runDesktopProgram(windows_, options);
    }

    // A transcript line with the controls named: "<window>: <Event> <control>".
    static std::string named(const std::string& line) {
        const std::size_t colon = line.find(": ");
        const std::size_t space = line.rfind(' ');
        if (colon == std::string::npos || space <= colon + 1 || line.starts_with("box ")) return line;
        const std::string window = line.substr(0, colon);
        const std::string number = line.substr(space + 1);
        if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos || number == "0") {
            return line;
        }
        return line.substr(0, space + 1) + controlLabel(window, std::stoi(number));
    }

    // A change line with its control named: "<window>: <what> <control> [<rest>]", indented under the event.
    static std::string namedChange(const std::string& line) {
        const std::size_t colon = line.find(": ");
        if (colon == std::string::npos) return "  " + line;
        const std::string window = line.substr(0, colon);
        const auto w = words(line.substr(colon + 2), 3);
        if (w.size() < 2 || w[0] == "moves" || w[1].find_first_not_of("0123456789") != std::string::npos) {
            return "  " + line;
        }
        std::string out = "  " + window + ": " + w[0] + " " + controlLabel(window, std::stoi(w[1]));
        if (w.size() > 2) out += " \"" + w[2] + "\"";
        return out;
    }

    std::string transcript(int exitCode) {
        const auto& lines = windows_.transcript();
        const auto& changes = windows_.changes();
        const auto& changeAt = windows_.changePositions();
        const auto& boxes = windows_.shownBoxes();
        std::ostringstream out;
        std::size_t change = 0, mark = 0, box = 0;
        // Changes and marks that happened when `position` transcript lines (and `changesSoFar` changes)
        // had been written come before the transcript line at `position`.
        auto flush = [&](std::size_t position) {
            while (true) {
                const bool markDue =
                    mark < marks_.size() && marks_[mark].lines <= position && marks_[mark].changes <= change;
                const bool changeDue =
                    change < changes.size() && changeAt[change] <= position &&
                    (mark >= marks_.size() || marks_[mark].lines > changeAt[change] || marks_[mark].changes > change);
                if (changeDue) {
                    out << namedChange(changes[change++]) << "\n";
                } else if (markDue) {
                    out << marks_[mark++].text << "\n";
                } else {
                    break;
                }
            }
        };
        for (std::size_t i = 0; i < lines.size(); ++i) {
            flush(i);
            if (lines[i].starts_with("box ") && box < boxes.size()) {
                const std::size_t arrow = lines[i].rfind(" -> ");
                out << describeBox(boxes[box++], arrow == std::string::npos ? "" : lines[i].substr(arrow)) << "\n";
            } else {
                out << named(lines[i]) << "\n";
            }
        }
        flush(lines.size());
        while (change < changes.size()) out << namedChange(changes[change++]) << "\n";
        while (mark < marks_.size()) out << marks_[mark++].text << "\n";

        out << "exit " << exitCode << ", response " << int{framework::procedureResponse()} << "\n";
        out << "== KIRVA.INI\n" << readFile(folder_.path() / "KIRVA.INI");
        out << "== files\n";
        std::vector<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(folder_.path())) {
            const std::string relative = fs::relative(entry.path(), folder_.path()).generic_string();
            if (entry.is_directory()) {
                files.push_back(relative + "/");
            } else if (relative != "KIRVA.INI") {
                // The data files' bytes are the storage engine's business; what was written is the journal.
                const std::string bytes = readFile(entry.path());
                files.push_back(entry.path().extension() == ".DB"
                                    ? relative
                                    : relative + " " + std::to_string(bytes.size()) + " bytes " + digest(bytes));
            }
        }
        std::sort(files.begin(), files.end());
        for (const auto& f : files) out << f << "\n";
        std::string text = out.str();
#ifdef _WIN32
        // Folders read with "/" on every system, so that one reviewed transcript serves both.
        std::replace(text.begin(), text.end(), '\\', '/');
        return replaceAll(text, folder_.path().generic_string(), "$DIR");
#else
        return replaceAll(text, folder_.path().string(), "$DIR");
#endif
    }

    struct Mark {
        std::size_t lines;
        std::size_t changes;
        std::string text;
    };

    fs::path file_;
    TestFolder folder_;
    platform::HeadlessWindowSystem windows_;
    std::optional<FixedClock> clock_;
    std::vector<Mark> marks_;
};

std::vector<std::string> storyNames() {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(kStories, ignored)) {
        if (entry.path().extension() == ".story") {
            names.push_back(fs::relative(entry.path(), kStories).replace_extension().generic_string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The first line where two transcripts part, with a few lines of each around it.
std::string firstDifference(const std::string& expected, const std::string& actual) {
    std::vector<std::string> want, got;
    for (auto [text, into] : {std::pair{&expected, &want}, std::pair{&actual, &got}}) {
        std::istringstream in(*text);
        for (std::string line; std::getline(in, line);) into->push_back(line);
    }
    std::size_t i = 0;
    while (i < want.size() && i < got.size() && want[i] == got[i]) ++i;
    std::ostringstream out;
    out << "the transcripts part at line " << i + 1 << "\n";
    const std::size_t from = i >= 3 ? i - 3 : 0;
    for (std::size_t k = from; k < i + 6; ++k) {
        if (k < want.size()) out << "  expected " << k + 1 << ": " << want[k] << "\n";
    }
    for (std::size_t k = from; k < i + 6; ++k) {
        if (k < got.size()) out << "  actual   " << k + 1 << ": " << got[k] << "\n";
    }
    return out.str();
}

class StoryTest : public ::testing::TestWithParam<std::string> {};

TEST_P(StoryTest, TranscriptIsTheReviewedOne) {
    const fs::path story = kStories / (GetParam() + ".story");
    const fs::path expectedFile = kStories / (GetParam() + ".transcript");
    const std::string actual = Story(story).run();
    const char* update = std::getenv("KIRVA_UPDATE_STORIES");
    if (update != nullptr && std::string(update) == "1") {
        std::ofstream(expectedFile, std::ios::binary) << actual;
        return;
    }
    ASSERT_TRUE(fs::exists(expectedFile)) << expectedFile << " is missing; KIRVA_UPDATE_STORIES=1 writes it";
    const std::string expected = readFile(expectedFile);
    EXPECT_TRUE(expected == actual) << firstDifference(expected, actual);
}

INSTANTIATE_TEST_SUITE_P(Stories, StoryTest, ::testing::ValuesIn(storyNames()),
                         [](const ::testing::TestParamInfo<std::string>& story) {
                             std::string name = story.param;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

TEST(StoryNames, EveryStoryHasItsTranscriptAndEveryTranscriptItsStory) {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(kStories, ignored)) {
        const fs::path& p = entry.path();
        if (p.extension() == ".story") {
            EXPECT_TRUE(fs::exists(fs::path(p).replace_extension(".transcript"))) << p;
        }
        if (p.extension() == ".transcript") {
            EXPECT_TRUE(fs::exists(fs::path(p).replace_extension(".story"))) << p;
        }
    }
    EXPECT_FALSE(storyNames().empty());
}

}  // namespace
}  // namespace kirva::testing
