#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "data/layout.h"
#include "data/record.h"
#include "platform/ini/profile_file.h"
#include "platform/system_files.h"
#include "platform/text1250.h"
#include "settings/settings_store.h"
#include "storage/keyed_file.h"
#include "tests/tools/tool_test_support.h"
#include "tools/cli/commands.h"

namespace kirva::tooltest {
namespace {

using data::Record;
using storage::KeyedFile;

// Built on first use: a namespace-scope day number would be computed before the date module is ready.
const Clock& today() {
    static const FixedClock clock(*dateFromCivil(2025, 3, 10));
    return clock;
}

Outcome demo(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    Outcome outcome;
    outcome.code = cli::demoCommand(args, out, err, today());
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
}

class Demo : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<TestFolder>();
        const auto made = demo({dir_->path().string(), "--invoices", "400", "--seed", "9"});
        ASSERT_EQ(made.code, 0) << made.err;
        ASSERT_EQ(made.out,
                  "demo data written: 400 invoices from 01.09.2024 to 28.02.2025, 66 partners, 5 business "
                  "units; settings in " +
                      (dir_->path() / "KIRVA.INI").string() + "\n");
    }
    static void TearDownTestSuite() { dir_.reset(); }
    static const TestFolder& dir() { return *dir_; }

  private:
    static inline std::unique_ptr<TestFolder> dir_;
};

TEST_F(Demo, SettingsPointAtTheFolder) {
    const std::string ini = dir() / "KIRVA.INI";
    const std::string folder = dir().path().string() + platform::kNativeSeparator;
    settings::Settings s;
    settings::DataFileNames names;
    settings::loadSettings(ini, s, names);
    settings::readIdentification(ini, s);
    EXPECT_EQ(s.potDoIzdanihRacunov.bytes(), folder);
    EXPECT_EQ(s.potDoPartnerjev.bytes(), folder);
    EXPECT_EQ(s.potDoXmlRacunov.bytes(), folder + "XML" + platform::kNativeSeparator);
    EXPECT_TRUE(fs::is_directory(s.potDoXmlRacunov.toUtf8()));
    // As the settings window's hint asks: at least 10 and at most 30 characters each.
    for (const Text1250* identification : {&s.firmaOpal, &s.kljucOpal}) {
        EXPECT_GE(clipRight(*identification).size(), 10u) << identification->toUtf8();
        EXPECT_LE(clipRight(*identification).size(), 30u) << identification->toUtf8();
    }
    for (const std::string* name : {&names.faracun, &names.sfenpa, &names.sfpartn, &names.sfpoen, &names.qfastor,
                                    &names.qfastpo, &names.saoprac}) {
        EXPECT_TRUE(fs::exists(*name)) << *name;
    }
}

TEST_F(Demo, PassesTheFieldValidation) {
    for (const char* file : {"FARACUN.DB", "SFPARTN.DB", "SFENPA.DB"}) {
        const auto checked = cli({"check", dir() / file});
        EXPECT_EQ(checked.code, 0) << checked.out << checked.err;
    }
}

TEST_F(Demo, EveryInvoiceFindsItsUnitAndPartnerAndAddsUp) {
    KeyedFile invoices(data::faracunLayout()), units(data::sfenpaLayout()), partners(data::sfpartnLayout());
    ASSERT_EQ(invoices.open(dir() / "FARACUN.DB", storage::kOpenReadOnlyDenyNone), 0);
    ASSERT_EQ(units.open(dir() / "SFENPA.DB", storage::kOpenReadOnlyDenyNone), 0);
    ASSERT_EQ(partners.open(dir() / "SFPARTN.DB", storage::kOpenReadOnlyDenyNone), 0);
    EXPECT_EQ(invoices.records(), 400);
    Record inv(data::faracunLayout()), unit(data::sfenpaLayout()), partner(data::sfpartnLayout());
    const auto racunKljuc = *data::faracunLayout().findKey("RACUNKLJUC");
    ASSERT_EQ(invoices.setFirst(racunKljuc), 0);
    auto amount = [&](const char* name) { return inv.decimal(inv.field(name))->units(); };
    int read = 0, reverseCharge = 0;
    while (invoices.next(inv) == 0) {
        ++read;
        ASSERT_TRUE(unit.setInteger(unit.field("PODJETJE"), inv.integer(inv.field("BE"))).ok());
        ASSERT_TRUE(unit.setInteger(unit.field("SIFRAPOSLOVNEENOTE"), inv.integer(inv.field("POSLOVNAENOTA"))).ok());
        EXPECT_EQ(units.get(*data::sfenpaLayout().findKey("SIFRAKLJUC"), unit), 0);
        partner.clear();
        ASSERT_TRUE(partner.setInteger(partner.field("SIFRA"), inv.integer(inv.field("POSLOVNIPARTNER"))).ok());
        EXPECT_EQ(partners.get(*data::sfpartnLayout().findKey("SIFRAKLJUC"), partner), 0);
        const bool reverse = amount("STOPNJADDV1OBR") != 0 || amount("STOPNJADDV2OBR") != 0;
        reverseCharge += reverse;
        const int64_t difference = amount("ZNESEKDEBET") - amount("OSNOVADDV1") - amount("ZNESEKDDV1") -
                                   amount("OSNOVADDV2") - amount("ZNESEKDDV2");
        if (!reverse) {
            EXPECT_LE(std::llabs(difference), 1);
        }
        const auto date = civilFromDate(static_cast<DateNumber>(inv.integer(inv.field("DATUMDOKUMENTA"))));
        EXPECT_EQ(inv.integer(inv.field("LETODOKUMENTA")), date.year);
    }
    EXPECT_EQ(read, 400);
    EXPECT_GT(reverseCharge, 0);
}

TEST_F(Demo, TheOtherFilesAreEmpty) {
    for (const data::Layout* layout :
         {&data::qfastorLayout(), &data::qfastpoLayout(), &data::saopracLayout(), &data::sfpoenLayout()}) {
        KeyedFile file(*layout);
        ASSERT_EQ(file.open(dir() / std::string(layout->fileName), storage::kOpenReadOnlyDenyNone), 0);
        EXPECT_EQ(file.records(), 0);
    }
}

TEST_F(Demo, TheSameSeedGivesTheSameFilesAndNothingIsOverwritten) {
    TestFolder again, other;
    ASSERT_EQ(demo({again.path().string(), "--invoices", "400", "--seed", "9"}).code, 0);
    ASSERT_EQ(demo({other.path().string(), "--invoices", "400", "--seed", "10"}).code, 0);
    for (const char* file : {"FARACUN.DB", "SFENPA.DB", "SFPARTN.DB"}) {
        EXPECT_EQ(cli({"dump", again / file}).out, cli({"dump", dir() / file}).out) << file;
    }
    EXPECT_NE(cli({"dump", other / "FARACUN.DB"}).out, cli({"dump", dir() / "FARACUN.DB"}).out);

    const std::string before = readFile(again / "FARACUN.DB");
    const auto refused = demo({again.path().string(), "--invoices", "5"});
    EXPECT_EQ(refused.code, 2);
    EXPECT_EQ(refused.err,
              "kirva-cli demo: " + again / "FARACUN.DB" + " already exists; choose a folder without data files\n");
    EXPECT_EQ(readFile(again / "FARACUN.DB"), before);
}

TEST(DemoSmoke, TheBuiltProgramWritesAndDumpsTheDemo) {
#ifdef _WIN32
    GTEST_SKIP() << "drives the program through a POSIX shell; scripts/compare-windows-journal runs the Windows one";
#else
    TestFolder dir;
    const std::string cliPath = KIRVA_CLI_PATH;
    const std::string folder = (dir.path() / "demo").string();
    ASSERT_EQ(std::system((cliPath + " demo '" + folder + "' --invoices 25 > /dev/null").c_str()), 0);
    FILE* pipe = popen((cliPath + " dump '" + folder + "/SFENPA.DB'").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "PODJETJE,SIFRAPOSLOVNEENOTE,KONTOKUPCIBREZGOTOVINSKO,KONTOKUPCIGOTOVINSKO,KONTOREALIZACIJESTORITVE,"
              "KONTOREALIZACIJEBLAGO,KONTODDVVISJA,KONTODDVNIZJA,KONTOIZRAVNAVE");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6) << text;
#endif
}

}  // namespace
}  // namespace kirva::tooltest
