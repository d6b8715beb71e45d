#include "app/dictionary.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/text1250.h"
#include "tests/framework/files/file_test_support.h"

namespace kirva::app {
namespace {

using framework::ErrorLevel;
using framework::testing::FileTest;
namespace fs = std::filesystem;
using namespace data;  // the layouts and records the dictionary is built from

class DictionaryTest : public FileTest {
  protected:
    void SetUp() override {
        FileTest::SetUp();
        dictionaryInit(errors, names, {.lockRecover = 1, .clock = &clock});
    }
    void TearDown() override {
        dictionaryShutdown();
        FileTest::TearDown();
    }

    settings::DataFileNames names;
    FixedClock clock{*dateFromCivil(2019, 5, 21)};
};

TEST_F(DictionaryTest, SetsUpThirteenFilesWithoutOpeningAny) {
    EXPECT_TRUE(dictionaryActive());
    EXPECT_EQ(framework::mappedFileManagers(), 13u);
    EXPECT_EQ(framework::mappedRelationManagers(), 13u);
    for (const Layout* layout : dictionaryLayouts()) {
        SCOPED_TRACE(std::string(layout->label));
        framework::FileManager* access = accessOf(layout->label);
        framework::RelationManager* relate = relateOf(layout->label);
        framework::DataFile* file = fileOf(layout->label);
        ASSERT_NE(access, nullptr);
        ASSERT_NE(relate, nullptr);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(&relate->me(), access);
        EXPECT_EQ(access->file(), file);
        EXPECT_EQ(framework::fileManagerOf(*file), access);
        EXPECT_EQ(framework::relationManagerOf(*file), relate);
        EXPECT_EQ(access->fileNameValue(), layout->label);
        EXPECT_TRUE(access->lazyOpen);
        EXPECT_FALSE(access->initialized());
        EXPECT_EQ(access->opened(), 0);
        EXPECT_FALSE(file->storage().isOpen());
        EXPECT_FALSE(relate->useLogout());
        EXPECT_EQ(relate->logoutTimeout(), 2);
    }
    EXPECT_EQ(accessOf("faracun"), accessOf("FARACUN"));
    EXPECT_EQ(accessOf("NOSUCH"), nullptr);
}

TEST_F(DictionaryTest, TheSecondViewOfThePostingParametersIsAnAlias) {
    EXPECT_EQ(accessOf("FAPARAC2")->aliasedFile(), accessOf("FAPARAC"));
    EXPECT_EQ(relateOf("FAPARAC2")->aliasFile, relateOf("FAPARAC"));
    EXPECT_EQ(fileOf("FAPARAC2")->nameText(), fileOf("FAPARAC")->nameText());
    for (const Layout* layout : dictionaryLayouts()) {
        if (layout->label != "FAPARAC2") {
            EXPECT_EQ(accessOf(layout->label)->aliasedFile(), nullptr);
        }
    }
    EXPECT_EQ(fileOf("SFENPA")->nameText(), &names.sfenpa);
    EXPECT_EQ(fileOf("SFPARTN")->nameText(), &names.sfpartn);
}

TEST_F(DictionaryTest, ANameAssignedAfterSetUpIsTheOneOpened) {
    names.sfenpa = path("SFENPA.DB");
    ASSERT_EQ(relateOf("SFENPA")->open(), framework::ResultDone);
    EXPECT_TRUE(fs::exists(names.sfenpa));
    EXPECT_EQ(fileOf("SFENPA")->storage().path(), names.sfenpa);
    EXPECT_TRUE(boxes.shown().empty());
    relateOf("SFENPA")->close();
    EXPECT_FALSE(fileOf("SFENPA")->storage().isOpen());
}

TEST_F(DictionaryTest, TheFirstUseAttachesWithCreateLockRecoveryAndTheKeys) {
    names.qfastor = path("QFASTOR.DB");
    framework::FileManager& qfastor = *accessOf("QFASTOR");
    ASSERT_EQ(qfastor.use(), framework::ResultDone);
    EXPECT_TRUE(qfastor.initialized());
    EXPECT_EQ(qfastor.create, 1);
    EXPECT_EQ(qfastor.lockRecover, 1);  // as the test asked; the program's own is 10
    EXPECT_EQ(qfastor.openMode, storage::kOpenReadWriteDenyNone);
    ASSERT_EQ(qfastor.keys().size(), qfastorLayout().keys.size());
    EXPECT_TRUE(qfastor.hasAutoInc());
    for (std::size_t k = 0; k < qfastor.keys().size(); ++k) {
        EXPECT_EQ(qfastor.keys()[k].description, cp1250(qfastorLayout().keys[k].description));
        EXPECT_EQ(qfastor.keys()[k].autoInc, qfastorLayout().keys[k].autoNumbered);
    }
    EXPECT_NE(qfastor.primaryKey(), 0u);

    DictionaryOptions defaults;
    EXPECT_EQ(defaults.lockRecover, 10);
}

TEST_F(DictionaryTest, RelationsAreDeclaredAsTheDictionaryHasThem) {
    struct Expected {
        std::string_view file;
        std::string_view related;
        std::string_view hisKey;  // empty: a plain relation back
        std::size_t links;
        uint8_t update, remove;
    };
    const Expected expected[] = {
        {"FAPARAC2", "SFPOEN", "SIFRAKLJUC", 2, 3, 2},
        {"APPINS", "APPINRA", "POBANKI", 1, 3, 2},
        {"APPINS", "APPINDOD", "SIFRAKLJUC", 1, 3, 3},
        {"APPINS", "SFPOEN", "SIFRAKLJUC", 1, 3, 2},
        {"FAPARAC", "FARACUN", "KNJIGAENOTAKLJUC", 2, 3, 0},
        {"SFPOEN", "ODMEENO", "ENOTAKLJUC", 2, 3, 2},
        {"SFPOEN", "FAPARAC", "KNJIZENJEKLJUC", 2, 3, 0},
        {"QFASTOR", "QFASTPO", "RACUNKEY", 3, 3, 3},
        {"SFPOEN", "FAPARAC2", "", 0, 0, 0},
        {"SFPOEN", "APPINS", "", 0, 0, 0},
        {"APPINRA", "APPINS", "", 0, 0, 0},
        {"APPINDOD", "APPINS", "", 0, 0, 0},
        {"ODMEENO", "SFPOEN", "", 0, 0, 0},
        {"FAPARAC", "SFPOEN", "", 0, 0, 0},
        {"FARACUN", "FAPARAC", "", 0, 0, 0},
        {"QFASTPO", "QFASTOR", "", 0, 0, 0},
    };
    std::size_t total = 0;
    for (const Layout* layout : dictionaryLayouts()) {
        relateOf(layout->label)->declareRelations();
        total += relateOf(layout->label)->relations().size();
    }
    EXPECT_EQ(total, std::size(expected));
    for (const auto& e : expected) {
        SCOPED_TRACE(std::string(e.file) + " -> " + std::string(e.related));
        const framework::RelationEntry* found = nullptr;
        for (const auto& relation : relateOf(e.file)->relations()) {
            if (relation.file == relateOf(e.related)) found = &relation;
        }
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->fields.size(), e.links);
        EXPECT_EQ(found->updateMode, e.update);
        EXPECT_EQ(found->deleteMode, e.remove);
        if (e.hisKey.empty()) {
            EXPECT_FALSE(found->hisKey.has_value());
        } else {
            ASSERT_TRUE(found->hisKey.has_value());
            EXPECT_EQ(fileOf(e.related)->layout().keys[*found->hisKey].name, e.hisKey);
        }
    }
    // The linking pairs join the named fields: QFASTOR's three, in key order.
    const auto& qfastor = relateOf("QFASTOR")->relations()[0];
    const char* names3[] = {"FIRMA", "VRSTARACUNA", "RACUNSTEVILKA"};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(qfastorLayout().fields[qfastor.fields[i].first].name, names3[i]);
        EXPECT_EQ(qfastpoLayout().fields[qfastor.fields[i].second].name, names3[i]);
    }
}

TEST_F(DictionaryTest, FieldRulesInitialValuesAndExposedMemos) {
    framework::FileManager& faracun = *accessOf("FARACUN");
    Record& record = fileOf("FARACUN")->record();
    const std::size_t field = record.field("REDNADRUGATRISTRANSKADOBAVAEU");
    ASSERT_TRUE(record.setText(field, Text1250::fromBytes("X")).ok());
    EXPECT_EQ(faracun.testFieldSilently(38), framework::ResultFailed);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(faracun.testField(38), static_cast<uint8_t>(ErrorLevel::Notice));
    ASSERT_EQ(captions(), std::vector<std::string>{"Value Error"});
    EXPECT_EQ(boxes.shown()[0].text.bytes().rfind("The value of ", 0), 0u);
    EXPECT_NE(faracun.validateRecord(), framework::ResultDone);
    ASSERT_TRUE(record.setText(field, Text1250::fromBytes("R")).ok());
    EXPECT_EQ(faracun.testField(38), framework::ResultDone);
    EXPECT_EQ(faracun.testField(1), framework::ResultDone);  // a number without a rule passes

    record.clear();
    faracun.setInitialValues();
    EXPECT_EQ(record.text(field).bytes(), "R");

    accessOf("SFPARTN")->exposeFields();
    const auto& exposed = accessOf("SFPARTN")->exposedNames();
    EXPECT_NE(std::find(exposed.begin(), exposed.end(), "SFPARTN:Opombe"), exposed.end());
    accessOf("SFENPA")->exposeFields();
    EXPECT_EQ(accessOf("SFENPA")->exposedNames().size(), sfenpaLayout().fields.size());
}

TEST_F(DictionaryTest, TakeDownReleasesEveryFileWhetherOpenedOrNot) {
    names.sfenpa = path("SFENPA.DB");
    names.qfastpo = path("QFASTPO.DB");
    ASSERT_EQ(relateOf("SFENPA")->open(), framework::ResultDone);
    ASSERT_EQ(accessOf("QFASTPO")->use(), framework::ResultDone);  // in use, never counted
    dictionaryShutdown();
    EXPECT_FALSE(dictionaryActive());
    EXPECT_EQ(framework::mappedFileManagers(), 0u);
    EXPECT_EQ(framework::mappedRelationManagers(), 0u);
    EXPECT_TRUE(framework::fileUseEntries().empty());
    for (const Layout* layout : dictionaryLayouts()) {
        EXPECT_EQ(accessOf(layout->label), nullptr);
        EXPECT_EQ(relateOf(layout->label), nullptr);
    }
    // The same thread can set it up again.
    dictionaryInit(errors, names);
    EXPECT_EQ(framework::mappedFileManagers(), 13u);
}

TEST_F(DictionaryTest, EachThreadHasItsOwnManagers) {
    framework::FileManager* mine = accessOf("FARACUN");
    framework::FileManager* theirs = nullptr;
    bool activeBefore = true;
    std::thread other([&] {
        activeBefore = dictionaryActive();
        dictionaryInit(errors, names);
        theirs = accessOf("FARACUN");
        dictionaryShutdown();
    });
    other.join();
    EXPECT_FALSE(activeBefore);
    EXPECT_NE(theirs, nullptr);
    EXPECT_NE(theirs, mine);
    EXPECT_EQ(accessOf("FARACUN"), mine);
}

}  // namespace
}  // namespace kirva::app
