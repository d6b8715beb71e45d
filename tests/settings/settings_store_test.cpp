#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/ini/profile_file.h"
#include "platform/text1250.h"
#include "tests/support/test_folder.h"

namespace fs = std::filesystem;
using kirva::cp1250;
using kirva::Decimal;
using kirva::Text1250;
using kirva::platform::readProfileString;
using namespace kirva::settings;

namespace {

class SettingsStoreTest : public ::testing::Test {
  protected:
    std::string fileText() const { return kirva::testing::readFile(ini); }
    void writeFile(std::string_view bytes) const { kirva::testing::writeFile(ini, bytes); }
    void load() {
        loadSettings(ini, settings, names);
        readIdentification(ini, settings);
    }

    kirva::testing::TestFolder tempFolder;
    const fs::path dir = tempFolder.path();
    const std::string ini = (dir / "KIRVA.INI").string();
    Settings settings;
    DataFileNames names;
};

TEST_F(SettingsStoreTest, WithoutAFileOnlyTheOutputFolderKeyIsWritten) {
    load();
    EXPECT_EQ(fileText(), "[GLOBAL]\r\nPotDoXMLRacunov=\r\n");
    EXPECT_EQ(settings.stopnjaDdvVisja.toString(), "22.00");
    EXPECT_EQ(settings.stopnjaDdvNizja.toString(), "9.50");
    EXPECT_EQ(settings.brisanjeDelovnih, 0);
    EXPECT_EQ(settings.potDoIzdanihRacunov.bytes(), "");
    EXPECT_EQ(settings.potDoXmlRacunov.bytes(), "");
    EXPECT_EQ(settings.firmaOpal.bytes(), std::string(50, ' '));
    EXPECT_EQ(settings.kljucOpal.bytes(), std::string(50, ' '));
    // Empty folders name files in the current directory.
    EXPECT_EQ(names.faracun, "FARACUN.DB");
    EXPECT_EQ(names.sfpartn, "SFPARTN.DB");
}

TEST_F(SettingsStoreTest, LoadsEveryKeyAndLeavesACompleteFileAsItWas) {
    const std::string file = cp1250(
        "[GLOBAL]\r\nPotDoIzdanihRacunov=C:\\Fakture\\\r\nPotDoPartnerjev=D:\\Šifranti\\\r\n"
        "PotDoXMLRacunov=C:\\Izvoz\\\r\nBrisanjeDelPodat=1\r\n[DAVKI]\r\nStopnjaDDVvisja=22\r\n"
        "StopnjaDDVnizja=9.5\r\n[OPAL]\r\nFirma=Žaga d.o.o.\r\nKljuc=K-77\r\n");
    writeFile(file);
    load();
    EXPECT_EQ(fileText(), file);  // an old Windows-1250 file is not rewritten when nothing changes
    EXPECT_EQ(settings.potDoIzdanihRacunov.bytes(), "C:\\Fakture\\");
    EXPECT_EQ(settings.potDoPartnerjev.bytes(), cp1250("D:\\Šifranti\\"));
    EXPECT_EQ(settings.potDoXmlRacunov.bytes(), "C:\\Izvoz\\");
    EXPECT_EQ(settings.brisanjeDelovnih, 1);
    EXPECT_EQ(settings.stopnjaDdvVisja.toString(), "22.00");
    EXPECT_EQ(settings.stopnjaDdvNizja.toString(), "9.50");
    EXPECT_EQ(settings.firmaOpal.bytes(), kirva::padRight(cp1250("Žaga d.o.o."), 50));
    EXPECT_EQ(settings.kljucOpal.bytes(), kirva::padRight("K-77", 50));
}

TEST_F(SettingsStoreTest, DataFileNamesJoinTheFoldersAsTheyStand) {
    writeFile("[GLOBAL]\nPotDoIzdanihRacunov=C:\\Data\nPotDoPartnerjev=/srv/partnerji/\n");
    load();
    EXPECT_EQ(names.faracun, "C:\\DataFARACUN.DB");
    EXPECT_EQ(names.sfpoen, "C:\\DataSFPOEN.DB");
    EXPECT_EQ(names.sfenpa, "C:\\DataSFENPA.DB");
    EXPECT_EQ(names.qfastor, "C:\\DataQFASTOR.DB");
    EXPECT_EQ(names.qfastpo, "C:\\DataQFASTPO.DB");
    EXPECT_EQ(names.saoprac, "C:\\DataSaopRAC.DB");
    EXPECT_EQ(names.sfpartn, "/srv/partnerji/SFPARTN.DB");
}

TEST_F(SettingsStoreTest, LongTextsAreHeldAsFarAsTheirWidthsGoAndNamesAreNeverCut) {
    const std::string long300(300, 'a');
    writeFile("[GLOBAL]\nPotDoIzdanihRacunov=" + long300 + "\nPotDoPartnerjev=" + long300 + "\nPotDoXMLRacunov=" +
              long300 + "\n[OPAL]\nFirma=" + std::string(50, 'F') + "\nKljuc=" + std::string(60, 'K') + "\n");
    load();
    EXPECT_EQ(settings.potDoIzdanihRacunov.bytes(), std::string(254, 'a'));
    EXPECT_EQ(settings.potDoPartnerjev.bytes(), std::string(255, 'a'));
    EXPECT_EQ(settings.potDoXmlRacunov.bytes(), std::string(254, 'a'));
    EXPECT_EQ(settings.firmaOpal.bytes(), std::string(50, 'F'));
    EXPECT_EQ(settings.kljucOpal.bytes(), std::string(50, 'K'));
    // Such a file is refused before any run (checkSettingsFile); the names it would make are never cut into
    // the names of other files.
    EXPECT_EQ(names.faracun, std::string(254, 'a') + "FARACUN.DB");
    EXPECT_EQ(names.saoprac, std::string(254, 'a') + "SaopRAC.DB");
    EXPECT_EQ(names.sfpartn, std::string(255, 'a') + "SFPARTN.DB");
    EXPECT_TRUE(checkSettingsFile(ini).has_value());
}

// A folder that makes a data-file name longer than its name text is refused, naming the key, the file and
// the length; one character less is taken.
TEST_F(SettingsStoreTest, AFolderThatMakesADataFileNameTooLongIsRefused) {
    struct Case {
        const char* key;
        std::size_t folderLength;
        const char* refusedFile;  // nullptr: the folder is taken
        int64_t length, limit;
    };
    const Case cases[] = {
        {"PotDoIzdanihRacunov", 244, nullptr, 0, 0},           // 244 + FARACUN.DB = 254
        {"PotDoIzdanihRacunov", 245, "FARACUN.DB", 255, 254},  // the first of the folder's names that fails
        {"PotDoIzdanihRacunov", 246, "FARACUN.DB", 256, 254},
        {"PotDoPartnerjev", 245, nullptr, 0, 0},  // 245 + SFPARTN.DB = 255, which its name text holds
        {"PotDoPartnerjev", 246, "SFPARTN.DB", 256, 255},
    };
    for (const Case& c : cases) {
        const std::string folder = "/" + std::string(c.folderLength - 2, 'd') + "/";
        writeFile("[GLOBAL]\n" + std::string(c.key) + "=" + folder + "\nPotDoXMLRacunov=/x/\n");
        const auto refused = checkSettingsFile(ini);
        if (c.refusedFile == nullptr) {
            EXPECT_FALSE(refused.has_value()) << c.key << " " << c.folderLength;
            continue;
        }
        ASSERT_TRUE(refused.has_value()) << c.key << " " << c.folderLength;
        EXPECT_EQ(refused->what, kirva::framework::ReasonKind::DataFileNameTooLong);
        EXPECT_EQ(refused->key, c.key);
        EXPECT_EQ(refused->file, ini);
        EXPECT_EQ(refused->value, c.refusedFile);
        EXPECT_EQ(refused->length, c.length);
        EXPECT_EQ(refused->limit, c.limit);
        EXPECT_FALSE(endsTheProgram(*refused));
    }
}

TEST(DataFileNamesTest, FindByLabel) {
    DataFileNames names;
    EXPECT_EQ(names.find("FARACUN"), &names.faracun);
    EXPECT_EQ(names.find("faracun"), &names.faracun);
    EXPECT_EQ(names.find("SFPOEN"), &names.sfpoen);
    EXPECT_EQ(names.find("SFENPA"), &names.sfenpa);
    EXPECT_EQ(names.find("QFASTOR"), &names.qfastor);
    EXPECT_EQ(names.find("QFASTPO"), &names.qfastpo);
    EXPECT_EQ(names.find("SaopRAC"), &names.saoprac);
    EXPECT_EQ(names.find("SFPARTN"), &names.sfpartn);
    for (const char* never : {"FAPARAC", "FAPARAC2", "APPINS", "ODMEENO", "APPINDOD", "APPINRA", ""}) {
        EXPECT_EQ(names.find(never), nullptr) << never;
    }
    EXPECT_STREQ(kDefaultSettingsFileName, "./KIRVA.INI");
}

struct OptionCase {
    std::string text;
    int expected;
};

void PrintTo(const OptionCase& c, std::ostream* os) {
    *os << "'" << c.text << "'";
}

class WorkDataOption : public SettingsStoreTest, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(WorkDataOption, ReadsAsAByte) {
    writeFile("[GLOBAL]\nBrisanjeDelPodat=" + GetParam().text + "\n");
    load();
    EXPECT_EQ(settings.brisanjeDelovnih, GetParam().expected) << "'" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(Cases, WorkDataOption,
                         ::testing::Values(OptionCase{"1", 1}, OptionCase{"0", 0}, OptionCase{"x", 0},
                                           OptionCase{" 1 ", 1}, OptionCase{"+1", 1}, OptionCase{"001", 1},
                                           OptionCase{"2", 2}, OptionCase{"255", 255}, OptionCase{"256", 0},
                                           OptionCase{"-1", 0}, OptionCase{"1.5", 0}, OptionCase{"1x", 0},
                                           OptionCase{"", 0}, OptionCase{"99999999999999999999", 0}));

struct RateCase {
    std::string text;
    std::string expected;  // as held: two decimals
};

void PrintTo(const RateCase& c, std::ostream* os) {
    *os << "'" << c.text << "'";
}

class Rate : public SettingsStoreTest, public ::testing::WithParamInterface<RateCase> {};

TEST_P(Rate, ReadsAsTwoDecimals) {
    writeFile("[DAVKI]\nStopnjaDDVvisja=" + GetParam().text + "\nStopnjaDDVnizja=" + GetParam().text + "\n");
    load();
    EXPECT_EQ(settings.stopnjaDdvVisja.toString(), GetParam().expected) << "'" << GetParam().text << "'";
    EXPECT_EQ(settings.stopnjaDdvNizja.toString(), GetParam().expected) << "'" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(Cases, Rate,
                         ::testing::Values(RateCase{"9.5", "9.50"}, RateCase{"22", "22.00"}, RateCase{"8.75", "8.75"},
                                           RateCase{"12.344", "12.34"}, RateCase{"12.345", "12.35"},
                                           RateCase{"-0.005", "-0.01"}, RateCase{".5", "0.50"}, RateCase{"5.", "5.00"},
                                           RateCase{"+5", "5.00"}, RateCase{"-5", "-5.00"},
                                           RateCase{"0022.10", "22.10"}, RateCase{"999.99", "999.99"},
                                           RateCase{"-999.99", "-999.99"}, RateCase{"999.995", "0.00"},
                                           RateCase{"1000", "0.00"}, RateCase{"123456789012345678901234567890", "0.00"},
                                           RateCase{"abc", "0.00"}, RateCase{"9,5", "0.00"}, RateCase{"1e2", "0.00"},
                                           RateCase{"", "0.00"}, RateCase{"-", "0.00"}, RateCase{".", "0.00"},
                                           RateCase{"1.2.3", "0.00"}, RateCase{"22 %", "0.00"},
                                           RateCase{"9.4949999999999999999", "9.49"},
                                           RateCase{"9.12500000000000000001", "9.13"}, RateCase{"9.1234x", "0.00"}));

TEST_F(SettingsStoreTest, RatesAreWrittenBackWithoutTrailingZeros) {
    writeFile("[DAVKI]\nStopnjaDDVvisja=22.00\nStopnjaDDVnizja=9.5\n");
    load();
    EXPECT_EQ(settings.stopnjaDdvNizja.toString(), "9.50");
    ASSERT_TRUE(saveAllSettings(ini, settings).ok());
    EXPECT_EQ(readProfileString(ini, "DAVKI", "StopnjaDDVvisja", ""), "22");
    EXPECT_EQ(readProfileString(ini, "DAVKI", "StopnjaDDVnizja", ""), "9.5");
}

// The table of keys and the store agree: every key is saved, a missing one reads as its fallback, and a text
// is read into a global of the table's width.
TEST_F(SettingsStoreTest, TheKeyTableDrivesSavingAndLoading) {
    ASSERT_TRUE(saveAllSettings(ini, settings).ok());
    for (const SettingKey& key : kSettingKeys) {
        EXPECT_NE(readProfileString(ini, key.section, key.key, "<missing>"), "<missing>") << key.key;
    }
    std::string file;
    std::string_view section;
    for (const SettingKey& key : kSettingKeys) {  // the table lists a section's keys together
        if (key.width == 0) continue;
        if (key.section != section) file += "[" + std::string(section = key.section) + "]\n";
        file += std::string(key.key) + "=" + std::string(key.width + 3, 'x') + "\n";
    }
    writeFile(file);
    load();
    for (const Text1250* global : {&settings.potDoIzdanihRacunov, &settings.potDoPartnerjev, &settings.potDoXmlRacunov,
                                   &settings.firmaOpal, &settings.kljucOpal}) {
        EXPECT_EQ(global->bytes().find_first_not_of('x'), std::string::npos);
    }
    EXPECT_EQ(settings.potDoIzdanihRacunov.size(), keys::potDoIzdanihRacunov.width);
    EXPECT_EQ(settings.potDoPartnerjev.size(), keys::potDoPartnerjev.width);
    EXPECT_EQ(settings.potDoXmlRacunov.size(), keys::potDoXmlRacunov.width);
    EXPECT_EQ(settings.firmaOpal.size(), keys::firmaOpal.width);
}

TEST_F(SettingsStoreTest, SaveAllWritesEveryKeyInOrder) {
    settings.potDoIzdanihRacunov = Text1250::fromBytes("C:\\F\\");
    settings.potDoPartnerjev = Text1250::fromBytes("C:\\P\\");
    settings.potDoXmlRacunov = Text1250::fromBytes("C:\\X\\");
    settings.brisanjeDelovnih = 1;
    settings.stopnjaDdvVisja = Decimal::fromUnits(2200, 2);
    settings.stopnjaDdvNizja = Decimal::fromUnits(-50, 2);
    settings.firmaOpal = Text1250::fromBytes(kirva::padRight(cp1250("Čistilnica Šumi"), 50));
    settings.kljucOpal = Text1250::fromBytes(std::string(50, ' '));
    ASSERT_TRUE(saveAllSettings(ini, settings).ok());
    // A new file, in the system's encoding.
    const std::string firma = kirva::platform::kNewProfileUtf8 ? "Čistilnica Šumi" : cp1250("Čistilnica Šumi");
    EXPECT_EQ(fileText(),
              "[GLOBAL]\r\nPotDoIzdanihRacunov=C:\\F\\\r\nPotDoPartnerjev=C:\\P\\\r\nPotDoXMLRacunov=C:\\X\\\r\n"
              "BrisanjeDelPodat=1\r\n[DAVKI]\r\nStopnjaDDVvisja=22\r\nStopnjaDDVnizja=-0.5\r\n[OPAL]\r\n"
              "Firma=" +
                  firma + "\r\nKljuc=\r\n");

    Settings again;
    DataFileNames againNames;
    loadSettings(ini, again, againNames);
    readIdentification(ini, again);
    EXPECT_EQ(again.firmaOpal.bytes(), settings.firmaOpal.bytes());
    EXPECT_EQ(again.stopnjaDdvNizja, settings.stopnjaDdvNizja);
    EXPECT_EQ(againNames.qfastpo, "C:\\F\\QFASTPO.DB");
}

TEST_F(SettingsStoreTest, PickingAFolderThenCancellingWritesOnlyTheGlobalKeys) {
    const std::string davkiAndOpal = "[DAVKI]\nStopnjaDDVvisja=22\nStopnjaDDVnizja=9.5\n[OPAL]\nFirma=A\nKljuc=B\n";
    writeFile("[GLOBAL]\nPotDoIzdanihRacunov=C:\\Stari\\\nPotDoXMLRacunov=C:\\X\\\n" + davkiAndOpal);
    load();
    // The settings window edits the globals in place; a folder pick saves the folder settings at once.
    settings.potDoIzdanihRacunov = Text1250::fromBytes("C:\\Novi\\");
    settings.brisanjeDelovnih = 1;
    settings.stopnjaDdvVisja = Decimal::fromUnits(2500, 2);
    settings.firmaOpal = Text1250::fromBytes(kirva::padRight("Drugo", 50));
    ASSERT_TRUE(saveFolderSettings(ini, settings).ok());
    // Then cancel: nothing more is written.
    EXPECT_EQ(fileText(),
              "[GLOBAL]\nPotDoIzdanihRacunov=C:\\Novi\\\nPotDoXMLRacunov=C:\\X\\\nPotDoPartnerjev=\n"
              "BrisanjeDelPodat=1\n" +
                  davkiAndOpal);
    // The data-file names keep the folder they were composed from.
    EXPECT_EQ(names.faracun, "C:\\Stari\\FARACUN.DB");
}

TEST_F(SettingsStoreTest, IdentificationIsWrittenWithoutTrailingBlanks) {
    settings.firmaOpal = Text1250::fromBytes(kirva::padRight(std::string(49, 'F') + "G", 50));
    settings.kljucOpal = Text1250::fromBytes(kirva::padRight("  K  ", 50));
    ASSERT_TRUE(saveAllSettings(ini, settings).ok());
    EXPECT_EQ(readProfileString(ini, "OPAL", "Firma", ""), std::string(49, 'F') + "G");
    EXPECT_NE(fileText().find("\r\nKljuc=  K\r\n"), std::string::npos);
}

TEST_F(SettingsStoreTest, WriteFailuresAreReturnedAndLoadingStillWorks) {
    fs::create_directory(ini);  // the settings file's name is taken by a folder
    load();
    EXPECT_EQ(settings.stopnjaDdvVisja.toString(), "22.00");
    EXPECT_EQ(names.faracun, "FARACUN.DB");
    const auto folders = saveFolderSettings(ini, settings);
    ASSERT_FALSE(folders.ok());
    EXPECT_NE(folders.error().message.find(ini), std::string::npos);
    EXPECT_FALSE(saveAllSettings(ini, settings).ok());
}

// Loading never rewrites a value that is there: a folder longer than the program holds, or one with a
// character Windows-1250 lacks, stays as the user wrote it, byte for byte, in either encoding. The check
// before a run names the key and the file instead.
TEST_F(SettingsStoreTest, ValuesTheProgramCannotHoldAreReportedAndNeverWrittenBack) {
    const std::string longFolder = "/srv/" + std::string(260, 'x') + "/";
    const std::vector<std::pair<std::string, std::string>> files = {
        {"[GLOBAL]\r\nPotDoXMLRacunov=/srv/XML_\xC3\x98stfold/\r\n; \xC4\x8D\r\n", "PotDoXMLRacunov"},
        // Cyrillic is UTF-8 only behind a byte-order mark: without one, a file holding a character
        // Windows-1250 lacks is read as Windows-1250.
        {"\xEF\xBB\xBF[GLOBAL]\nPotDoXMLRacunov=/x/\n[OPAL]\nFirma=A\nKljuc=\xD0\xBA\xD0\xBB\xD1\x8E\xD1\x87\n",
         "Kljuc"},
        {"[GLOBAL]\nPotDoXMLRacunov=" + longFolder + "\n", "PotDoXMLRacunov"},
        {"[GLOBAL]\nPotDoIzdanihRacunov=" + longFolder + "\nPotDoXMLRacunov=/x/\n", "PotDoIzdanihRacunov"},
        {"[OPAL]\nFirma=" + std::string(51, 'F') + "\n[GLOBAL]\nPotDoXMLRacunov=/x/\n", "Firma"},
    };
    for (const auto& [bytes, key] : files) {
        writeFile(bytes);
        const auto checked = checkSettingsFile(ini);
        ASSERT_TRUE(checked.has_value()) << key;
        EXPECT_EQ(checked->key, key);
        EXPECT_EQ(checked->file, ini);
        EXPECT_FALSE(endsTheProgram(*checked)) << key;
        const std::string said = kirva::framework::englishText(*checked);
        EXPECT_NE(said.find(key), std::string::npos) << said;
        EXPECT_NE(said.find(ini), std::string::npos) << said;
        load();
        EXPECT_EQ(fileText(), bytes) << key;
    }
    // A Windows-1250 file keeps its encoding and every other line when a key is written.
    const std::string old =
        "[GLOBAL]\r\n; \x8A"
        "ifre\r\nPotDoIzdanihRacunov=C:\\Ra\xE8uni\\\r\n";
    writeFile(old);
    EXPECT_FALSE(checkSettingsFile(ini).has_value());
    load();
    EXPECT_EQ(settings.potDoIzdanihRacunov.bytes(), "C:\\Ra\xE8uni\\");
    EXPECT_EQ(fileText(), old + "PotDoXMLRacunov=\r\n");
    settings.potDoXmlRacunov = Text1250::fromBytes("C:\\Izvoz \x9A\\");
    ASSERT_TRUE(saveFolderSettings(ini, settings).ok());
    EXPECT_EQ(fileText(), old + "PotDoXMLRacunov=C:\\Izvoz \x9A\\\r\nPotDoPartnerjev=\r\nBrisanjeDelPodat=0\r\n");
}

// A Windows-1250 KIRVA.INI whose letters also decode as UTF-8 ("ČŠ" is C8 8A, which is UTF-8 for a letter
// nobody typed) is read as Windows-1250, used, and kept so.
TEST_F(SettingsStoreTest, AWindows1250FileThatDecodesAsUtf8IsReadAsWindows1250) {
    const std::string global =
        "[GLOBAL]\r\nPotDoIzdanihRacunov=/podatki/\r\nPotDoPartnerjev=/podatki/\r\n"
        "PotDoXMLRacunov=/izvoz/\r\n";
    const std::string opal = cp1250("[OPAL]\r\nFirma=ČŠ Trgovina d.o.o.\r\nKljuc=Ključ-ČŠ-0001\r\n");
    const std::string old = global + opal;
    writeFile(old);
    ASSERT_FALSE(checkSettingsFile(ini).has_value()) << kirva::framework::englishText(*checkSettingsFile(ini));
    load();
    EXPECT_EQ(kirva::clipRight(settings.firmaOpal), Text1250::literal("ČŠ Trgovina d.o.o."));
    EXPECT_EQ(kirva::clipRight(settings.kljucOpal), Text1250::literal("Ključ-ČŠ-0001"));
    EXPECT_EQ(fileText(), old);
    settings.stopnjaDdvNizja = *Decimal::parse("5");
    ASSERT_TRUE(saveAllSettings(ini, settings).ok());
    EXPECT_EQ(fileText(),
              global + "BrisanjeDelPodat=0\r\n" + opal + "[DAVKI]\r\nStopnjaDDVvisja=22\r\nStopnjaDDVnizja=5\r\n");
}

// Saving the settings rewrites only the lines whose values changed: the others keep every byte, trailing
// blanks and the spacing around "=" included.
TEST_F(SettingsStoreTest, SavingKeepsTheLinesOfUntouchedKeys) {
    const std::string old =
        "[GLOBAL]\nPotDoIzdanihRacunov = /racuni/\t\nPotDoPartnerjev = /x/   \nPotDoXMLRacunov=/xml/ \n"
        "BrisanjeDelPodat = 0 \n[DAVKI]\nStopnjaDDVvisja= 22\nStopnjaDDVnizja =9.5  \n[OPAL]\n"
        "Firma = Trgovina d.o.o.  \nKljuc=K-0001\n";
    writeFile(old);
    load();
    ASSERT_TRUE(saveAllSettings(ini, settings).ok());
    EXPECT_EQ(fileText(), old);
    settings.firmaOpal = Text1250::fromBytes(kirva::padRight("Trgovina Novak d.o.o.", 50));
    ASSERT_TRUE(saveAllSettings(ini, settings).ok());
    std::string changed = old;
    changed.replace(changed.find("Trgovina d.o.o.  "), 17, "Trgovina Novak d.o.o.");
    EXPECT_EQ(fileText(), changed);
}

}  // namespace
