// A small layout holding one field of every kind (an array of decimals, an array of dates, a group with a
// text and a number inside, a zero-terminated text, a memo), for the CSV tests and the fuzz target.
#pragma once

#include "data/layout.h"

namespace kirva::data::testing {

inline const Layout& csvTestLayout() {
    static const Layout layout = [] {
        Layout l;
        l.label = "TESTCSV";
        l.prefix = "TST";
        l.table = "TESTCSV";
        l.fileName = "TESTCSV.DB";
        l.recordSize = 72;
        l.nameTextBytes = 255;
        l.structureVersion = -1;
        l.fields = {
            {"BYTEF", FieldType::Byte, 0, 1},
            {"SHORTF", FieldType::Short, 1, 2},
            {"ULONGF", FieldType::ULong, 3, 4},
            {"LONGF", FieldType::Long, 7, 4},
            {"NAZIV", FieldType::Text, 11, 10},
            {"OZNAKA", FieldType::CText, 21, 5},
            {"ZNESEK", FieldType::Decimal, 26, 7, 2},
            {"STOPNJA", FieldType::Decimal, 33, 3, 2},
            {"DATUM", FieldType::Date, 36, 4},
            {"KODA", FieldType::Group, 40, 6},
            {"DRZ", FieldType::Text, 40, 2},
            {"STEV", FieldType::Long, 42, 4},
            {"DELNO", FieldType::Decimal, 46, 6, 2, 3},
            {"DATUMI", FieldType::Date, 64, 4, 0, 2},
        };
        l.keys = {{"LONGKLJUC", {"LONGF"}, true, true, 0, "TST:LongKljuc"}};
        l.memos = {{"OPOMBE", 20, "TST:Opombe"}};
        return l;
    }();
    return layout;
}

}  // namespace kirva::data::testing
