#include "platform/xml/xml_writer.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <csignal>
#include <filesystem>
#include <set>
#include <thread>

#include "platform/system_files.h"
#include "platform/text1250.h"
#include "tests/support/test_folder.h"

namespace kirva::platform {
namespace {

using kirva::testing::readFile;
using kirva::testing::TestFolder;

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"Windows-1250\"?>\n";

TEST(XmlWriter, WritesTheTreeInOrderWithEmptyParentsAndBlanksKept) {
    TestFolder folder;
    const std::string path = folder / "journal.XML";
    XmlWriter writer;
    ASSERT_EQ(writer.createFile(path, "1.0", "Windows-1250"), 0);
    writer.setEncoding("Windows-1250");
    writer.createParent("Prenos");
    writer.addParent();
    writer.createParent("Glava");
    writer.addParent();
    writer.addElement("Program", "TALMOR KIRVA");
    writer.addElement("Sifra", "     123");
    writer.addElement("Prazno", "");
    writer.closeParent();
    writer.createParent("Telo");
    writer.addParent();
    writer.closeParent();
    writer.closeParent();
    ASSERT_TRUE(writer.closeFile().ok()) << writer.failure();

    EXPECT_EQ(readFile(path), std::string(kDeclaration) +
                                  "<Prenos>\n"
                                  "  <Glava>\n"
                                  "    <Program>TALMOR KIRVA</Program>\n"
                                  "    <Sifra>     123</Sifra>\n"
                                  "    <Prazno></Prazno>\n"
                                  "  </Glava>\n"
                                  "  <Telo></Telo>\n"
                                  "</Prenos>\n");
    EXPECT_EQ(folder.names(), std::set<std::string>{"journal.XML"});
}

struct EscapeCase {
    std::string text;
    std::string written;
};

TEST(XmlWriter, EscapesMarkupAndLineCharactersAndKeepsWindows1250Letters) {
    const std::vector<EscapeCase> cases = {
        {"Ana & Bor", "Ana &amp; Bor"},
        {"<b>x</b>", "&lt;b&gt;x&lt;/b&gt;"},
        {"]]>", "]]&gt;"},
        {"\"quoted\" 'single'", "\"quoted\" 'single'"},
        {"a\tb\nc\rd", "a&#9;b&#10;c&#13;d"},
        {cp1250("Račun 76.a člen ŠŽ"), cp1250("Račun 76.a člen ŠŽ")},
        {"\x7F", "\x7F"},
        {"&#38;", "&amp;#38;"},
    };
    for (const auto& c : cases) {
        TestFolder folder;
        const std::string path = folder / "x.xml";
        XmlWriter writer;
        ASSERT_EQ(writer.createFile(path, "1.0", "windows-1250"), 0);
        writer.addElement("T", c.text);
        ASSERT_TRUE(writer.closeFile().ok()) << writer.failure();
        EXPECT_EQ(readFile(path), std::string(kDeclaration) + "<T>" + c.written + "</T>\n") << c.text;
    }
}

TEST(XmlWriter, EscapingDoesNotDependOnWhereInTheTextAByteStands) {
    // Texts are scanned several bytes at a time; every byte kind at every position of texts around those
    // steps must come out as it does alone.
    const std::pair<char, std::string> kinds[] = {
        {'&', "&amp;"}, {'<', "&lt;"},    {'>', "&gt;"},    {'\t', "&#9;"},   {'\n', "&#10;"}, {'\r', "&#13;"},
        {' ', " "},     {'\x7F', "\x7F"}, {'\xE8', "\xE8"}, {'\x80', "\x80"}, {'\x1F', ""},    {'\x81', ""},
    };
    TestFolder folder;
    const std::string path = folder / "x.xml";
    XmlWriter writer;
    ASSERT_EQ(writer.createFile(path, "1.0", "Windows-1250"), 0);
    writer.createParent("R");
    writer.addParent();
    std::string expected = std::string(kDeclaration) + "<R>";
    for (std::size_t length = 1; length <= 20; ++length) {
        for (std::size_t at = 0; at < length; ++at) {
            for (const auto& [byte, written] : kinds) {
                if (written.empty()) continue;
                std::string text(length, 'a');
                text[at] = byte;
                writer.addElement("T", text);
                expected += "\n  <T>" + std::string(at, 'a') + written + std::string(length - at - 1, 'a') + "</T>";
            }
        }
    }
    writer.closeParent();
    ASSERT_TRUE(writer.closeFile().ok()) << writer.failure();
    EXPECT_EQ(readFile(path), expected + "\n</R>\n");

    for (const auto& [byte, written] : kinds) {
        if (!written.empty()) continue;
        for (const std::size_t at : {0, 7, 8, 15, 16, 19}) {
            TestFolder refusing;
            XmlWriter refused;
            ASSERT_EQ(refused.createFile(refusing / "x.xml", "1.0", "Windows-1250"), 0);
            std::string text(20, 'a');
            text[at] = byte;
            refused.addElement("T", text);
            ASSERT_TRUE(refused.failed()) << at;
            EXPECT_NE(refused.failure().find("position " + std::to_string(at + 1) + ","), std::string::npos)
                << refused.failure();
        }
    }
}

TEST(XmlWriter, ATextLargerThanTheBufferIsWrittenWhole) {
    TestFolder folder;
    const std::string path = folder / "x.xml";
    XmlWriter writer;
    ASSERT_EQ(writer.createFile(path, "1.0", "Windows-1250"), 0);
    writer.createParent("R");
    writer.addParent();
    std::string text, written;
    for (int i = 0; i < 200000; ++i) {
        text += "a&";
        written += "a&amp;";
    }
    writer.addElement("Small", "x");
    writer.addElement("Big", text);
    writer.addElement("Small", "y");
    writer.closeParent();
    ASSERT_TRUE(writer.closeFile().ok()) << writer.failure();
    EXPECT_EQ(readFile(path), std::string(kDeclaration) + "<R>\n  <Small>x</Small>\n  <Big>" + written +
                                  "</Big>\n  <Small>y</Small>\n</R>\n");
}

TEST(XmlWriter, RefusesBytesXmlCannotCarryAndLeavesNoFile) {
    for (const std::string& bad : {std::string("a\0b", 3), std::string("\x01"), std::string("x\x1F"),
                                   std::string("\x0B"), std::string("\x81"), std::string("\x98")}) {
        TestFolder folder;
        const std::string path = folder / "x.xml";
        XmlWriter writer;
        ASSERT_EQ(writer.createFile(path, "1.0", "Windows-1250"), 0);
        writer.createParent("Prenos");
        writer.addParent();
        writer.addElement("Naziv1", "Ime " + bad);
        EXPECT_TRUE(writer.failed());
        EXPECT_NE(writer.failure().find("Naziv1"), std::string::npos) << writer.failure();
        writer.closeParent();
        const auto closed = writer.closeFile();
        EXPECT_FALSE(closed.ok());
        EXPECT_TRUE(folder.names().empty());
    }
}

TEST(XmlWriter, RefusesMisuseOfTheElementStructure) {
    using Steps = void (*)(XmlWriter&);
    const std::vector<std::pair<std::string, Steps>> cases = {
        {"close without open", [](XmlWriter& w) { w.closeParent(); }},
        {"add without prepare", [](XmlWriter& w) { w.addParent(); }},
        {"left open",
         [](XmlWriter& w) {
             w.createParent("A");
             w.addParent();
         }},
        {"prepared, never added", [](XmlWriter& w) { w.createParent("A"); }},
        {"two roots",
         [](XmlWriter& w) {
             w.addElement("A", "");
             w.addElement("B", "");
         }},
        {"no root", [](XmlWriter&) {}},
        {"bad name", [](XmlWriter& w) { w.addElement("1A", ""); }},
        {"name with blank", [](XmlWriter& w) { w.addElement("A B", ""); }},
        {"other encoding", [](XmlWriter& w) { w.setEncoding("UTF-8"); }},
    };
    for (const auto& [name, steps] : cases) {
        TestFolder folder;
        XmlWriter writer;
        ASSERT_EQ(writer.createFile(folder / "x.xml", "1.0", "Windows-1250"), 0);
        steps(writer);
        EXPECT_FALSE(writer.closeFile().ok()) << name;
        EXPECT_TRUE(folder.names().empty()) << name;
    }
}

TEST(XmlWriter, CreateReportsTheSystemErrorForAFolderThatDoesNotExist) {
    TestFolder folder;
    XmlWriter writer;
    EXPECT_EQ(writer.createFile(folder / "missing/x.xml", "1.0", "Windows-1250"), ENOENT);
    EXPECT_NE(writer.failure().find("missing/x.xml"), std::string::npos);
    EXPECT_FALSE(writer.closeFile().ok());
    EXPECT_NE(XmlWriter().createFile(folder / "x.xml", "1.1", "Windows-1250"), 0);
    EXPECT_NE(XmlWriter().createFile(folder / "x.xml", "1.0", "UTF-8"), 0);
    EXPECT_TRUE(folder.names().empty());
}

TEST(XmlWriter, ADocumentNotCompletedIsRemovedAndAnOldFileStaysUntilTheNewOneIsComplete) {
    TestFolder folder;
    const std::string path = folder / "x.xml";
    kirva::testing::writeFile(path, "old journal");
    {
        XmlWriter writer;
        ASSERT_EQ(writer.createFile(path, "1.0", "Windows-1250"), 0);
        writer.addElement("A", "new");
        EXPECT_EQ(folder.names().size(), 2u);  // the old journal and the hidden new one
        EXPECT_EQ(readFile(path), "old journal");
    }
    EXPECT_EQ(folder.names(), std::set<std::string>{"x.xml"});
    EXPECT_EQ(readFile(path), "old journal");

    XmlWriter writer;
    ASSERT_EQ(writer.createFile(path, "1.0", "Windows-1250"), 0);
    writer.addElement("A", "new");
    ASSERT_TRUE(writer.closeFile().ok());
    EXPECT_EQ(readFile(path), std::string(kDeclaration) + "<A>new</A>\n");
    EXPECT_EQ(folder.names(), std::set<std::string>{"x.xml"});
}

#ifndef _WIN32
// The file-size limit makes the kernel refuse writes past it, as a full disk does. Windows has no such limit
// for a process; the file another program holds (below) is its failing replacement.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

  private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST(XmlWriter, AFailedWriteFailsTheDocumentAndLeavesNothingBehind) {
    TestFolder folder;
    const std::string path = folder / "x.xml";
    XmlWriter writer;
    ASSERT_EQ(writer.createFile(path, "1.0", "Windows-1250"), 0);
    {
        FileSizeLimit limit(100 * 1024);
        writer.createParent("Prenos");
        writer.addParent();
        for (int i = 0; i < 20000 && !writer.failed(); ++i) writer.addElement("Naziv1", std::string(40, 'x'));
        writer.closeParent();
        const auto closed = writer.closeFile();
        ASSERT_FALSE(closed.ok());
        EXPECT_NE(closed.error().message.find("cannot write"), std::string::npos) << closed.error().message;
    }
    EXPECT_TRUE(folder.names().empty());
}

#endif

TEST(XmlWriter, AFolderLostWhileWritingFailsTheDocument) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows does not remove a folder that holds an open file";
#endif
    TestFolder folder;
    const std::filesystem::path out = folder.path() / "out";
    std::filesystem::create_directory(out);
    XmlWriter writer;
    ASSERT_EQ(writer.createFile((out / "x.xml").string(), "1.0", "Windows-1250"), 0);
    writer.addElement("A", "text");
    std::filesystem::remove_all(out);
    EXPECT_FALSE(writer.closeFile().ok());
    EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
// A killed export leaves its hidden temporary journal behind; the next journal written in that folder
// removes the temporaries of this machine whose process no longer runs, and nothing else.
TEST(XmlWriter, ANewDocumentRemovesTheTemporariesOfKilledWritersOnly) {
    TestFolder folder;
#ifdef _WIN32
    const long child = 999999999;  // odd: Windows process ids are multiples of four, so it never runs
#else
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);  // a process id that no longer runs
#endif
    const std::string host = hostName();
    const std::string dead = std::to_string(child);
    const std::string stale = ".ACME 1-9 2019615.XML." + host + "." + dead + "-0.tmp";
    const std::vector<std::string> kept = {
        ".ACME 1-9 2019615.XML." + host + "." + std::to_string(currentProcessId()) + "-3.tmp",  // a live writer
        ".ACME 1-9 2019615.XML.other-host." + dead + "-0.tmp",                                  // another machine's
        ".notes.txt." + host + "." + dead + "-0.tmp",                                           // not a journal
    };
    kirva::testing::writeFile(folder / stale, std::string(1000, 'x'));
    for (const auto& name : kept) kirva::testing::writeFile(folder / name, "x");

    XmlWriter writer;
    ASSERT_EQ(writer.createFile(folder / "NEW.XML", "1.0", "Windows-1250"), 0) << writer.failure();
    writer.createParent("Prenos");
    writer.addParent();
    writer.closeParent();
    ASSERT_TRUE(writer.closeFile().ok());
    std::set<std::string> expected(kept.begin(), kept.end());
    expected.insert("NEW.XML");
    EXPECT_EQ(folder.names(), expected);
}

#ifdef _WIN32
namespace {

// The previous journal held open by another program (OPAL reading it, a virus scanner), as Windows programs
// hold files: sharing reading and writing but not deletion, so it cannot be replaced while open.
class HeldFile {
  public:
    explicit HeldFile(const std::string& path) { ::_sopen_s(&fd_, path.c_str(), _O_RDONLY | _O_BINARY, _SH_DENYNO, 0); }
    ~HeldFile() { release(); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    bool held() const { return fd_ >= 0; }
    void release() {
        if (fd_ >= 0) ::_close(fd_);
        fd_ = -1;
    }

  private:
    int fd_ = -1;
};

bool writeSmallDocument(XmlWriter& writer, const std::string& path) {
    if (writer.createFile(path, "1.0", "Windows-1250") != 0) return false;
    writer.addElement("A", "new");
    return true;
}

TEST(XmlWriter, AJournalAnotherProgramHoldsIsReportedAndKeptAsItWas) {
    TestFolder folder;
    const std::string path = folder / "x.xml";
    kirva::testing::writeFile(path, "old");
    HeldFile holder(path);
    ASSERT_TRUE(holder.held());
    XmlWriter writer;
    ASSERT_TRUE(writeSmallDocument(writer, path));
    const auto closed = writer.closeFile();
    ASSERT_FALSE(closed.ok());
    EXPECT_NE(closed.error().message.find("in use by another program"), std::string::npos) << closed.error().message;
    holder.release();
    EXPECT_EQ(readFile(path), "old");
    EXPECT_EQ(folder.names(), std::set<std::string>{"x.xml"});
}

TEST(XmlWriter, AJournalHeldOnlyBrieflyIsReplacedOnceItIsLetGo) {
    TestFolder folder;
    const std::string path = folder / "x.xml";
    kirva::testing::writeFile(path, "old");
    HeldFile holder(path);
    ASSERT_TRUE(holder.held());
    std::thread letGo([&holder] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        holder.release();
    });
    XmlWriter writer;
    ASSERT_TRUE(writeSmallDocument(writer, path));
    const auto closed = writer.closeFile();
    letGo.join();
    ASSERT_TRUE(closed.ok()) << closed.error().message;
    EXPECT_EQ(readFile(path), std::string(kDeclaration) + "<A>new</A>\n");
    EXPECT_EQ(folder.names(), std::set<std::string>{"x.xml"});
}

TEST(XmlWriter, AReadOnlyJournalIsReportedAndKept) {
    TestFolder folder;
    const std::string path = folder / "x.xml";
    kirva::testing::writeFile(path, "old");
    ASSERT_EQ(::_chmod(path.c_str(), _S_IREAD), 0);
    XmlWriter writer;
    ASSERT_TRUE(writeSmallDocument(writer, path));
    const auto closed = writer.closeFile();
    ASSERT_FALSE(closed.ok());
    EXPECT_NE(closed.error().message.find("cannot put"), std::string::npos) << closed.error().message;
    EXPECT_EQ(readFile(path), "old");
    EXPECT_EQ(folder.names(), std::set<std::string>{"x.xml"});
    ::_chmod(path.c_str(), _S_IREAD | _S_IWRITE);
}

}  // namespace
#endif

}  // namespace kirva::platform
