#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "data/layout.h"
#include "platform/text1250.h"

namespace kirva::data {
namespace {

// layouts.txt beside this test is a transcription of the documented layouts made independently of the
// tables in data/layouts/; every layout must agree with it line for line.
struct Transcription {
    std::vector<std::vector<std::string>> files;
    std::map<std::string, std::vector<std::vector<std::string>>> fields, keys, memos, rules, inits;
};

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto tab = line.find('\t', start);
        parts.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) return parts;
        start = tab + 1;
    }
}

const Transcription& transcription() {
    static const Transcription t = [] {
        Transcription result;
        std::ifstream in(KIRVA_TEST_DIR "/data/layouts.txt");
        EXPECT_TRUE(in) << "layouts.txt is missing";
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') continue;
            auto parts = splitTabs(line);
            const std::string kind = parts[0];
            const std::string label = parts.size() > 1 ? parts[1] : "";
            parts.erase(parts.begin(), parts.begin() + 2);
            if (kind == "FILE") {
                parts.insert(parts.begin(), label);
                result.files.push_back(parts);
            } else if (kind == "FIELD") {
                result.fields[label].push_back(parts);
            } else if (kind == "KEY") {
                result.keys[label].push_back(parts);
            } else if (kind == "MEMO") {
                result.memos[label].push_back(parts);
            } else if (kind == "RULE") {
                result.rules[label].push_back(parts);
            } else if (kind == "INIT") {
                result.inits[label].push_back(parts);
            } else {
                ADD_FAILURE() << "unknown line in layouts.txt: " << line;
            }
        }
        return result;
    }();
    return t;
}

std::string typeName(FieldType type) {
    switch (type) {
        case FieldType::Byte:
            return "byte";
        case FieldType::Short:
            return "short";
        case FieldType::UShort:
            return "ushort";
        case FieldType::Long:
            return "long";
        case FieldType::ULong:
            return "ulong";
        case FieldType::Text:
            return "text";
        case FieldType::CText:
            return "ctext";
        case FieldType::Decimal:
            return "decimal";
        case FieldType::Date:
            return "date";
        case FieldType::Group:
            return "group";
    }
    return "?";
}

std::string joined(const std::vector<std::string_view>& parts) {
    std::string out;
    for (const auto part : parts) out += (out.empty() ? "" : ",") + std::string(part);
    return out;
}

// The dictionary counts the fields of these two files from 2.
int numberOffset(std::string_view label) {
    return label == "QFASTOR" || label == "QFASTPO" ? 1 : 0;
}

TEST(Layouts, DictionaryOrderAndFileSettingsMatchTheTranscription) {
    const auto& files = transcription().files;
    const auto& layouts = dictionaryLayouts();
    ASSERT_EQ(layouts.size(), 13u);
    ASSERT_EQ(files.size(), layouts.size());
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        const Layout& l = *layouts[i];
        const auto& f = files[i];
        SCOPED_TRACE(f[0]);
        EXPECT_EQ(l.label, f[0]);
        EXPECT_EQ(l.prefix, f[1]);
        EXPECT_EQ(l.table, f[2]);
        EXPECT_EQ(l.fileName, f[3] == "-" ? "" : f[3]);
        EXPECT_EQ(std::to_string(l.nameTextBytes), f[4]);
        EXPECT_EQ(std::to_string(l.structureVersion), f[5]);
        EXPECT_EQ(std::to_string(l.recordSize), f[6]);
    }
}

TEST(Layouts, RecordSizesAreTheDocumentedOnes) {
    const std::map<std::string_view, uint32_t> sizes = {
        {"FARACUN", 446},  {"SFENPA", 32},   {"SFPOEN", 205},   {"SFPARTN", 718}, {"FAPARAC", 495},
        {"APPINS", 717},   {"QFASTOR", 645}, {"QFASTPO", 137},  {"SaopRAC", 55},  {"ODMEENO", 35},
        {"APPINDOD", 185}, {"APPINRA", 417}, {"FAPARAC2", 495},
    };
    for (const Layout* l : dictionaryLayouts()) EXPECT_EQ(l->recordSize, sizes.at(l->label)) << l->label;
}

TEST(Layouts, EveryFieldMatchesTheTranscription) {
    for (const Layout* l : dictionaryLayouts()) {
        SCOPED_TRACE(std::string(l->label));
        const auto& expected = transcription().fields.at(std::string(l->label));
        ASSERT_EQ(l->fields.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const FieldDef& f = l->fields[i];
            const auto& e = expected[i];  // no name type offset bytes places elements
            SCOPED_TRACE(e[1]);
            EXPECT_EQ(std::to_string(i + 1), e[0]);
            EXPECT_EQ(f.name, e[1]);
            EXPECT_EQ(typeName(f.type), e[2]);
            EXPECT_EQ(std::to_string(f.offset), e[3]);
            EXPECT_EQ(std::to_string(f.totalSize()), e[4]);
            EXPECT_EQ(std::to_string(f.places), e[5]);
            EXPECT_EQ(std::to_string(f.elements), e[6]);
        }
    }
}

TEST(Layouts, KeysMemosRulesAndInitialValuesMatchTheTranscription) {
    const auto& t = transcription();
    const auto rowsOf = [](const auto& map, std::string_view label) {
        const auto found = map.find(std::string(label));
        return found == map.end() ? std::vector<std::vector<std::string>>{} : found->second;
    };
    for (const Layout* l : dictionaryLayouts()) {
        SCOPED_TRACE(std::string(l->label));
        const auto keys = rowsOf(t.keys, l->label);
        ASSERT_EQ(l->keys.size(), keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const KeyDef& k = l->keys[i];
            const auto& e = keys[i];  // name components unique primary auto description
            SCOPED_TRACE(e[0]);
            EXPECT_EQ(k.name, e[0]);
            EXPECT_EQ(joined(k.components), e[1]);
            EXPECT_EQ(k.unique ? "yes" : "no", e[2]);
            EXPECT_EQ(k.primary ? "yes" : "no", e[3]);
            EXPECT_EQ(std::to_string(k.autoNumbered), e[4]);
            EXPECT_EQ(k.description, e[5]);
        }
        const auto memos = rowsOf(t.memos, l->label);
        ASSERT_EQ(l->memos.size(), memos.size());
        for (std::size_t i = 0; i < memos.size(); ++i) {
            EXPECT_EQ(l->memos[i].name, memos[i][0]);
            EXPECT_EQ(std::to_string(l->memos[i].size), memos[i][1]);
            EXPECT_EQ(l->memos[i].exposedName, memos[i][2]);
        }
        const auto rules = rowsOf(t.rules, l->label);
        ASSERT_EQ(l->rules.size(), rules.size());
        for (std::size_t i = 0; i < rules.size(); ++i) {
            const FieldRule& r = l->rules[i];
            const auto& e = rules[i];  // number field kind list display prompt
            SCOPED_TRACE(e[1]);
            EXPECT_EQ(std::to_string(r.dictionaryNumber), e[0]);
            EXPECT_EQ(r.field, e[1]);
            if (e[2] == "list") {
                EXPECT_EQ(r.kind, RuleKind::CodeList);
                EXPECT_EQ(r.codeList, e[3]);
                EXPECT_EQ(r.displayTexts, e[4]);
            } else {
                EXPECT_EQ(r.kind, RuleKind::Range);
                EXPECT_EQ(std::to_string(r.low) + ".." + std::to_string(r.high), e[3]);
                EXPECT_EQ(r.rangeText, e[4]);
            }
            EXPECT_EQ(r.prompt, e[5]);
        }
        const auto inits = rowsOf(t.inits, l->label);
        ASSERT_EQ(l->initialValues.size(), inits.size());
        for (std::size_t i = 0; i < inits.size(); ++i) {
            const InitialValue& v = l->initialValues[i];
            const auto& e = inits[i];  // field kind value
            EXPECT_EQ(v.field, e[0]);
            if (e[1] == "text") {
                EXPECT_EQ(v.kind, InitialKind::Text);
                EXPECT_EQ(v.text, e[2]);
            } else if (e[1] == "number") {
                EXPECT_EQ(v.kind, InitialKind::Number);
                EXPECT_EQ(std::to_string(v.number), e[2]);
            } else {
                EXPECT_EQ(v.kind, InitialKind::Today);
            }
        }
    }
}

// Invariants that hold for any sound layout, whatever the tables say.
TEST(Layouts, StoredFieldsTileTheRecordWithoutGapsOrOverlaps) {
    for (const Layout* l : dictionaryLayouts()) {
        SCOPED_TRACE(std::string(l->label));
        uint32_t end = 0;
        for (const std::size_t i : l->storedFields()) {
            const FieldDef& f = l->fields[i];
            EXPECT_EQ(f.offset, end) << f.name;
            EXPECT_GT(f.size, 0u) << f.name;
            EXPECT_GE(f.elements, 1u) << f.name;
            end = f.offset + f.totalSize();
        }
        EXPECT_EQ(end, l->recordSize);
    }
}

TEST(Layouts, GroupsSpanExactlyTheirMembers) {
    for (const Layout* l : dictionaryLayouts()) {
        for (std::size_t i = 0; i < l->fields.size(); ++i) {
            const FieldDef& g = l->fields[i];
            if (g.type != FieldType::Group) continue;
            SCOPED_TRACE(l->fullFieldName(i));
            const auto members = l->groupMembers(i);
            ASSERT_FALSE(members.empty());
            EXPECT_EQ(members.front(), i + 1);
            uint32_t end = g.offset;
            for (const auto m : members) {
                EXPECT_EQ(l->fields[m].offset, end);
                end += l->fields[m].totalSize();
            }
            EXPECT_EQ(end, g.offset + g.size);
            EXPECT_EQ(g.elements, 1u);
        }
    }
}

TEST(Layouts, TypesHaveTheirNaturalWidths) {
    const std::map<FieldType, uint32_t> widths = {
        {FieldType::Byte, 1}, {FieldType::Short, 2}, {FieldType::UShort, 2},
        {FieldType::Long, 4}, {FieldType::ULong, 4}, {FieldType::Date, 4},
    };
    for (const Layout* l : dictionaryLayouts()) {
        for (const FieldDef& f : l->fields) {
            SCOPED_TRACE(std::string(l->label) + ":" + std::string(f.name));
            if (const auto w = widths.find(f.type); w != widths.end()) {
                EXPECT_EQ(f.size, w->second);
            }
            if (f.type == FieldType::Decimal) {
                EXPECT_LE(f.size, 9u);
                EXPECT_LT(f.places, 2 * f.size - 1);
            } else {
                EXPECT_EQ(f.places, 0);
            }
            if (f.type == FieldType::CText) {
                EXPECT_GE(f.size, 2u);
            }
        }
    }
}

TEST(Layouts, NamesAreUniqueAndKeysNameExistingFields) {
    for (const Layout* l : dictionaryLayouts()) {
        SCOPED_TRACE(std::string(l->label));
        std::set<std::string_view> names;
        for (const FieldDef& f : l->fields) EXPECT_TRUE(names.insert(f.name).second) << f.name;
        for (const MemoDef& m : l->memos) EXPECT_TRUE(names.insert(m.name).second) << m.name;
        std::set<std::string_view> keyNames;
        int primaries = 0;
        for (std::size_t k = 0; k < l->keys.size(); ++k) {
            const KeyDef& key = l->keys[k];
            EXPECT_TRUE(keyNames.insert(key.name).second) << key.name;
            EXPECT_FALSE(key.components.empty());
            for (const auto c : key.components) EXPECT_TRUE(l->findField(c)) << key.name << " " << c;
            EXPECT_GE(key.autoNumbered, 0);
            EXPECT_LE(key.autoNumbered, static_cast<int>(key.components.size()));
            if (key.primary) {
                ++primaries;
                EXPECT_TRUE(key.unique) << key.name;
            }
            EXPECT_FALSE(l->keyColumns(k).empty());
            EXPECT_TRUE(utf8ToCp1250(key.description)) << key.name;
        }
        EXPECT_EQ(primaries, 1);
    }
}

TEST(Layouts, RulesNameTheirFieldsByTheDictionaryNumbers) {
    for (const Layout* l : dictionaryLayouts()) {
        for (const FieldRule& r : l->rules) {
            SCOPED_TRACE(std::string(l->label) + ":" + std::string(r.field));
            const auto field = l->findField(r.field);
            ASSERT_TRUE(field);
            EXPECT_EQ(r.dictionaryNumber, static_cast<int>(*field) + 1 + numberOffset(l->label));
            EXPECT_TRUE(utf8ToCp1250(r.prompt));
            EXPECT_TRUE(utf8ToCp1250(r.displayTexts));
            if (r.kind != RuleKind::CodeList) continue;
            // The list is "]code[" repeated, and every code fits its field.
            const FieldDef& f = l->fields[*field];
            std::string_view list = r.codeList;
            int codes = 0;
            while (!list.empty()) {
                ASSERT_EQ(list.front(), ']');
                const auto close = list.find('[');
                ASSERT_NE(close, std::string_view::npos);
                const auto code = list.substr(1, close - 1);
                EXPECT_FALSE(code.empty());
                if (!f.isNumber()) {
                    EXPECT_LE(code.size(), f.size) << code;
                }
                list.remove_prefix(close + 1);
                ++codes;
            }
            // One display text per code.
            int texts = 0;
            for (std::size_t at = 0; (at = r.displayTexts.find("','", at)) != std::string_view::npos; ++at) ++texts;
            EXPECT_EQ(texts + 1, codes);
        }
        for (const InitialValue& v : l->initialValues) EXPECT_TRUE(l->findField(v.field)) << v.field;
    }
}

TEST(Layouts, FindLayoutIgnoresCase) {
    ASSERT_NE(findLayout("saoprac"), nullptr);
    EXPECT_EQ(findLayout("saoprac"), &saopracLayout());
    EXPECT_EQ(findLayout("Faracun"), &faracunLayout());
    EXPECT_EQ(findLayout("FAPARAC2"), &faparac2Layout());
    EXPECT_EQ(findLayout("FAP"), nullptr);
    EXPECT_EQ(findLayout(""), nullptr);
    EXPECT_EQ(findLayout("FARACUN.DB"), nullptr);
}

TEST(Layouts, FieldAndKeyLookupAcceptTheFilesOwnPrefixOnly) {
    const Layout& fap = faparac2Layout();
    EXPECT_EQ(fap.findField("fap:firma"), 0u);
    EXPECT_FALSE(fap.findField("FAPARAC:FIRMA"));
    EXPECT_EQ(fap.fullKeyName(1), "FAP:PARAMETRIKLJUC");
    const Layout& partners = sfpartnLayout();
    const auto zr = partners.findKey("SFPARTN:ZRKLJUC");
    ASSERT_TRUE(zr);
    // A group key is stored as the group's members, in order.
    std::vector<std::string_view> columns;
    for (const auto c : partners.keyColumns(*zr)) columns.push_back(partners.fields[c].name);
    EXPECT_EQ(columns, (std::vector<std::string_view>{"SEDEZ", "RACUN", "NAMEN", "PARTIJA", "MODEL", "SKLIC"}));
    EXPECT_EQ(partners.storedFields().size(), 49u);
}

}  // namespace
}  // namespace kirva::data
