#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/layout.h"
#include "platform/date.h"
#include "platform/decimal.h"
#include "platform/result.h"
#include "platform/text1250.h"

namespace kirva::data {

// One record buffer: the fixed image of a layout plus its memos. Field access is by field index (see
// Layout::findField) and, for arrays, a 0-based element. Texts are Windows-1250 bytes.
class Record {
  public:
    explicit Record(const Layout& layout);

    const Layout& layout() const { return *layout_; }
    std::span<const uint8_t> image() const { return image_; }
    std::span<uint8_t> image() { return image_; }

    // Numbers and dates 0, texts blank, zero-terminated texts empty, decimals +0, memos empty.
    void clear();

    // Whole numbers and day numbers (Byte, Short, UShort, Long, ULong, Date).
    int64_t integer(std::size_t field, std::size_t element = 0) const;
    // An error when the value does not fit the field's type.
    Result<void> setInteger(std::size_t field, int64_t value, std::size_t element = 0);

    // A damaged packed value (bytes that are not BCD) is an error.
    Result<Decimal> decimal(std::size_t field, std::size_t element = 0) const;
    // An error when the value needs more digits or places than the field holds.
    Result<void> setDecimal(std::size_t field, const Decimal& value, std::size_t element = 0);

    // Text: all bytes, padding included. CText: the bytes before the first zero. Group: its bytes.
    Text1250 text(std::size_t field, std::size_t element = 0) const;
    // Text: blank-padded; CText: zero-filled. An error when the text is longer than the field holds.
    Result<void> setText(std::size_t field, const Text1250& text, std::size_t element = 0);

    const std::string& memo(std::size_t memo) const { return memos_[memo]; }
    // An error when longer than the memo's size.
    Result<void> setMemo(std::size_t memo, std::string cp1250);

    // By name, for code that reads few fields once; a name the layout lacks is a programming error.
    std::size_t field(std::string_view name) const;

  private:
    std::span<uint8_t> bytes(std::size_t field, std::size_t element);
    std::span<const uint8_t> bytes(std::size_t field, std::size_t element) const;

    const Layout* layout_;
    std::vector<uint8_t> image_;
    std::vector<std::string> memos_;
};

}  // namespace kirva::data
