// The window with which the tests of a real window system (Qt, Win32) compare it with the headless one: a
// prompt, two date entries, a rate, a check box, two buttons, a line and an image, bound to Variables.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/decimal.h"
#include "platform/text1250.h"
#include "platform/window/window_system.h"

namespace kirva::testing::comparison {

enum : int32_t { kFromPrompt = 1, kFrom = 2, kTo = 4, kRate = 5, kDelete = 6, kBuild = 7, kCancel = 8, kLogo = 10 };

// The variables the window is bound to.
struct Variables {
    int32_t from = 0;
    int32_t to = 0;
    Decimal rate = Decimal::fromUnits(2200, 2);
    uint8_t flag = 0;
};

// `lineHeight` 0 leaves the line its natural height.
inline platform::WindowLayout layout(Variables& v, std::string fontName, int32_t points, int32_t lineHeight) {
    using platform::ControlKind;
    using platform::ControlLayout;
    platform::WindowLayout l;
    l.name = "w";
    l.caption = Text1250::literal(" IZVOZ");
    l.width = 200;
    l.height = 120;
    l.fontName = std::move(fontName);
    l.fontPoints = points;
    auto add = [&](int32_t number, ControlKind kind, const char* text, platform::Rect place) -> ControlLayout& {
        ControlLayout c;
        c.number = number;
        c.kind = kind;
        c.text = Text1250::literal(text);
        c.place = place;
        l.controls.push_back(c);
        return l.controls.back();
    };
    add(kFromPrompt, ControlKind::Prompt, "&Od datuma:", {4, 4, 0, 0});
    ControlLayout& from = add(kFrom, ControlKind::Entry, "", {60, 4, 60, 12});
    from.binding = platform::bindDate(v.from);
    from.statusText = Text1250::literal("Od datuma računov");
    add(3, ControlKind::Prompt, "&Do datuma:", {4, 20, 0, 0});
    add(kTo, ControlKind::Entry, "", {60, 20, 60, 12}).binding = platform::bindDate(v.to);
    add(kRate, ControlKind::Entry, "", {60, 36, 47, 10}).binding = platform::bindRate(v.rate);
    add(kDelete, ControlKind::CheckBox, "&Brisanje", {4, 52, 0, 0}).binding = platform::bindCheckBox(v.flag);
    ControlLayout& build = add(kBuild, ControlKind::Button, "  &IZDELAJ", {60, 100, 62, 14});
    build.defaultButton = true;
    build.image = "testrole";
    build.tooltip = Text1250::literal("Potrdi");
    add(kCancel, ControlKind::Button, "&PREKLIČI", {130, 100, 62, 14}).standardClose = true;
    add(9, ControlKind::Line, "", {4, 90, 190, lineHeight}).colour = "silver";
    add(kLogo, ControlKind::Image, "", {170, 0, 31, 31}).image = "no-such-role";
    return l;
}

}  // namespace kirva::testing::comparison
