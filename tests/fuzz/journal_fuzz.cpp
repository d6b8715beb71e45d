// libFuzzer target for the journal check (kirva-cli verify): any bytes must be checked without a crash, a
// hang or a leak, and a check that finds no fault must have read the journal to its end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "export/journal_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto check = kirva::exporting::checkJournal(std::string_view(reinterpret_cast<const char*>(data), size));
    if (check.faults.empty() && !check.complete) {
        std::fprintf(stderr, "journal_fuzz: no fault named, yet the journal was not read to its end\n");
        std::abort();
    }
    return 0;
}
