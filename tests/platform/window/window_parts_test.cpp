// What the headless and the Qt windows share: access keys read from Windows-1250 texts, the marks
// removed for showing, and the focus walk through the field order past controls that cannot take it.
#include "platform/window/window_parts.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/text1250.h"

namespace kirva::platform {
namespace {

TEST(WindowParts, AccessKeysAndShownTexts) {
    struct Case {
        const char* utf8;
        const char* key;  // UTF-8, empty when the text has none
        const char* shown;
    };
    // "čas": a Windows-1250 letter, upper-cased as such.
    const Case cases[] = {
        {"  &IZDELAJ", "I", "  IZDELAJ"},
        {"&preklič", "P", "preklič"},
        {"&čas", "Č", "čas"},
        {"A && B &c", "C", "A & B c"},
        {"no key", "", "no key"},
        {"ends in &", "", "ends in &"},
        {"&&", "", "&"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        const char key = accessKeyOf(Text1250::literal(c.utf8));
        EXPECT_EQ(key == 0 ? std::string() : cp1250ToUtf8(std::string(1, key)), c.key);
        EXPECT_EQ(withoutAccessMarks(Text1250::literal(c.utf8)).toUtf8(), c.shown);
    }
}

struct Control {
    struct {
        int32_t number;
    } layout;
    bool focusable;
};

TEST(WindowParts, TheFocusWalkWrapsRoundAndPassesControlsThatCannotTakeIt) {
    const std::vector<Control> controls = {{{1}, false}, {{2}, true}, {{3}, false}, {{4}, true}, {{5}, false}};
    const auto can = [](const Control& c) { return c.focusable; };
    EXPECT_EQ(nextFocusable(controls, 2, false, can), 4);
    EXPECT_EQ(nextFocusable(controls, 4, false, can), 2);  // round past the end
    EXPECT_EQ(nextFocusable(controls, 2, true, can), 4);   // round past the start
    EXPECT_EQ(nextFocusable(controls, 1, false, can), 2);
    EXPECT_EQ(nextFocusable(controls, 99, false, can), 2);  // an unknown control: from the start
    EXPECT_EQ(nextFocusable(controls, 99, true, can), 4);   // backwards: from the end
    EXPECT_EQ(nextFocusable(controls, 2, false, [](const Control&) { return false; }), 0);
    EXPECT_EQ(nextFocusable(std::vector<Control>{}, 1, false, can), 0);
}

TEST(WindowParts, RegisteredHandlersComeFirstAndTheFirstNonNormalVerdictStops) {
    WindowEvents events;
    std::vector<std::string> seen;
    int second = 0;
    events.registerHandler(EventKind::Accepted, [&](const Event&) {
        seen.push_back("first");
        events.unregisterHandler(second);  // one handler may unregister another
        return EventVerdict::Normal;
    });
    second = events.registerHandler(EventKind::Accepted, [&](const Event&) {
        seen.push_back("second");
        return EventVerdict::Normal;
    });
    events.registerHandler(EventKind::CloseWindow, [&](const Event&) {
        seen.push_back("refuse");
        return EventVerdict::SkipDefault;
    });
    const WindowEvents::Handler loop = [&](const Event& e) {
        seen.push_back("loop " + std::string(eventKindName(e.kind)));
        return EventVerdict::Normal;
    };
    EXPECT_EQ(events.deliver(Event{EventKind::Accepted, 7}, &loop), EventVerdict::Normal);
    EXPECT_EQ(events.acceptedControl(), 7);
    EXPECT_EQ(events.deliver(Event{EventKind::CloseWindow}, &loop), EventVerdict::SkipDefault);
    EXPECT_EQ(events.current().kind, EventKind::CloseWindow);
    EXPECT_EQ(events.acceptedControl(), 7);
    EXPECT_EQ(seen, (std::vector<std::string>{"first", "loop Accepted", "refuse"}));

    events.post(Event{EventKind::Completed});
    events.post(Event{EventKind::DeferredResize}, true);
    EXPECT_EQ(events.take()->kind, EventKind::DeferredResize);
    events.clear();
    EXPECT_FALSE(events.take().has_value());
}

}  // namespace
}  // namespace kirva::platform
