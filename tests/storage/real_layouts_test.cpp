// Every layout of the dictionary through the driver: the widest values each field holds survive a round
// trip, every key reads them back, and docs/storage.md names every column.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include "data/layout.h"
#include "data/record.h"
#include "platform/text1250.h"
#include "storage/keyed_file.h"
#include "storage/schema.h"
#include "tests/support/test_folder.h"

namespace kirva::storage {
namespace {

namespace fs = std::filesystem;
using data::FieldType;

// The extreme value of every stored field: full-width texts with letters beyond ASCII, the most digits a
// decimal holds (negative), the ends of every whole-number range, full memos.
data::Record widest(const data::Layout& layout) {
    data::Record r(layout);
    const std::string letters = cp1250("Žš€čĆ ab");
    auto filled = [&](std::size_t width) {
        std::string text;
        while (text.size() < width) text += letters[text.size() % letters.size()];
        text.back() = 'z';  // no trailing blank
        return text;
    };
    for (const std::size_t f : layout.storedFields()) {
        const data::FieldDef& def = layout.fields[f];
        for (std::size_t e = 0; e < def.elements; ++e) {
            Result<void> done;
            switch (def.type) {
                case FieldType::Byte:
                    done = r.setInteger(f, 255, e);
                    break;
                case FieldType::Short:
                    done = r.setInteger(f, -32768, e);
                    break;
                case FieldType::UShort:
                    done = r.setInteger(f, 65535, e);
                    break;
                case FieldType::Long:
                    done = r.setInteger(f, std::numeric_limits<int32_t>::min(), e);
                    break;
                case FieldType::ULong:
                    done = r.setInteger(f, std::numeric_limits<uint32_t>::max(), e);
                    break;
                case FieldType::Date:
                    done = r.setInteger(f, 80000 + static_cast<int64_t>(e), e);
                    break;
                case FieldType::Text:
                    done = r.setText(f, Text1250::fromBytes(filled(def.size)), e);
                    break;
                case FieldType::CText:
                    done = r.setText(f, Text1250::fromBytes(filled(def.size - 1)), e);
                    break;
                case FieldType::Decimal: {
                    int64_t units = 0;
                    for (uint32_t d = 0; d < 2 * def.size - 1; ++d) units = units * 10 + 9;
                    done = r.setDecimal(f, Decimal::fromUnits(-units, def.places), e);
                    break;
                }
                case FieldType::Group:
                    break;
            }
            EXPECT_TRUE(done) << layout.fullFieldName(f) << ": " << (done ? "" : done.error().message);
        }
    }
    for (std::size_t m = 0; m < layout.memos.size(); ++m) {
        EXPECT_TRUE(r.setMemo(m, filled(layout.memos[m].size)));
    }
    return r;
}

bool sameRecord(const data::Record& a, const data::Record& b) {
    if (!std::equal(a.image().begin(), a.image().end(), b.image().begin(), b.image().end())) return false;
    for (std::size_t m = 0; m < a.layout().memos.size(); ++m) {
        if (a.memo(m) != b.memo(m)) return false;
    }
    return true;
}

class RealLayouts : public ::testing::Test {
  protected:
    kirva::testing::TestFolder folder_;
    const fs::path dir_ = folder_.path();
};

TEST_F(RealLayouts, EveryLayoutRoundTripsThroughEveryKey) {
    ASSERT_EQ(data::dictionaryLayouts().size(), 13u);
    for (const data::Layout* layout : data::dictionaryLayouts()) {
        SCOPED_TRACE(std::string(layout->label));
        const std::string path = (dir_ / (std::string(layout->label) + ".DB")).string();
        KeyedFile file(*layout);
        ASSERT_EQ(file.create(path), 0) << file.lastError().sqliteMessage;
        ASSERT_EQ(file.open(path), 0) << file.lastError().sqliteMessage;
        data::Record full = widest(*layout);
        data::Record cleared(*layout);
        ASSERT_EQ(file.add(full), 0) << file.lastError().sqliteMessage;
        ASSERT_EQ(file.add(cleared), 0) << file.lastError().sqliteMessage;
        for (std::size_t k = 0; k < layout->keys.size(); ++k) {
            SCOPED_TRACE(layout->fullKeyName(k));
            data::Record read(*layout);
            ASSERT_EQ(file.get(k, full), 0);
            EXPECT_TRUE(sameRecord(full, widest(*layout)));
            ASSERT_EQ(file.setFirst(k), 0);
            int count = 0;
            bool seen = false;
            while (file.next(read) == 0) {
                ++count;
                seen = seen || sameRecord(read, full);
            }
            EXPECT_EQ(file.lastError().code, EndOfFile);
            EXPECT_EQ(count, 2);
            EXPECT_TRUE(seen);
        }
    }
}

TEST_F(RealLayouts, SecondViewOpensTheSharedTable) {
    const std::string path = (dir_ / "FAPARAC.DB").string();
    KeyedFile first(data::faparacLayout());
    ASSERT_EQ(first.create(path), 0);
    KeyedFile second(data::faparac2Layout());
    EXPECT_EQ(second.open(path, kOpenReadOnlyDenyNone), 0) << second.lastError().sqliteMessage;
}

TEST(StorageDocument, NamesEveryColumnOfEveryLayout) {
    std::ifstream in(std::string(KIRVA_TEST_DIR) + "/../docs/storage.md");
    ASSERT_TRUE(in) << "docs/storage.md is missing";
    std::stringstream text;
    text << in.rdbuf();
    const std::string doc = text.str();
    for (const data::Layout* layout : data::dictionaryLayouts()) {
        // The file's own section: from its heading to the next one.
        const std::size_t start = doc.find("\n### `" + std::string(layout->table) + "`\n");
        ASSERT_NE(start, std::string::npos) << "no section for " << layout->table;
        const std::string section = doc.substr(start, doc.find("\n### ", start + 1) - start);
        EXPECT_NE(section.find("Structure version " + std::to_string(storedVersion(*layout)) + "."), std::string::npos)
            << layout->label;
        for (const Column& column : storageColumns(*layout)) {
            EXPECT_NE(section.find("| `" + column.name + "` | " + std::string(column.sqlType()) + " |"),
                      std::string::npos)
                << layout->label << " column " << column.name;
        }
        for (std::size_t k = 0; k < layout->keys.size(); ++k) {
            EXPECT_NE(section.find("| `" + indexName(*layout, k) + "` | " + (layout->keys[k].unique ? "yes" : "no")),
                      std::string::npos)
                << indexName(*layout, k);
        }
    }
}

}  // namespace
}  // namespace kirva::storage
