#include "data/layout.h"

#include <algorithm>
#include <limits>
#include "platform/text1250.h"

namespace kirva::data {

namespace {

// "PREFIX:NAME" → "NAME" when the prefix is this file's; a plain name as it is.
std::string_view withoutPrefix(std::string_view name, std::string_view prefix) {
    const auto colon = name.find(':');
    if (colon == std::string_view::npos) return name;
    if (!equalNoCase(name.substr(0, colon), prefix)) return {};
    return name.substr(colon + 1);
}

template <class Items, class NameOf>
std::optional<std::size_t> findByName(const Items& items, std::string_view name, std::string_view prefix,
                                      NameOf nameOf) {
    const auto bare = withoutPrefix(name, prefix);
    if (bare.empty()) return std::nullopt;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (equalNoCase(nameOf(items[i]), bare)) return i;
    }
    return std::nullopt;
}

}  // namespace

IntegerRange integerRange(FieldType type) {
    switch (type) {
        case FieldType::Byte:
            return {0, 255, "an unsigned byte"};
        case FieldType::Short:
            return {-32768, 32767, "a signed 16-bit number"};
        case FieldType::UShort:
            return {0, 65535, "an unsigned 16-bit number"};
        case FieldType::Long:
        case FieldType::Date:
            return {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), "a signed 32-bit number"};
        case FieldType::ULong:
            return {0, std::numeric_limits<uint32_t>::max(), "an unsigned 32-bit number"};
        default:
            return {0, -1, "not a whole number"};
    }
}

std::optional<std::size_t> Layout::findField(std::string_view name) const {
    return findByName(fields, name, prefix, [](const FieldDef& f) { return f.name; });
}

std::optional<std::size_t> Layout::findKey(std::string_view name) const {
    return findByName(keys, name, prefix, [](const KeyDef& k) { return k.name; });
}

std::optional<std::size_t> Layout::findMemo(std::string_view name) const {
    return findByName(memos, name, prefix, [](const MemoDef& m) { return m.name; });
}

std::vector<std::size_t> Layout::groupMembers(std::size_t group) const {
    std::vector<std::size_t> members;
    const FieldDef& g = fields[group];
    if (g.type != FieldType::Group) return members;
    for (std::size_t i = group + 1; i < fields.size(); ++i) {
        const FieldDef& f = fields[i];
        if (f.offset < g.offset || f.offset + f.totalSize() > g.offset + g.size) break;
        if (f.type != FieldType::Group) members.push_back(i);
    }
    return members;
}

std::vector<std::size_t> Layout::storedFields() const {
    std::vector<std::size_t> stored;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].type != FieldType::Group) stored.push_back(i);
    }
    return stored;
}

std::vector<std::size_t> Layout::keyColumns(std::size_t key) const {
    std::vector<std::size_t> columns;
    for (const auto component : keys[key].components) {
        const auto field = findField(component);
        if (!field) continue;
        if (fields[*field].type == FieldType::Group) {
            for (auto member : groupMembers(*field)) columns.push_back(member);
        } else {
            columns.push_back(*field);
        }
    }
    return columns;
}

std::string Layout::fullFieldName(std::size_t field) const {
    return std::string(prefix) + ":" + std::string(fields[field].name);
}

std::string Layout::fullKeyName(std::size_t key) const {
    return std::string(prefix) + ":" + std::string(keys[key].name);
}

}  // namespace kirva::data
