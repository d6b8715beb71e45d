#include "data/rules.h"

#include <stdexcept>
#include <string>

#include "platform/text1250.h"

namespace kirva::data {

namespace {

constexpr int kResultFailed = 5;
constexpr int kEntryValueError = 19;
constexpr int kEntryRangeError = 20;

std::size_t ruleField(const Layout& layout, std::string_view name) {
    const auto index = layout.findField(name);
    if (!index) throw std::logic_error("no field " + std::string(name) + " in " + std::string(layout.label));
    return *index;
}

// The value as the code lists hold it: a text without its trailing blanks, a number in decimal without
// leading zeros. Nothing when the value cannot be read (a damaged packed decimal).
std::optional<std::string> listValue(const Record& record, std::size_t field) {
    const FieldDef& def = record.layout().fields[field];
    switch (def.type) {
        case FieldType::Text:
        case FieldType::CText:
        case FieldType::Group:
            return clipRight(record.text(field)).bytes();
        case FieldType::Decimal: {
            const auto value = record.decimal(field);
            if (!value) return std::nullopt;
            return value->toPlainString();
        }
        default:
            return std::to_string(record.integer(field));
    }
}

bool inCodeList(std::string_view list, const std::optional<std::string>& value) {
    if (!value) return false;
    // A code never holds a bracket; one in the value could otherwise match across two codes of the list.
    if (value->find_first_of("[]") != std::string::npos) return false;
    return list.find("]" + *value + "[") != std::string_view::npos;
}

bool inRange(const Record& record, std::size_t field, const FieldRule& rule) {
    const FieldDef& def = record.layout().fields[field];
    if (!def.isNumber()) return false;
    if (def.type == FieldType::Decimal) {
        const auto value = record.decimal(field);
        return value && *value >= Decimal::fromInt(rule.low) && *value <= Decimal::fromInt(rule.high);
    }
    const int64_t value = record.integer(field);
    return value >= rule.low && value <= rule.high;
}

FieldCheck runRule(const Record& record, const FieldRule& rule) {
    FieldCheck check;
    check.dictionaryNumber = rule.dictionaryNumber;
    check.field = rule.field;
    const std::size_t field = ruleField(record.layout(), rule.field);
    const bool passes = rule.kind == RuleKind::CodeList ? inCodeList(rule.codeList, listValue(record, field))
                                                        : inRange(record, field, rule);
    if (passes) return check;
    check.result = kResultFailed;
    check.prompt = rule.prompt;
    if (rule.kind == RuleKind::CodeList) {
        check.messageEntry = kEntryValueError;
        check.title = "Value Error";
        check.message = rule.displayTexts;
    } else {
        check.messageEntry = kEntryRangeError;
        check.title = "Range Error";
        check.message = rule.rangeText;
    }
    return check;
}

}  // namespace

FieldCheck checkField(const Record& record, int dictionaryNumber) {
    for (const FieldRule& rule : record.layout().rules) {
        if (rule.dictionaryNumber == dictionaryNumber) return runRule(record, rule);
    }
    FieldCheck pass;
    pass.dictionaryNumber = dictionaryNumber;
    return pass;
}

std::vector<FieldCheck> checkRecord(const Record& record) {
    std::vector<FieldCheck> failures;
    for (const FieldRule& rule : record.layout().rules) {
        FieldCheck check = runRule(record, rule);
        if (check.result != 0) failures.push_back(check);
    }
    return failures;
}

void setInitialValues(Record& record, DateNumber today) {
    const Layout& layout = record.layout();
    for (const InitialValue& initial : layout.initialValues) {
        const std::size_t field = ruleField(layout, initial.field);
        Result<void> set;
        switch (initial.kind) {
            case InitialKind::Text:
                set = record.setText(field, Text1250::literal(initial.text));
                break;
            case InitialKind::Number:
                set = record.setInteger(field, initial.number);
                break;
            case InitialKind::Today:
                set = record.setInteger(field, today);
                break;
        }
        // The values are the layout's own; one that does not fit its field is a mistake in the table.
        if (!set) throw std::logic_error(layout.fullFieldName(field) + ": " + set.error().message);
    }
}

}  // namespace kirva::data
