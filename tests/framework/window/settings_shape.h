// A window of the settings window's shape: 343 x 346 dialog units and its 25 controls with their kinds
// and design places (an auto size is 0). Enough for the resizer; the program's own layout carries the
// texts and bindings.
#pragma once

#include "platform/window/window_system.h"

namespace kirva::testing {

inline platform::WindowLayout settingsShape() {
    using platform::ControlKind;
    struct Row {
        int32_t number;
        ControlKind kind;
        const char* text;
        platform::Rect place;
    };
    static const Row kRows[] = {
        {1, ControlKind::Image, "", {310, 0, 31, 31}},
        {2, ControlKind::Prompt, "Imenik s podatki knjige:", {21, 31, 0, 0}},
        {3, ControlKind::Entry, "", {21, 45, 286, 12}},
        {4, ControlKind::Button, "...", {310, 43, 15, 14}},
        {5, ControlKind::Prompt, "Imenik s podatki kupcev:", {21, 71, 0, 0}},
        {6, ControlKind::Entry, "", {21, 86, 285, 11}},
        {7, ControlKind::Button, "...", {310, 84, 15, 14}},
        {8, ControlKind::Prompt, "Imenik za XML:", {21, 115, 0, 0}},
        {9, ControlKind::Entry, "", {21, 131, 286, 12}},
        {10, ControlKind::Button, "...", {310, 128, 15, 14}},
        {11, ControlKind::CheckBox, "  Brisanje delovnih podatkov", {21, 158, 0, 0}},
        {12, ControlKind::Button, "", {250, 156, 15, 14}},
        {13, ControlKind::Prompt, "Stopnja DDV - SPLOSNA:", {21, 191, 0, 0}},
        {14, ControlKind::Entry, "", {109, 191, 47, 10}},
        {15, ControlKind::Prompt, "Stopnja DDV - ZNIZANA:", {172, 191, 0, 0}},
        {16, ControlKind::Entry, "", {260, 191, 47, 10}},
        {17, ControlKind::Line, "", {22, 218, 297, 1}},
        {18, ControlKind::Prompt, "Identifikacija podjetja", {52, 234, 0, 0}},
        {19, ControlKind::Prompt, "Firma:", {19, 254, 0, 0}},
        {20, ControlKind::Entry, "", {50, 255, 198, 10}},
        {21, ControlKind::Prompt, "Kljuc:", {22, 274, 0, 0}},
        {22, ControlKind::Entry, "", {50, 274, 198, 10}},
        {23, ControlKind::Text, "Oba podatka morata biti dolga vsaj 10 znakov", {50, 294, 0, 0}},
        {24, ControlKind::Button, "&SHRANI", {203, 328, 62, 14}},
        {25, ControlKind::Button, "PREKLICI", {275, 328, 62, 14}},
    };
    platform::WindowLayout layout;
    layout.name = "NastavitvePrograma";
    layout.caption = Text1250::literal(" NASTAVITVE PROGRAMA");
    layout.width = 343;
    layout.height = 346;
    for (const Row& row : kRows) {
        platform::ControlLayout control;
        control.number = row.number;
        control.kind = row.kind;
        control.text = Text1250::literal(row.text);
        control.place = row.place;
        control.standardClose = row.number == 25;
        layout.controls.push_back(control);
    }
    return layout;
}

}  // namespace kirva::testing
