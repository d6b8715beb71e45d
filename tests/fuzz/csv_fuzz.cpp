// libFuzzer target for the CSV form: the first byte picks a layout, the rest is read as CSV. Text the
// reader accepts must write back and read again to the same text; the same bytes taken as a record image
// must either be refused by the writer or survive the same round trip.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "data/csv.h"
#include "data/layout.h"
#include "data/record.h"
#include "tests/data/csv_test_layout.h"

namespace {

using namespace kirva::data;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "csv_fuzz: %s\n", what);
    std::abort();
}

std::string writeAll(const CsvWriter& writer, const CsvReadResult& read) {
    std::string out = writer.header();
    for (const auto& r : read.records) {
        if (!writer.append(r.record, out)) fail("a record that was read cannot be written");
    }
    return out;
}

void roundTrip(const Layout& layout, std::string_view text) {
    const auto read = readCsv(layout, text);
    if (!read.ok()) {
        if (read.problems.empty() || read.problems.size() > read.problemCount) fail("refused without a problem");
        for (const auto& p : read.problems) {
            if (p.line == 0 || p.message.empty()) fail("a problem without its place");
        }
        return;
    }
    const CsvWriter writer(layout);
    const std::string written = writeAll(writer, read);
    const auto again = readCsv(layout, written);
    if (!again.ok() || again.records.size() != read.records.size()) fail("written text does not read back");
    if (writeAll(writer, again) != written) fail("second round trip differs");
}

void decodeImage(const Layout& layout, const uint8_t* data, std::size_t size) {
    Record record(layout);
    auto image = record.image();
    std::memcpy(image.data(), data, std::min(size, image.size()));
    const CsvWriter writer(layout);
    std::string line = writer.header();
    if (!writer.append(record, line)) return;  // a damaged image is refused, never written
    const auto read = readCsv(layout, line);
    if (!read.ok() || read.records.size() != 1) fail("a written image does not read back");
    std::string again = writer.header();
    if (!writer.append(read.records[0].record, again) || again != line) fail("image round trip differs");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto& layouts = dictionaryLayouts();
    const std::size_t pick = data[0] % (layouts.size() + 1);
    const Layout& layout = pick == layouts.size() ? testing::csvTestLayout() : *layouts[pick];
    roundTrip(layout, std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    decodeImage(layout, data + 1, size - 1);
    return 0;
}
