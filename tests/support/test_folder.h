// What the tests share for working with real files: a temporary folder for one test, removed with everything
// in it when the test ends, and whole-file reads and writes.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <string_view>

namespace kirva::testing {

// A fresh folder of its own (made where no folder of that name was), so tests never see each other's files,
// even when run in parallel.
class TestFolder {
  public:
    TestFolder() {
        std::random_device seed;
        std::mt19937_64 random(seed());
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::filesystem::path candidate = base / ("kirva-test-" + std::to_string(random() % 1000000000000ULL));
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec)) {
                path_ = std::move(candidate);
                return;
            }
        }
        ADD_FAILURE() << "cannot make a temporary folder";
    }
    ~TestFolder() {
        std::error_code ignored;
        // A test may take away the folder's permissions to provoke failures; give them back to clean up.
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

    // The names in the folder (hidden ones included).
    std::set<std::string> names() const {
        std::set<std::string> result;
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(path_, ignored)) {
            result.insert(entry.path().filename().string());
        }
        return result;
    }

  private:
    std::filesystem::path path_;
};

// The file's bytes as they stand; empty when it cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the file with exactly these bytes.
inline void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

}  // namespace kirva::testing
