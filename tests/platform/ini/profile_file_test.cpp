#include "platform/ini/profile_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#endif

#include <filesystem>
#include <tuple>
#include <vector>

#include "platform/text1250.h"
#include "tests/support/test_folder.h"

namespace fs = std::filesystem;
using kirva::cp1250;
using kirva::platform::deleteProfileKey;
using kirva::platform::readProfileString;
using kirva::platform::writeProfileString;

namespace {

using kirva::testing::readFile;
using kirva::testing::writeFile;

class ProfileFileTest : public ::testing::Test {
  protected:
    // Every entry of the folder: a write must never leave a temporary file behind.
    std::vector<std::string> folderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
        return names;
    }

    kirva::testing::TestFolder tempFolder;
    const fs::path dir = tempFolder.path();
    const std::string ini = (dir / "KIRVA.INI").string();
};

// ---- Reading ---------------------------------------------------------------------------------------------

struct ReadCase {
    const char* what;
    std::string file;  // bytes of the file as stored
    std::string section;
    std::string key;
    std::string expected;  // Windows-1250
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.what;
}

class ProfileRead : public ProfileFileTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ProfileRead, ReadsTheValue) {
    const ReadCase& c = GetParam();
    writeFile(ini, c.file);
    EXPECT_EQ(readProfileString(ini, c.section, c.key, "<default>"), c.expected) << c.what;
}

const std::string kUtf8Names = "[Šifre]\nČrka=ena\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileRead,
    ::testing::Values(
        ReadCase{"plain", "[GLOBAL]\nPotDoXMLRacunov=C:\\X\\\n", "GLOBAL", "PotDoXMLRacunov", "C:\\X\\"},
        ReadCase{"names ignore case", "[global]\npotdoxmlracunov=C:\\X\\\n", "GLOBAL", "POTDOXMLRACUNOV", "C:\\X\\"},
        ReadCase{"Windows-1250 letters ignore case", kUtf8Names, cp1250("šIFRE"), cp1250("črka"), "ena"},
        ReadCase{"Windows-1250 letters in an old file", cp1250(kUtf8Names), cp1250("ŠIFRE"), cp1250("ČRKA"), "ena"},
        ReadCase{"blanks around names and value", "  [ OPAL ]  \n\t Firma \t=  ABC d.o.o. \t\n", "OPAL", "Firma",
                 "ABC d.o.o."},
        ReadCase{"value keeps its '='", "[OPAL]\nKljuc==a=b=\n", "OPAL", "Kljuc", "=a=b="},
        ReadCase{"empty value is not the default", "[GLOBAL]\nPotDoXMLRacunov=\n", "GLOBAL", "PotDoXMLRacunov", ""},
        ReadCase{"CRLF lines", "[DAVKI]\r\nStopnjaDDVvisja=22\r\n", "DAVKI", "StopnjaDDVvisja", "22"},
        ReadCase{"last line without a line break", "[DAVKI]\nStopnjaDDVvisja=22", "DAVKI", "StopnjaDDVvisja", "22"},
        ReadCase{"byte-order mark", "\xEF\xBB\xBF[OPAL]\nFirma=A\n", "OPAL", "Firma", "A"},
        ReadCase{"UTF-8 value", "[OPAL]\nFirma=Žaga čšž\n", "OPAL", "Firma", cp1250("Žaga čšž")},
        ReadCase{"Windows-1250 value", cp1250("[OPAL]\nFirma=Žaga čšž\n"), "OPAL", "Firma", cp1250("Žaga čšž")},
        ReadCase{"character Windows-1250 lacks, after a byte-order mark",
                 "\xEF\xBB\xBF[OPAL]\nFirma=A\xE2\x86\x92"
                 "B\n",
                 "OPAL", "Firma", "A?B"},
        // Without a byte-order mark, UTF-8 is a file whose every character Windows-1250 has; any other file
        // is Windows-1250, also when its bytes happen to decode as UTF-8.
        ReadCase{"UTF-8 with a character Windows-1250 lacks is read as Windows-1250",
                 "[OPAL]\nFirma=A\xE2\x86\x92"
                 "B\n",
                 "OPAL", "Firma",
                 "A\xE2\x86\x92"
                 "B"},
        ReadCase{"Windows-1250 letters that decode as UTF-8", cp1250("[OPAL]\nFirma=ČŠ Trgovina d.o.o.\n"), "OPAL",
                 "Firma", cp1250("ČŠ Trgovina d.o.o.")},
        ReadCase{"Windows-1250 name that decodes as UTF-8", cp1250("[OPAL]\nFirma=x\n[ČŠ]\nA=1\n"), cp1250("čš"), "A",
                 "1"},
        ReadCase{"UTF-8 of the same letters", "[OPAL]\nFirma=ČŠ Trgovina d.o.o.\n", "OPAL", "Firma",
                 cp1250("ČŠ Trgovina d.o.o.")},
        ReadCase{"missing section", "[GLOBAL]\nFirma=A\n", "OPAL", "Firma", "<default>"},
        ReadCase{"missing key", "[OPAL]\nKljuc=A\n", "OPAL", "Firma", "<default>"},
        ReadCase{"key of the next section", "[OPAL]\n[X]\nFirma=A\n", "OPAL", "Firma", "<default>"},
        ReadCase{"key before any section", "Firma=A\n[OPAL]\n", "OPAL", "Firma", "<default>"},
        ReadCase{"line without '='", "[OPAL]\nFirma\n", "OPAL", "Firma", "<default>"},
        ReadCase{"comments", "[OPAL]\n;Firma=A\n# Firma=B\n", "OPAL", "Firma", "<default>"},
        ReadCase{"first duplicate key", "[OPAL]\nFirma=A\nFIRMA=B\n", "OPAL", "Firma", "A"},
        ReadCase{"first duplicate section", "[OPAL]\nKljuc=K\n[opal]\nFirma=B\n", "OPAL", "Firma", "<default>"},
        ReadCase{"prefix is not the key", "[OPAL]\nFirmaX=A\n", "OPAL", "Firma", "<default>"},
        ReadCase{"empty file", "", "OPAL", "Firma", "<default>"}),
    [](const auto& param) { return "case" + std::to_string(param.index); });

TEST_F(ProfileFileTest, MissingOrUnreadableFileReadsTheDefault) {
    EXPECT_EQ(readProfileString(ini, "GLOBAL", "Key", "d"), "d");
    fs::create_directory(ini);  // a folder where the file should be
    EXPECT_EQ(readProfileString(ini, "GLOBAL", "Key", "d"), "d");
}

// ---- Changing a file: golden before/after pairs ------------------------------------------------------------

struct ChangeCase {
    const char* name;  // folder under cases/ with before.ini and after.ini
    bool remove;       // deleteProfileKey instead of writeProfileString
    std::string section;
    std::string key;
    std::string value;  // Windows-1250
};

void PrintTo(const ChangeCase& c, std::ostream* os) {
    *os << c.name;
}

class ProfileChange : public ProfileFileTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ProfileChange, MatchesTheGoldenFile) {
    const ChangeCase& c = GetParam();
    const fs::path folder = fs::path(KIRVA_TEST_DIR) / "platform/ini/cases" / c.name;
    fs::copy_file(folder / "before.ini", ini);
    const auto result =
        c.remove ? deleteProfileKey(ini, c.section, c.key) : writeProfileString(ini, c.section, c.key, c.value);
    ASSERT_TRUE(result.ok()) << result.error().message;
    EXPECT_EQ(readFile(ini), readFile(folder / "after.ini"));
    if (!c.remove) {
        EXPECT_EQ(readProfileString(ini, c.section, c.key, "<default>"), c.value);
    }
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"KIRVA.INI"});
}

INSTANTIATE_TEST_SUITE_P(
    Golden, ProfileChange,
    ::testing::Values(ChangeCase{"replace_keeps_other_lines", false, "GLOBAL", "PotDoXMLRacunov", "C:\\Izvoz\\"},
                      ChangeCase{"append_key_in_section", false, "GLOBAL", "PotDoXMLRacunov", "C:\\X\\"},
                      ChangeCase{"new_section_crlf", false, "DAVKI", "StopnjaDDVvisja", "22"},
                      ChangeCase{"cp1250_stays_cp1250", false, "opal", "Kljuc", "AB\xC8"},
                      ChangeCase{"bom_kept", false, "GLOBAL", "PotDoXMLRacunov", "C:\\Izvoz\\"},
                      ChangeCase{"duplicates_first_wins", false, "DAVKI", "StopnjaDDVnizja", "5"},
                      ChangeCase{"line_without_equals", false, "GLOBAL", "PotDoXMLRacunov", "C:\\X\\"},
                      ChangeCase{"delete_key", true, "NastavitvePrograma", "XPOS", ""},
                      ChangeCase{"value_with_equals", false, "OPAL", "Kljuc", "a=b==c"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(ProfileFileTest, WritingCreatesFileSectionAndKey) {
    ASSERT_TRUE(writeProfileString(ini, "GLOBAL", "PotDoXMLRacunov", "").ok());
    EXPECT_EQ(readFile(ini), "[GLOBAL]\r\nPotDoXMLRacunov=\r\n");
    ASSERT_TRUE(writeProfileString(ini, "GLOBAL", "BrisanjeDelPodat", "1").ok());
    ASSERT_TRUE(writeProfileString(ini, "OPAL", "Firma", "A").ok());
    EXPECT_EQ(readFile(ini), "[GLOBAL]\r\nPotDoXMLRacunov=\r\nBrisanjeDelPodat=1\r\n[OPAL]\r\nFirma=A\r\n");
}

// A file that shows no encoding yet (a new one, or one of plain ASCII) is written in the system's: UTF-8 on
// Linux, Windows-1250 on Windows. A file that shows one keeps it on every system.
TEST_F(ProfileFileTest, ANewFileTakesTheSystemsEncodingAndAnOldOneKeepsItsOwn) {
    const std::string value = cp1250("Čevljarstvo Šuštar, Žalec: čšž ČŠŽ ćđ");
    const std::string utf8Text = "[Šifre]\r\nŽig=Čevljarstvo Šuštar, Žalec: čšž ČŠŽ ćđ\r\n";
    const std::string systemText = kirva::platform::kNewProfileUtf8 ? utf8Text : cp1250(utf8Text);
#ifdef _WIN32
    EXPECT_FALSE(kirva::platform::kNewProfileUtf8);
#else
    EXPECT_TRUE(kirva::platform::kNewProfileUtf8);
#endif

    ASSERT_TRUE(writeProfileString(ini, cp1250("Šifre"), cp1250("Žig"), value).ok());
    EXPECT_EQ(readFile(ini), systemText);
    EXPECT_EQ(readProfileString(ini, cp1250("ŠIFRE"), cp1250("žig"), ""), value);
    EXPECT_EQ(kirva::platform::Profile::read(ini).utf8(), kirva::platform::kNewProfileUtf8);

    writeFile(ini, "[OPAL]\r\n; plain ASCII so far\r\nFirma=A\r\n");
    ASSERT_TRUE(writeProfileString(ini, "OPAL", "Firma", value).ok());
    const std::string utf8Value = "Čevljarstvo Šuštar, Žalec: čšž ČŠŽ ćđ";
    EXPECT_EQ(readFile(ini), "[OPAL]\r\n; plain ASCII so far\r\nFirma=" +
                                 (kirva::platform::kNewProfileUtf8 ? utf8Value : value) + "\r\n");

    for (const std::string& old : {std::string("[Šifre]\r\nA=č\r\n"), cp1250("[Šifre]\r\nA=č\r\n")}) {
        writeFile(ini, old);
        ASSERT_TRUE(writeProfileString(ini, cp1250("Šifre"), cp1250("Žig"), value).ok());
        const bool utf8 = old == "[Šifre]\r\nA=č\r\n";
        EXPECT_EQ(readFile(ini), old + (utf8 ? "Žig=" + utf8Value : cp1250("Žig=") + value) + "\r\n");
        EXPECT_EQ(readProfileString(ini, cp1250("ŠIFRE"), cp1250("žig"), ""), value);
    }
}

TEST_F(ProfileFileTest, DeletingWhatIsMissingChangesNothing) {
    ASSERT_TRUE(deleteProfileKey(ini, "GLOBAL", "XPos").ok());
    EXPECT_FALSE(fs::exists(ini));
    writeFile(ini, "[GLOBAL]\nA=1\n");
    ASSERT_TRUE(deleteProfileKey(ini, "OTHER", "A").ok());
    ASSERT_TRUE(deleteProfileKey(ini, "GLOBAL", "B").ok());
    EXPECT_EQ(readFile(ini), "[GLOBAL]\nA=1\n");
}

TEST_F(ProfileFileTest, AnUnchangedWriteLeavesAnOldFileAsItIs) {
    const std::string old = cp1250("[OPAL]\nFirma=Žaga\n");
    writeFile(ini, old);
    ASSERT_TRUE(writeProfileString(ini, "OPAL", "Firma", cp1250("Žaga")).ok());
    EXPECT_EQ(readFile(ini), old);
}

TEST_F(ProfileFileTest, WritingKeepsThePermissions) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows files have no permission bits; see AReadOnlySettingsFileIsRefusedAndKept";
#endif
    writeFile(ini, "[OPAL]\nFirma=A\n");
    fs::permissions(ini, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(writeProfileString(ini, "OPAL", "Firma", "B").ok());
    EXPECT_EQ(fs::status(ini).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(ProfileFileTest, WritingThroughALinkReplacesItsTarget) {
#ifdef _WIN32
    GTEST_SKIP() << "a symbolic link needs a privilege on Windows";
#endif
    const auto target = dir / "real.ini";
    writeFile(target, "[OPAL]\nFirma=A\n");
    fs::create_symlink("real.ini", ini);
    ASSERT_TRUE(writeProfileString(ini, "OPAL", "Firma", "B").ok());
    EXPECT_TRUE(fs::is_symlink(ini));
    EXPECT_EQ(readFile(target), "[OPAL]\nFirma=B\n");
}

// ---- Failures --------------------------------------------------------------------------------------------

#ifdef _WIN32
// Windows: a settings file marked read-only, or held open by another program, is refused with its name and
// stays exactly as it was.
TEST_F(ProfileFileTest, AReadOnlyOrHeldSettingsFileIsRefusedAndKept) {
    const std::string before = "[OPAL]\nFirma=A\n";
    writeFile(ini, before);
    fs::permissions(ini, fs::perms::owner_write, fs::perm_options::remove);
    auto result = writeProfileString(ini, "OPAL", "Firma", "B");
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error().message.find(ini), std::string::npos) << result.error().message;
    fs::permissions(ini, fs::perms::owner_write, fs::perm_options::add);

    int held = -1;
    ASSERT_EQ(::_sopen_s(&held, ini.c_str(), _O_RDONLY | _O_BINARY, _SH_DENYNO, 0), 0);
    result = writeProfileString(ini, "OPAL", "Firma", "B");
    ::_close(held);
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error().message.find("in use by another program"), std::string::npos) << result.error().message;
    EXPECT_EQ(readFile(ini), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1) << "no temporary file stays behind";
}
#endif

TEST_F(ProfileFileTest, AFailedWriteNamesTheFileAndLeavesNothingBehind) {
    const std::string missingFolder = (dir / "no such folder" / "KIRVA.INI").string();
    auto result = writeProfileString(missingFolder, "GLOBAL", "A", "1");
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error().message.find(missingFolder), std::string::npos) << result.error().message;

    fs::create_directory(ini);  // the name is taken by a folder: never replaced
    result = writeProfileString(ini, "GLOBAL", "A", "1");
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error().message.find(ini), std::string::npos) << result.error().message;
    EXPECT_TRUE(fs::is_directory(ini));
    EXPECT_FALSE(deleteProfileKey(ini, "GLOBAL", "A").ok());
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"KIRVA.INI"});
}

TEST_F(ProfileFileTest, NamesAndValuesThatWouldBreakTheFileAreRefused) {
    const std::string original = "[OPAL]\nFirma=A\n";
    writeFile(ini, original);
    struct Bad {
        std::string section, key, value;
    };
    for (const Bad& bad :
         {Bad{"OPAL", "Firma", "A\r\n[GLOBAL]"}, Bad{"OPAL", "Firma", "A\nB=1"}, Bad{"OP]AL", "Firma", "A"},
          Bad{"OPAL\n", "Firma", "A"}, Bad{"", "Firma", "A"}, Bad{"OPAL", "Fir=ma", "A"}, Bad{"OPAL", " ", "A"},
          Bad{"OPAL", ";Firma", "A"}, Bad{"OPAL", "[Firma", "A"}}) {
        const auto result = writeProfileString(ini, bad.section, bad.key, bad.value);
        EXPECT_FALSE(result.ok()) << bad.section << "/" << bad.key << "=" << bad.value;
        if (!result.ok()) {
            EXPECT_NE(result.error().message.find(ini), std::string::npos);
        }
    }
    EXPECT_EQ(readFile(ini), original);
}

}  // namespace

// A data file or a journal named as the settings file by mistake is never rewritten: the write is refused
// with the reason, and every byte stays.
TEST_F(ProfileFileTest, AFileThatIsNotASettingsFileIsNeverWritten) {
    const std::vector<std::pair<const char*, std::string>> files = {
        {"SQLite database", std::string("SQLite format 3\0\x10\x00", 18) + std::string(200, '\x01')},
        {"XML journal", "<?xml version=\"1.0\" encoding=\"Windows-1250\"?>\n<Prenos>\x8A</Prenos>\n"},
        {"zero byte", std::string("[GLOBAL]\nA=1\n\0\n", 15)},
        {"undecodable bytes", "[GLOBAL]\nA=\x81\x98\xC3\n"},
    };
    for (const auto& [what, bytes] : files) {
        writeFile(ini, bytes);
        const auto written = writeProfileString(ini, "GLOBAL", "PotDoXMLRacunov", "");
        ASSERT_FALSE(written.ok()) << what;
        EXPECT_NE(written.error().message.find("not a text settings file"), std::string::npos)
            << what << ": " << written.error().message;
        EXPECT_FALSE(deleteProfileKey(ini, "GLOBAL", "A").ok()) << what;
        EXPECT_FALSE(kirva::platform::checkProfileFile(ini).ok()) << what;
        EXPECT_EQ(readFile(ini), bytes) << what;
        EXPECT_EQ(folderEntries(), std::vector<std::string>{"KIRVA.INI"}) << what;
    }
    // Settings files as people keep them pass: UTF-8, Windows-1250, a BOM, CRLF, tabs, a trailing ^Z.
    for (const std::string& bytes :
         {std::string("\xEF\xBB\xBF[A]\r\nb=\tc\r\n"), std::string("[A]\nb=\x9A\xE8\x9E\n\x1A"), std::string("")}) {
        writeFile(ini, bytes);
        EXPECT_TRUE(kirva::platform::checkProfileFile(ini).ok()) << bytes;
    }
    EXPECT_TRUE(kirva::platform::checkProfileFile((dir / "MISSING.INI").string()).ok());
}

// Several keys in one rewrite: all of them, or none when one would break the file.
TEST_F(ProfileFileTest, SeveralKeysAreWrittenTogetherOrNotAtAll) {
    writeFile(ini, "[L]\nRows=9\n");
    ASSERT_TRUE(kirva::platform::writeProfileStrings(ini, "L", {{"Rows", "2"}, {"Rows_1", "a"}, {"Rows_2", "b"}}).ok());
    EXPECT_EQ(readFile(ini), "[L]\nRows=2\nRows_1=a\nRows_2=b\n");
    EXPECT_FALSE(kirva::platform::writeProfileStrings(ini, "L", {{"Rows", "3"}, {"Rows_3", "x\ny"}}).ok());
    EXPECT_EQ(readFile(ini), "[L]\nRows=2\nRows_1=a\nRows_2=b\n");
}

// A Windows-1250 file whose letters also decode as UTF-8 stays Windows-1250 when a key is written.
TEST_F(ProfileFileTest, AWindows1250FileThatDecodesAsUtf8StaysWindows1250) {
    const std::string old = cp1250("[OPAL]\r\nFirma=ČŠ Trgovina d.o.o.\r\n");
    writeFile(ini, old);
    ASSERT_TRUE(writeProfileString(ini, "OPAL", "Kljuc", cp1250("Žig")).ok());
    EXPECT_EQ(readFile(ini), old + cp1250("Kljuc=Žig\r\n"));
    EXPECT_TRUE(kirva::platform::Profile::read(ini).usable().ok());
    EXPECT_FALSE(kirva::platform::Profile::read(ini).utf8());
}

// A key written with the value it holds keeps its line byte for byte, blanks a read drops included.
TEST_F(ProfileFileTest, AnUnchangedValueKeepsItsLine) {
    for (const std::string& old : {std::string("[GLOBAL]\nPotDoPartnerjev = /x/   \nB=1\n"),
                                   std::string("[GLOBAL]\r\nPotDoPartnerjev=/x/\t \r\nB=1"),
                                   cp1250("[GLOBAL]\nPotDoPartnerjev=/x/  \nB=1  \n; Žaga\n")}) {
        writeFile(ini, old);
        ASSERT_TRUE(kirva::platform::writeProfileStrings(ini, "GLOBAL", {{"PotDoPartnerjev", "/x/"}, {"B", "1"}}).ok());
        EXPECT_EQ(readFile(ini), old);
        ASSERT_TRUE(writeProfileString(ini, "GLOBAL", "PotDoPartnerjev", "/y/").ok());
        EXPECT_EQ(readProfileString(ini, "GLOBAL", "PotDoPartnerjev", ""), "/y/");
    }
}

// Changes to several sections in one rewrite, applied in order: a key set twice takes the later value, a
// key erased after it was added is gone, new keys land where single writes would put them.
TEST_F(ProfileFileTest, ChangesToSeveralSectionsAreWrittenInOneRewrite) {
    struct Case {
        const char* what;
        std::string before;
        std::vector<std::tuple<bool, std::string, std::string, std::string>> changes;  // erase, section, key, value
        std::string after;
    };
    const Case cases[] = {
        {"keys in two sections and a new one",
         "[A]\nx=1\n\n; next\n[B]\ny=2\n",
         {{false, "B", "y", "3"}, {false, "A", "z", "4"}, {false, "C", "w", "5"}, {false, "A", "v", "6"}},
         "[A]\nx=1\nz=4\nv=6\n\n; next\n[B]\ny=3\n[C]\nw=5\n"},
        {"a key set twice", "[A]\nx=1\n", {{false, "A", "n", "1"}, {false, "a", "N", "2"}}, "[A]\nx=1\nn=2\n"},
        {"added then erased", "[A]\nx=1\n", {{false, "A", "n", "1"}, {true, "A", "n", ""}}, "[A]\nx=1\n"},
        {"erased then added", "[A]\nx=1\ny=2\n", {{true, "A", "x", ""}, {false, "A", "x", "3"}}, "[A]\ny=2\nx=3\n"},
        {"a new section twice", "", {{false, "S", "a", "1"}, {false, "S", "b", "2"}}, "[S]\r\na=1\r\nb=2\r\n"},
        {"nothing changes", "[A]\nx = 1  \n", {{false, "A", "x", "1"}, {true, "A", "q", ""}}, "[A]\nx = 1  \n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(ini);
        if (!c.before.empty()) writeFile(ini, c.before);
        kirva::platform::ProfileChanges changes(ini);
        for (const auto& [erase, section, key, value] : c.changes) {
            if (erase) {
                changes.erase(section, key);
            } else {
                ASSERT_TRUE(changes.set(section, key, value).ok());
            }
        }
        ASSERT_TRUE(changes.save().ok());
        EXPECT_EQ(readFile(ini), c.after);
    }
}

// One reading serves every key, and answers as the single reads do.
TEST_F(ProfileFileTest, OneReadingAnswersAsSingleReads) {
    std::string text = "\xEF\xBB\xBF; list\n[L]\nRows=3000\n";
    for (int i = 1; i <= 3000; ++i) text += "Rows_" + std::to_string(i) + "=a" + std::to_string(i) + ",b,c\n";
    text += "[l]\nRows_1=duplicate\n";
    writeFile(ini, text);
    const auto profile = kirva::platform::Profile::read(ini);
    for (int i : {1, 2, 999, 3000}) {
        const std::string key = "ROWS_" + std::to_string(i);
        EXPECT_EQ(profile.value("l", key, "-"), "a" + std::to_string(i) + ",b,c");
        EXPECT_EQ(profile.value("l", key, "-"), readProfileString(ini, "L", key, "+"));
    }
    EXPECT_EQ(profile.value("L", "Rows_3001", "-"), "-");
    EXPECT_EQ(profile.value("M", "Rows", "-"), "-");
    const auto missing = kirva::platform::Profile::read((dir / "none.ini").string());
    EXPECT_EQ(missing.value("L", "Rows", "d"), "d");
    EXPECT_TRUE(missing.usable().ok());
}
