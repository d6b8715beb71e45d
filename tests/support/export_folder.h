// A folder set up for an export: a KIRVA.INI whose data folders are data/ and whose output folder is out/,
// the day taken as today, and the five files the export window opens.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/date.h"
#include "tests/support/test_folder.h"

namespace kirva::testing {

inline const FixedClock kExportToday(*dateFromCivil(2019, 6, 15));
inline const char* const kExportFiles[] = {"FARACUN", "SFENPA", "SFPARTN", "QFASTOR", "SaopRAC"};

class ExportFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        dataDir = folder / "data/";
        std::filesystem::create_directories(dataDir);
        std::filesystem::create_directories(folder / "out");
        ini = folder / "KIRVA.INI";
        writeFile(ini, "[GLOBAL]\nPotDoIzdanihRacunov=" + dataDir + "\nPotDoPartnerjev=" + dataDir +
                           "\nPotDoXMLRacunov=" + (folder / "out/") + "\n[OPAL]\nFirma=TALMOR\nKljuc=K-1\n");
    }

    TestFolder folder;
    std::string dataDir;
    std::string ini;
};

}  // namespace kirva::testing
