#include "platform/xml/background_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/xml/xml_writer.h"
#include "tests/support/test_folder.h"

namespace kirva::platform {
namespace {

using kirva::testing::readFile;
using kirva::testing::TestFolder;

// A file descriptor closed at the end of the test.
class Fd {
  public:
#ifdef _WIN32
    Fd(const std::string& path, int flags) : fd_(::_open(path.c_str(), flags | _O_BINARY, 0666)) {}
#else
    Fd(const std::string& path, int flags) : fd_(::open(path.c_str(), flags | O_CLOEXEC, 0666)) {}
#endif
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const {
        return fd_;
    }

  private:
    int fd_;
};

// Fills the writer's buffer with `count` bytes of a pattern that differs from buffer to buffer, grown when
// the buffer is smaller, and hands it over; returns the bytes handed over.
std::string handOverPattern(BackgroundWriter& writer, std::size_t count, char seed, bool& accepted) {
    std::vector<char>& buffer = writer.buffer();
    if (buffer.size() < count) buffer.resize(count);
    for (std::size_t i = 0; i < count; ++i) buffer[i] = static_cast<char>('a' + (seed + i) % 26);
    accepted = writer.handOver(count);
    return std::string(buffer.data(), count);
}

TEST(BackgroundWriter, WritesEveryBufferInTheOrderHandedOverWhateverTheirSizes) {
    TestFolder folder;
    const std::string path = folder / "out";
    Fd fd(path, O_WRONLY | O_CREAT | O_EXCL);
    ASSERT_GE(fd.get(), 0);
    std::string expected;
    {
        BackgroundWriter writer(fd.get(), 64);
        // Many more buffers than take turns, some empty, some larger than the buffer size.
        const std::size_t sizes[] = {64, 1, 0, 63, 64, 200, 5, 64, 64, 64, 64, 64, 1000, 7, 0, 64};
        char seed = 0;
        for (int round = 0; round < 50; ++round) {
            for (const std::size_t size : sizes) {
                bool accepted = false;
                const std::string before = handOverPattern(writer, size, seed++, accepted);
                ASSERT_TRUE(accepted);
                expected += before;
            }
        }
        EXPECT_EQ(writer.finish(), 0);
        EXPECT_EQ(writer.error(), 0);
    }
    EXPECT_EQ(readFile(path), expected);
}

TEST(BackgroundWriter, AFailedWriteIsReportedAndWhatFollowsNeitherHangsNorIsWritten) {
    TestFolder folder;
    const std::string path = folder / "out";
    { Fd create(path, O_WRONLY | O_CREAT | O_EXCL); }
    // A descriptor open only for reading refuses every write, as a lost disk would.
    Fd fd(path, O_RDONLY);
    ASSERT_GE(fd.get(), 0);
    BackgroundWriter writer(fd.get(), 128);
    bool accepted = true;
    int refusedAt = -1;
    for (int i = 0; i < 100; ++i) {
        handOverPattern(writer, 128, static_cast<char>(i), accepted);
        if (!accepted && refusedAt < 0) refusedAt = i;
    }
    EXPECT_GE(refusedAt, 0) << "the failure reaches the caller while it is still handing buffers over";
    EXPECT_EQ(writer.error(), EBADF);
    EXPECT_EQ(writer.finish(), EBADF);
    EXPECT_EQ(readFile(path), "");
}

TEST(BackgroundWriter, DestroyedWithBuffersStillWaitingItStopsWithoutWritingThemAll) {
    TestFolder folder;
    const std::string path = folder / "out";
    Fd fd(path, O_WRONLY | O_CREAT | O_EXCL);
    ASSERT_GE(fd.get(), 0);
    std::string handed;
    {
        BackgroundWriter writer(fd.get(), 1 << 16);
        for (int i = 0; i < 64; ++i) {
            bool accepted = false;
            handed += handOverPattern(writer, 1 << 16, static_cast<char>(i), accepted);
        }
    }
    // What did reach the file is a beginning of what was handed over, never a mix.
    const std::string written = readFile(path);
    EXPECT_LE(written.size(), handed.size());
    EXPECT_EQ(written, handed.substr(0, written.size()));
}

// The XML writer over many buffers: a document of several megabytes comes out byte for byte, and one
// abandoned half-way leaves nothing behind.
TEST(XmlWriter, ADocumentOfManyBuffersIsWrittenWholeAndInOrder) {
    TestFolder folder;
    const std::string path = folder / "big.xml";
    XmlWriter writer;
    ASSERT_EQ(writer.createFile(path, "1.0", "Windows-1250"), 0);
    writer.createParent("R");
    writer.addParent();
    std::string expected = "<?xml version=\"1.0\" encoding=\"Windows-1250\"?>\n<R>";
    for (int i = 0; i < 150000; ++i) {
        const std::string text = std::to_string(i) + (i % 7 == 0 ? " & <" : " text");
        writer.addElement("E", text);
        expected += "\n  <E>" + std::to_string(i) + (i % 7 == 0 ? " &amp; &lt;" : " text") + "</E>";
    }
    writer.closeParent();
    ASSERT_TRUE(writer.closeFile().ok()) << writer.failure();
    EXPECT_GT(expected.size(), 2u * 1024 * 1024);
    EXPECT_EQ(readFile(path), expected + "\n</R>\n");
    EXPECT_EQ(folder.names(), std::set<std::string>{"big.xml"});
}

TEST(XmlWriter, ADocumentAbandonedAfterManyBuffersLeavesNothing) {
    TestFolder folder;
    {
        XmlWriter writer;
        ASSERT_EQ(writer.createFile(folder / "big.xml", "1.0", "Windows-1250"), 0);
        writer.createParent("R");
        writer.addParent();
        for (int i = 0; i < 200000; ++i) writer.addElement("E", "some text of a line");
        EXPECT_FALSE(writer.failed());
    }
    EXPECT_TRUE(folder.names().empty());
}

}  // namespace
}  // namespace kirva::platform
