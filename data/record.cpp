#include "data/record.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace kirva::data {

namespace {}  // namespace

Record::Record(const Layout& layout) : layout_(&layout), image_(layout.recordSize), memos_(layout.memos.size()) {
    clear();
}

void Record::clear() {
    std::fill(image_.begin(), image_.end(), uint8_t{0});
    for (const FieldDef& f : layout_->fields) {
        if (f.type == FieldType::Text) {
            std::memset(image_.data() + f.offset, ' ', f.totalSize());
        }
    }
    for (auto& m : memos_) m.clear();
}

std::span<uint8_t> Record::bytes(std::size_t field, std::size_t element) {
    const FieldDef& f = layout_->fields.at(field);
    if (element >= f.elements) throw std::out_of_range("array element out of range");
    return std::span<uint8_t>(image_).subspan(f.offset + f.size * element, f.size);
}

std::span<const uint8_t> Record::bytes(std::size_t field, std::size_t element) const {
    const FieldDef& f = layout_->fields.at(field);
    if (element >= f.elements) throw std::out_of_range("array element out of range");
    return std::span<const uint8_t>(image_).subspan(f.offset + f.size * element, f.size);
}

int64_t Record::integer(std::size_t field, std::size_t element) const {
    const FieldDef& f = layout_->fields.at(field);
    const auto b = bytes(field, element);
    uint64_t raw = 0;
    for (std::size_t i = b.size(); i-- > 0;) raw = raw << 8 | b[i];
    switch (f.type) {
        case FieldType::Byte:
        case FieldType::UShort:
        case FieldType::ULong:
            return static_cast<int64_t>(raw);
        case FieldType::Short:
            return static_cast<int16_t>(static_cast<uint16_t>(raw));
        case FieldType::Long:
        case FieldType::Date:
            return static_cast<int32_t>(static_cast<uint32_t>(raw));
        default:
            throw std::logic_error(layout_->fullFieldName(field) + " is not a whole number");
    }
}

Result<void> Record::setInteger(std::size_t field, int64_t value, std::size_t element) {
    const FieldDef& f = layout_->fields.at(field);
    const IntegerRange range = integerRange(f.type);
    if (range.low > range.high) throw std::logic_error(layout_->fullFieldName(field) + " is not a whole number");
    if (value < range.low || value > range.high) {
        return makeError(std::to_string(value) + " is out of range for " + layout_->fullFieldName(field));
    }
    auto b = bytes(field, element);
    auto raw = static_cast<uint64_t>(value);
    for (auto& byte : b) {
        byte = static_cast<uint8_t>(raw & 0xFF);
        raw >>= 8;
    }
    return {};
}

Result<Decimal> Record::decimal(std::size_t field, std::size_t element) const {
    const FieldDef& f = layout_->fields.at(field);
    if (f.type != FieldType::Decimal) throw std::logic_error(layout_->fullFieldName(field) + " is not a decimal");
    auto value = unpackDecimal(bytes(field, element), f.places);
    if (!value) return makeError(layout_->fullFieldName(field) + ": " + value.error().message);
    return value;
}

Result<void> Record::setDecimal(std::size_t field, const Decimal& value, std::size_t element) {
    const FieldDef& f = layout_->fields.at(field);
    if (f.type != FieldType::Decimal) throw std::logic_error(layout_->fullFieldName(field) + " is not a decimal");
    auto packed = packDecimal(value, bytes(field, element), f.places);
    if (!packed) return makeError(layout_->fullFieldName(field) + ": " + packed.error().message);
    return {};
}

Text1250 Record::text(std::size_t field, std::size_t element) const {
    const FieldDef& f = layout_->fields.at(field);
    const auto b = bytes(field, element);
    std::string_view out(reinterpret_cast<const char*>(b.data()), b.size());
    if (f.type == FieldType::CText) {
        const auto nul = out.find('\0');
        if (nul != std::string_view::npos) out = out.substr(0, nul);
    }
    return Text1250::fromBytes(out);  // the image holds Windows-1250
}

Result<void> Record::setText(std::size_t field, const Text1250& text, std::size_t element) {
    const std::string_view cp1250 = text.bytes();
    const FieldDef& f = layout_->fields.at(field);
    if (f.type != FieldType::Text && f.type != FieldType::CText && f.type != FieldType::Group) {
        throw std::logic_error(layout_->fullFieldName(field) + " is not a text");
    }
    const std::size_t room = f.type == FieldType::CText ? f.size - 1 : f.size;
    if (cp1250.size() > room) {
        return makeError("a text of " + std::to_string(cp1250.size()) + " characters is too long for " +
                         layout_->fullFieldName(field) + " (" + std::to_string(room) + ")");
    }
    if (f.type == FieldType::CText && cp1250.find('\0') != std::string_view::npos) {
        return makeError("a text with a zero byte cannot be stored in " + layout_->fullFieldName(field));
    }
    auto b = bytes(field, element);
    // An empty view may carry no data pointer at all, which memcpy must never be given.
    if (!cp1250.empty()) std::memcpy(b.data(), cp1250.data(), cp1250.size());
    std::memset(b.data() + cp1250.size(), f.type == FieldType::CText ? 0 : ' ', b.size() - cp1250.size());
    return {};
}

Result<void> Record::setMemo(std::size_t memo, std::string cp1250) {
    const MemoDef& m = layout_->memos.at(memo);
    if (cp1250.size() > m.size) {
        return makeError("a text of " + std::to_string(cp1250.size()) + " characters is too long for the memo " +
                         std::string(layout_->prefix) + ":" + std::string(m.name) + " (" + std::to_string(m.size) +
                         ")");
    }
    memos_[memo] = std::move(cp1250);
    return {};
}

std::size_t Record::field(std::string_view name) const {
    auto index = layout_->findField(name);
    if (!index) throw std::logic_error("no field " + std::string(name) + " in " + std::string(layout_->label));
    return *index;
}

}  // namespace kirva::data
