#include "framework/window/window_resizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "framework/window/window_controller.h"
#include "tests/framework/window/settings_shape.h"
#include "tests/support/headless_window.h"

using namespace kirva::framework;
using kirva::platform::ControlKind;
using kirva::platform::Rect;
using kirva::testing::settingsShape;

namespace kirva::platform {
// Places read as the cases file writes them.
inline std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << r.x << ' ' << r.y << ' ' << r.width << ' ' << r.height;
}
}  // namespace kirva::platform

namespace {

Rect readRect(std::istream& in) {
    Rect r;
    in >> r.x >> r.y >> r.width >> r.height;
    return r;
}

TEST(ComputePosition, EveryRuleAgainstValuesWorkedOutByHand) {
    std::ifstream file(std::string(KIRVA_TEST_DIR) + "/framework/window/compute_position_cases.txt");
    ASSERT_TRUE(file) << "the cases file is missing";
    std::string line;
    int cases = 0;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> parts;
        std::stringstream split(line);
        for (std::string part; std::getline(split, part, '|');) parts.push_back(part);
        ASSERT_EQ(parts.size(), 6u) << line;
        std::istringstream strategies(parts[0]);
        unsigned positional = 0, resize = 0;
        strategies >> positional >> resize;
        std::istringstream p0(parts[1]), p1(parts[2]), design(parts[3]), expected(parts[4]);
        const Rect before = readRect(p0), after = readRect(p1), place = readRect(design), want = readRect(expected);
        const Rect got = WindowResizer::applyStrategies(static_cast<uint16_t>(positional),
                                                        static_cast<uint16_t>(resize), before, after, place);
        EXPECT_EQ(got, want) << parts[5] << "\n  got " << got;
        ++cases;
    }
    EXPECT_GE(cases, 20);
}

TEST(ComputePosition, RatiosKeepFourDecimalsRoundedHalfAwayFromZero) {
    EXPECT_EQ(WindowResizer::ratio(443, 343), 12915);
    EXPECT_EQ(WindowResizer::ratio(2, 3), 6667);
    EXPECT_EQ(WindowResizer::ratio(1, 3), 3333);
    EXPECT_EQ(WindowResizer::ratio(1, 20000), 1);  // 0.00005 rounds up
    EXPECT_EQ(WindowResizer::ratio(-1, 20000), -1);
    EXPECT_EQ(WindowResizer::ratio(300, 200), 15000);
    EXPECT_EQ(WindowResizer::ratio(7, 0), 10000);
}

TEST(DefaultStrategies, ByApplicationStrategyAndControlKind) {
    struct Case {
        uint8_t strategy;
        ControlKind kind;
        uint16_t positional, resize;
    };
    const Case cases[] = {
        {1, ControlKind::Button, 4112, 3},   {1, ControlKind::CheckBox, 4112, 3}, {1, ControlKind::Entry, 0, 2},
        {1, ControlKind::DropList, 0, 2},    {1, ControlKind::Prompt, 0, 0},      {1, ControlKind::Text, 0, 0},
        {1, ControlKind::Image, 0, 0},       {1, ControlKind::Line, 0, 0},        {2, ControlKind::Button, 4112, 3},
        {2, ControlKind::Radio, 4112, 3},    {2, ControlKind::Prompt, 1024, 2},   {2, ControlKind::Text, 1024, 2},
        {2, ControlKind::Entry, 1024, 2},    {2, ControlKind::Image, 1028, 12},   {2, ControlKind::List, 1028, 12},
        {2, ControlKind::Group, 1028, 12},   {2, ControlKind::Sheet, 1028, 12},   {2, ControlKind::Option, 1028, 12},
        {2, ControlKind::Region, 1028, 12},  {2, ControlKind::Line, 0, 0},        {2, ControlKind::Box, 0, 0},
        {3, ControlKind::Button, 257, 3},    {3, ControlKind::Entry, 257, 3},     {3, ControlKind::Line, 257, 3},
        {4, ControlKind::CheckBox, 4112, 3}, {4, ControlKind::Prompt, 1028, 3},   {4, ControlKind::Text, 1028, 3},
        {4, ControlKind::Entry, 1028, 6},    {4, ControlKind::DropList, 1028, 6}, {4, ControlKind::Image, 1028, 12},
        {4, ControlKind::Box, 0, 0},         {5, ControlKind::Button, 2056, 3},   {5, ControlKind::Image, 2056, 3},
        {5, ControlKind::Box, 2056, 3},      {0, ControlKind::Button, 0, 0},      {6, ControlKind::Entry, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("strategy " + std::to_string(c.strategy) + " kind " + std::to_string(static_cast<int>(c.kind)));
        EXPECT_EQ(WindowResizer::defaultPositionalStrategy(c.strategy, c.kind), c.positional);
        EXPECT_EQ(WindowResizer::defaultResizeStrategy(c.strategy, c.kind), c.resize);
    }
}

// The settings window's shape on a headless window, laid out directly (the window manager's part in it is
// tested with the user below).
class SettingsShapeResizerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window->open(nullptr);
        resizer.init(*window, 2, true, false);
        for (int32_t id : window->controls()) design[id] = at(id);
    }
    void TearDown() override { resizer.shutdown(); }
    Rect at(int32_t control) const { return window->controlPlace(control); }
    // The user drags the window to a new client size; the resizer lays it out.
    void resizeTo(int32_t width, int32_t height) {
        const Rect place = window->place();
        window->setPlace({place.x, place.y, width, height});
        resizer.layoutWindow();
    }
    // The controls the last passes moved, from the window's record of changes.
    std::vector<int32_t> movedSince(std::size_t mark) const {
        std::vector<int32_t> moved;
        const auto& changes = system.changes();
        for (std::size_t i = mark; i < changes.size(); ++i) {
            const auto at = changes[i].find(": place ");
            if (at != std::string::npos) moved.push_back(std::stoi(changes[i].substr(at + 8)));
        }
        std::sort(moved.begin(), moved.end());
        return moved;
    }

    kirva::platform::HeadlessWindowSystem system;
    std::unique_ptr<kirva::platform::Window> window = system.createWindow(settingsShape());
    WindowResizer resizer;
    std::map<int32_t, Rect> design;
};

TEST_F(SettingsShapeResizerTest, CapturesEveryControlWithTheDesignSizeAsMinimum) {
    ASSERT_EQ(resizer.entries().size(), 25u);
    for (const WindowResizer::Entry& entry : resizer.entries()) {
        EXPECT_EQ(entry.parentId, 0) << entry.id;
        EXPECT_EQ(entry.design, design[entry.id]) << entry.id;
    }
    resizeTo(300, 300);
    EXPECT_EQ(window->place().width, 343);
    EXPECT_EQ(window->place().height, 346);
    resizeTo(900, 600);
    EXPECT_EQ(window->place().width, 900) << "no maximum size";
}

TEST_F(SettingsShapeResizerTest, HundredUnitsWiderAndBackToTheDesignSize) {
    const std::size_t mark = system.changes().size();
    resizeTo(443, 346);
    // The "..." buttons keep their distance from the right edge.
    for (int32_t button : {4, 7, 10}) {
        EXPECT_EQ(443 - (at(button).x + at(button).width), 343 - (310 + 15)) << button;
        EXPECT_EQ(at(button).y, design[button].y);
        EXPECT_EQ(at(button).width, 15);
    }
    // The folder entries widen in proportion (ratio 1.2915) and keep their top and height.
    EXPECT_EQ(at(3), (Rect{27, 45, 369, 12}));
    EXPECT_EQ(at(6), (Rect{27, 86, 368, 11}));
    EXPECT_EQ(at(9), (Rect{27, 131, 369, 12}));
    // The image keeps its left and top distance and its right margin.
    EXPECT_EQ(at(1), (Rect{310, 0, 131, 31}));
    // The confirm and cancel buttons stay at the bottom right corner; the rates move in proportion.
    EXPECT_EQ(at(24), (Rect{303, 328, 62, 14}));
    EXPECT_EQ(at(25), (Rect{375, 328, 62, 14}));
    EXPECT_EQ(at(14), (Rect{141, 191, 61, 10}));
    EXPECT_EQ(at(16), (Rect{336, 191, 61, 10}));
    // Prompts keep their natural size; only their left edge moves. The line scales.
    EXPECT_EQ(at(2), (Rect{27, 31, design[2].width, design[2].height}));
    EXPECT_EQ(at(17), (Rect{28, 218, 384, 1}));
    EXPECT_EQ(system.changes()[mark], "NastavitvePrograma: moves 24") << "one batch; only the check box stays";

    // Through an odd size, then exactly back: nothing is left over.
    resizeTo(517, 401);
    resizeTo(343, 346);
    for (int32_t id : window->controls()) EXPECT_EQ(at(id), design[id]) << "control " << id;
}

TEST_F(SettingsShapeResizerTest, OnlyControlsWhosePlaceChangesAreMoved) {
    const std::size_t mark = system.changes().size();
    resizeTo(343, 400);  // taller only: strategy 2 keeps every top distance, so only some move
    // The buttons at the bottom keep their distance from it; the image keeps its bottom margin.
    EXPECT_EQ(movedSince(mark), (std::vector<int32_t>{1, 17, 24, 25}));
    EXPECT_EQ(at(24).y, 328 + 54);
    EXPECT_EQ(at(1).height, 31 + 54);
    EXPECT_EQ(at(17).y, 252);  // a line scales its top by the height ratio 1.1561: 252.03 -> 252
    const std::size_t again = system.changes().size();
    resizeTo(343, 400);
    resizer.layoutWindow();
    EXPECT_EQ(system.changes().size(), again) << "no change of size, no pass";
}

TEST_F(SettingsShapeResizerTest, RestoreDesignPutsWindowAndControlsBack) {
    resizeTo(600, 500);
    window->setState(kirva::platform::WindowState::Maximized);
    resizer.layoutWindow();
    resizer.restoreDesign();
    EXPECT_EQ(window->state(), kirva::platform::WindowState::Normal);
    EXPECT_EQ(window->place().width, 343);
    EXPECT_EQ(window->place().height, 346);
    for (int32_t id : window->controls()) EXPECT_EQ(at(id), design[id]) << id;
}

TEST_F(SettingsShapeResizerTest, AfterShutdownTheUsersResizingMovesNothing) {
    resizer.shutdown();
    resizer.shutdown();
    EXPECT_TRUE(resizer.entries().empty());
    const std::size_t mark = system.changes().size();
    system.user().resizeBy(100, 50).maximize().restore().activate().closeBox();
    window->runEventLoop([](const kirva::platform::Event&) { return kirva::platform::EventVerdict::Normal; });
    EXPECT_TRUE(movedSince(mark).empty());
}

TEST(WindowResizer, ContainersTakeTheControlsInsideThemAndCarryThemAlong) {
    kirva::platform::WindowLayout layout;
    layout.width = 200;
    layout.height = 100;
    auto add = [&](int32_t number, ControlKind kind, Rect place, int32_t parent = 0) {
        kirva::platform::ControlLayout control;
        control.number = number;
        control.kind = kind;
        control.place = place;
        control.parent = parent;
        layout.controls.push_back(control);
    };
    add(1, ControlKind::Group, {10, 10, 100, 50});
    add(2, ControlKind::Entry, {20, 20, 40, 10});    // inside the group
    add(3, ControlKind::Button, {109, 59, 10, 10});  // its corner on the group's last unit: inside
    add(4, ControlKind::Button, {110, 20, 10, 10});  // just outside
    add(5, ControlKind::Sheet, {120, 10, 70, 80});
    add(6, ControlKind::Tab, {120, 20, 70, 70}, 5);    // a page of the sheet
    add(7, ControlKind::Entry, {125, 92, 40, 10}, 6);  // on the page (below the sheet's frame): moves with it
    kirva::platform::HeadlessWindowSystem system;
    auto window = system.createWindow(layout);
    window->open(nullptr);
    WindowResizer resizer;
    resizer.init(*window, 2, true, false);

    EXPECT_EQ(resizer.parentOf(2), 1);
    EXPECT_EQ(resizer.parentOf(3), 1);
    EXPECT_EQ(resizer.parentOf(4), 0);
    EXPECT_EQ(resizer.parentOf(7), 5);
    EXPECT_EQ(resizer.entries().size(), 6u) << "tab pages are not laid out themselves";

    window->setPlace({window->place().x, window->place().y, 300, 100});
    resizer.layoutWindow();
    // The group keeps its left and top and its right margin: 10, 10, 200, 50; the entry in it scales
    // from the group's left edge by the group's ratio 2.0.
    EXPECT_EQ(window->controlPlace(1), (Rect{10, 10, 200, 50}));
    EXPECT_EQ(window->controlPlace(2), (Rect{30, 20, 80, 10}));
    // The sheet widens from 70 to 170 (ratio 2.4286); the entry on its page scales from the sheet's edge.
    EXPECT_EQ(window->controlPlace(5), (Rect{120, 10, 170, 80}));
    EXPECT_EQ(window->controlPlace(7), (Rect{132, 92, 97, 10}));
    resizer.shutdown();
}

}  // namespace

namespace {

using kirva::platform::HeadlessWindowSystem;
using kirva::platform::Window;

// A window procedure of the settings window's shape, set up as the settings window sets up its resizer:
// strategy 2, the design size as minimum, no maximum, parents assigned, then one layout pass.
class SettingsShapeWindow : public WindowController {
  public:
    explicit SettingsShapeWindow(HeadlessWindowSystem& system) : WindowController(system) {}
    ErrorLevel init() override {
        const ErrorLevel level = WindowController::init();
        if (level != ErrorLevel::Quiet) return level;
        window_ = windowSystem().createWindow(settingsShape());
        openWindow(*window_);
        resizer.init(*window_, 2, true, false);
        resizer.assignParents();
        linkResizer(resizer);
        resizer.layoutWindow();
        return ErrorLevel::Quiet;
    }
    WindowResizer resizer;

  private:
    std::unique_ptr<Window> window_;
};

std::map<int32_t, Rect> places(const Window& window) {
    std::map<int32_t, Rect> result;
    for (int32_t control : window.controls()) result[control] = window.controlPlace(control);
    return result;
}

TEST(SettingsShapeOnAWindow, TheUserWidensItShrinksItAndBringsItBack) {
    HeadlessWindowSystem system;
    SettingsShapeWindow settings(system);
    std::map<int32_t, Rect> design, wider, afterShrinking, back;
    Rect sizeAfterShrinking;
    std::size_t batchesBeforeFocus = 0, batchesAfterFocus = 0;
    system.user()
        .check([&](Window& w) { design = places(w); })
        .resizeBy(-20, -30)
        .check([&](Window& w) {
            afterShrinking = places(w);
            sizeAfterShrinking = w.place();
        })
        .resizeBy(100, 0)
        .check([&](Window& w) { wider = places(w); })
        .check([&](Window&) { batchesBeforeFocus = system.changes().size(); })
        .deactivate()
        .activate()
        .activate()
        .check([&](Window&) { batchesAfterFocus = system.changes().size(); })
        .resizeBy(77, 51)
        .resizeTo(343, 346)
        .check([&](Window& w) { back = places(w); })
        .closeBox();
    EXPECT_EQ(settings.run(), ResponseCancelled);

    EXPECT_EQ(sizeAfterShrinking.width, 343) << "the design size is the minimum";
    EXPECT_EQ(sizeAfterShrinking.height, 346);
    EXPECT_EQ(afterShrinking, design);
    for (int32_t button : {4, 7, 10}) EXPECT_EQ(wider[button].x, design[button].x + 100) << button;
    EXPECT_EQ(wider[3], (Rect{27, 45, 369, 12}));
    EXPECT_EQ(wider[1], (Rect{310, 0, 131, 31}));
    EXPECT_EQ(batchesAfterFocus, batchesBeforeFocus) << "gaining the focus without a change moves nothing";
    EXPECT_EQ(back, design) << "exactly back at the design places";

    // Each pass reached the window as one batch.
    const auto& changes = system.changes();
    EXPECT_EQ(std::count_if(changes.begin(), changes.end(),
                            [](const std::string& c) { return c.find(": moves ") != std::string::npos; }),
              3);
}

}  // namespace
