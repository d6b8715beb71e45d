// A small layout holding one field of every kind (an array of decimals, an array of dates, a group with a
// text and a number inside, a zero-terminated text, a memo), for the CSV tests and the fuzz target.
#pragma once

#include "data/layout.h"
#include "tests/support/test_layout.h"

namespace kirva::data::testing {

inline const Layout& csvTestLayout() {
    static const Layout layout = [] {
        Layout l;
        l.label = "TESTCSV";
        l.prefix = "TST";
        l.table = "TESTCSV";
        l.fileName = "TESTCSV.DB";
        l.nameTextBytes = 255;
        l.structureVersion = -1;
        l = kirva::testing::layOut(std::move(l), {
                                                     {"BYTEF", FieldType::Byte, 1},
                                                     {"SHORTF", FieldType::Short, 2},
                                                     {"ULONGF", FieldType::ULong, 4},
                                                     {"LONGF", FieldType::Long, 4},
                                                     {"NAZIV", FieldType::Text, 10},
                                                     {"OZNAKA", FieldType::CText, 5},
                                                     {"ZNESEK", FieldType::Decimal, 7, 2},
                                                     {"STOPNJA", FieldType::Decimal, 3, 2},
                                                     {"DATUM", FieldType::Date, 4},
                                                     {"KODA", FieldType::Group, 0, 0, 1, 2},
                                                     {"DRZ", FieldType::Text, 2},
                                                     {"STEV", FieldType::Long, 4},
                                                     {"DELNO", FieldType::Decimal, 6, 2, 3},
                                                     {"DATUMI", FieldType::Date, 4, 0, 2},
                                                 });
        l.keys = {{"LONGKLJUC", {"LONGF"}, true, true, 0, "TST:LongKljuc"}};
        l.memos = {{"OPOMBE", 20, "TST:Opombe"}};
        return l;
    }();
    return layout;
}

}  // namespace kirva::data::testing
