// The three data files the journal reads (FARACUN, SFENPA, SFPARTN), made and opened in a temporary folder
// with their record buffers, as the export holds them; an out/ folder beside them for the journal.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <utility>

#include "data/layout.h"
#include "data/record.h"
#include "export/journal.h"
#include "platform/date.h"
#include "platform/decimal.h"
#include "storage/keyed_file.h"
#include "tests/support/test_folder.h"

namespace kirva::testing {

class ExportFilesTest : public ::testing::Test {
  protected:
    ExportFilesTest()
        : faracun(data::faracunLayout()),
          sfenpa(data::sfenpaLayout()),
          sfpartn(data::sfpartnLayout()),
          faracunRecord(data::faracunLayout()),
          sfenpaRecord(data::sfenpaLayout()),
          sfpartnRecord(data::sfpartnLayout()) {
        for (auto [file, name] :
             {std::pair{&faracun, "FARACUN.DB"}, std::pair{&sfenpa, "SFENPA.DB"}, std::pair{&sfpartn, "SFPARTN.DB"}}) {
            EXPECT_EQ(file->create(folder / name), 0);
            if (!file->isOpen()) {
                EXPECT_EQ(file->open(folder / name), 0);
            }
        }
        std::filesystem::create_directory(folder.path() / "out");
    }

    // One invoice of the book; the internal number counts up from 1.
    void addInvoice(int be, int year, int64_t number, DateNumber date, const char* total) {
        data::Record r(data::faracunLayout());
        ASSERT_TRUE(r.setInteger(r.field("BE"), be).ok());
        ASSERT_TRUE(r.setInteger(r.field("LETODOKUMENTA"), year).ok());
        ASSERT_TRUE(r.setInteger(r.field("INTERNASTEVDOKUMENTA"), ++internal).ok());
        ASSERT_TRUE(r.setDecimal(r.field("STEVILKARACUNA"), Decimal::fromInt(number)).ok());
        ASSERT_TRUE(r.setInteger(r.field("DATUMDOKUMENTA"), date).ok());
        ASSERT_TRUE(r.setDecimal(r.field("ZNESEKDEBET"), *Decimal::parse(total)).ok());
        ASSERT_EQ(faracun.add(r), 0);
    }

    exporting::ExportFiles files() { return {faracun, faracunRecord, sfenpa, sfenpaRecord, sfpartn, sfpartnRecord}; }

    TestFolder folder;
    storage::KeyedFile faracun, sfenpa, sfpartn;
    data::Record faracunRecord, sfenpaRecord, sfpartnRecord;
    int internal = 0;
};

}  // namespace kirva::testing
