// Reads every FARACUN record in the order of FARACUN:RACUNKLJUC through the keyed-file driver, as the
// export does, and prints the record count and the median time of a few runs in seconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/layout.h"
#include "data/record.h"
#include "storage/keyed_file.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: read-faracun FARACUN.DB [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    const auto& layout = kirva::data::faracunLayout();
    const auto key = *layout.findKey("RACUNKLJUC");
    const auto total = layout.findField("ZNESEKDEBET").value();
    std::vector<double> times;
    long count = 0;
    for (int run = 0; run < runs; ++run) {
        kirva::storage::KeyedFile file(layout);
        const auto start = std::chrono::steady_clock::now();
        if (file.open(argv[1], kirva::storage::kOpenReadOnlyDenyNone) != 0 || file.setFirst(key) != 0) {
            std::fprintf(stderr, "read-faracun: cannot open %s\n", argv[1]);
            return 4;
        }
        kirva::data::Record record(layout);
        count = 0;
        int64_t sum = 0;  // touch a decoded amount so the reading cannot be skipped
        int rc;
        while ((rc = file.next(record)) == 0) {
            ++count;
            sum += record.decimal(total)->units();
        }
        if (rc != kirva::storage::EndOfFile) {
            std::fprintf(stderr, "read-faracun: read failed with %d\n", rc);
            return 4;
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        times.push_back(took.count());
        if (sum == INT64_MIN) std::puts("");
    }
    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    const double median = n == 0 ? 0 : n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    std::printf("%ld %.3f\n", count, median);
    return 0;
}
