#include "platform/xml/xml_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <vector>

#include "platform/system_files.h"

namespace kirva::platform {

namespace {

// The buffer is written out when it is this full: a few hundred writes for a journal of half a gigabyte.
constexpr std::size_t kBufferSize = 256 * 1024;
constexpr std::string_view kWrittenEncoding = "Windows-1250";

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

std::string systemError(int error) {
    return systemErrorText(error);
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of(kPathSeparators);
    if (slash == std::string::npos) return ".";
    if (slash == 0) return path.substr(0, 1);
    return path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
    const auto slash = path.find_last_of(kPathSeparators);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What each byte of a text is to the writer: plain text, a byte written as a reference, or a byte XML 1.0
// cannot carry in any form (or that Windows-1250 gives no character).
enum ByteClass : uint8_t { Plain = 0, Reference = 1, Refused = 2 };

struct ByteTables {
    ByteClass text[256];
    constexpr ByteTables() : text() {
        for (int c = 0; c < 256; ++c) text[c] = c < 0x20 ? Refused : Plain;
        for (int c : {'&', '<', '>', '\t', '\n', '\r'}) text[c] = Reference;
        for (int c : {0x81, 0x83, 0x88, 0x90, 0x98}) text[c] = Refused;
    }
};

constexpr ByteTables kBytes;

// Whether eight bytes are all plain ASCII text: no byte from 0x80 up, none below 0x20, no & < or >. Each
// test is exact for the word as a whole (the usual "has a byte less than / equal to" word tricks).
bool plainAsciiWord(uint64_t word) {
    constexpr uint64_t ones = 0x0101010101010101ULL;
    constexpr uint64_t highs = 0x8080808080808080ULL;
    const auto hasZeroByte = [](uint64_t v) { return ((v - ones) & ~v & highs) != 0; };
    if ((word & highs) != 0) return false;
    if (((word - 0x20 * ones) & ~word & highs) != 0) return false;
    return !hasZeroByte(word ^ ('&' * ones)) && !hasZeroByte(word ^ ('<' * ones)) && !hasZeroByte(word ^ ('>' * ones));
}

std::string hexByte(unsigned char c) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", c);
    return text;
}

// This machine's name as it goes into temporary names: no path separators, never empty.
std::string temporaryHostName() {
    std::string host = hostName();
    for (char& c : host) {
        if (c == '/' || c == '\\') c = '_';
    }
    return host;
}

}  // namespace

void XmlWriter::removeStaleTemporaries(const std::string& folder) {
    // ".<journal>.XML.<host>.<pid>-<n>.tmp": only those of this machine, and only when the process that
    // made them no longer runs. A temporary of another machine sharing the folder is never touched.
    const std::string marker = "." + temporaryHostName() + ".";
    std::error_code ec;
    std::filesystem::directory_iterator entries(pathOf(folder), ec);
    if (ec) return;
    std::vector<std::string> stale;
    for (; entries != std::filesystem::directory_iterator(); entries.increment(ec)) {
        const std::string entryName = utf8Of(entries->path().filename());
        const std::string_view name = entryName;
        if (!name.starts_with('.') || !name.ends_with(".tmp")) continue;
        const std::string_view stem = name.substr(0, name.size() - 4);
        const auto dash = stem.rfind('-');
        const auto dot = stem.rfind('.');
        if (dash == std::string_view::npos || dot == std::string_view::npos || dot > dash) continue;
        if (!stem.substr(0, dot + 1).ends_with(marker)) continue;
        const std::string_view pidText = stem.substr(dot + 1, dash - dot - 1);
        const std::string_view attempt = stem.substr(dash + 1);
        const auto digits = [](std::string_view t) {
            return !t.empty() && t.size() <= 10 && t.find_first_not_of("0123456789") == std::string_view::npos;
        };
        if (!digits(pidText) || !digits(attempt)) continue;
        const std::string_view journal = stem.substr(1, dot + 1 - marker.size() - 1);
        if (journal.size() < 5 || !equalNoCase(journal.substr(journal.size() - 4), ".XML")) continue;
        const long pid = std::stol(std::string(pidText));
        if (processRunning(pid)) continue;  // still running, or not ours to ask
        stale.emplace_back(name);
    }
    for (const auto& name : stale) (void)removeFile(folder + "/" + name);
}

std::optional<std::size_t> firstUncarriedByte(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (kBytes.text[static_cast<unsigned char>(text[i])] == Refused) return i;
    }
    return std::nullopt;
}

std::string byteText(unsigned char byte) {
    return hexByte(byte);
}

XmlWriter::~XmlWriter() {
    if (!completed_) discard();
}

uint16_t XmlWriter::createFile(const std::string& path, std::string_view version, std::string_view encoding) {
    if (fd_ >= 0 || completed_ || failed_) {
        fail("the XML writer already has a document");
        return 1;
    }
    if (version != "1.0") {
        fail("XML version " + std::string(version) + " is not written; only 1.0");
        return 1;
    }
    if (!equalNoCase(encoding, kWrittenEncoding)) {
        fail("the encoding " + std::string(encoding) + " is not written; only Windows-1250");
        return 1;
    }
    if (path.empty() || kPathSeparators.find(path.back()) != std::string_view::npos) {
        fail("no file name for the XML document");
        return ENOENT;
    }
    encoding_ = kWrittenEncoding;
    finalPath_ = path;
    removeStaleTemporaries(folderOf(path));
    // A hidden name in the same folder, so the rename at the end cannot cross file systems. It names this
    // machine and process, so that a later run can tell a temporary whose writer was killed.
    const std::string stem =
        folderOf(path) + "/." + baseNameOf(path) + "." + temporaryHostName() + "." + std::to_string(currentProcessId());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = stem + "-" + std::to_string(attempt) + ".tmp";
        int error = 0;
        const int fd = createNewFile(candidate, error);
        if (fd >= 0) {
            fd_ = fd;
            tempPath_ = std::move(candidate);
            output_ = std::make_unique<BackgroundWriter>(fd, kBufferSize);
            takeBuffer();
            return 0;
        }
        if (error != EEXIST) {
            fail("cannot create " + path + ": " + systemError(error), error);
            return static_cast<uint16_t>(error);
        }
    }
    fail("cannot create " + path + ": no free temporary name beside it");
    return EEXIST;
}

void XmlWriter::setEncoding(std::string_view encoding) {
    if (!usable()) return;
    if (declarationWritten_) {
        fail("the encoding cannot change after the document has started");
    } else if (!equalNoCase(encoding, kWrittenEncoding)) {
        fail("the encoding " + std::string(encoding) + " is not written; only Windows-1250");
    }
}

void XmlWriter::createParent(ElementName name) {
    if (!usable() || !validName(name)) return;
    if (hasPrepared_) {
        fail("element " + prepared_ + " was prepared but never added");
        return;
    }
    prepared_ = name.view();
    hasPrepared_ = true;
}

void XmlWriter::addParent() {
    if (!usable()) return;
    if (!hasPrepared_) {
        fail("no element was prepared to add");
        return;
    }
    hasPrepared_ = false;
    startChild();
    if (failed_) return;
    put("<");
    put(prepared_);
    put(">");
    open_.push_back(std::move(prepared_));
    prepared_.clear();
    openHasChildren_ = false;
}

void XmlWriter::addElement(ElementName name, std::string_view text) {
    if (!usable() || !validName(name)) return;
    if (hasPrepared_) {
        fail("element " + prepared_ + " was prepared but never added");
        return;
    }
    startChild();
    if (failed_) return;
    const std::string_view tag = name.view();
    // Each text byte becomes at most five ("&amp;", "&#10;").
    char* out = room(2 * tag.size() + 5 + 5 * text.size());
    if (out == nullptr) return;
    *out++ = '<';
    out = std::copy(tag.begin(), tag.end(), out);
    *out++ = '>';
    out = putEscaped(out, tag, text);
    if (out == nullptr) return;
    *out++ = '<';
    *out++ = '/';
    out = std::copy(tag.begin(), tag.end(), out);
    *out++ = '>';
    used_ = static_cast<std::size_t>(out - buffer_);
    openHasChildren_ = true;
}

void XmlWriter::closeParent() {
    if (!usable()) return;
    if (open_.empty()) {
        fail("no element is open to close");
        return;
    }
    if (openHasChildren_) {
        const std::size_t indent = 2 * (open_.size() - 1);
        char* out = room(1 + indent);
        if (out == nullptr) return;
        *out = '\n';
        std::fill_n(out + 1, indent, ' ');
        used_ += 1 + indent;
    }
    put("</");
    put(open_.back());
    put(">");
    open_.pop_back();
    openHasChildren_ = true;
}

Result<void> XmlWriter::closeFile() {
    if (usable()) {
        if (hasPrepared_) {
            fail("element " + prepared_ + " was prepared but never added");
        } else if (!open_.empty()) {
            fail("element " + open_.back() + " is still open");
        } else if (!rootWritten_) {
            fail("the document has no root element");
        }
    }
    if (!usable()) {
        discard();
        return makeError(failure_.empty() ? "the XML writer has no document" : failure_);
    }
    put("\n");
    flushBuffer();
    if (failed_) return makeError(failure_);
    const int writeError = output_->finish();
    output_.reset();
    buffer_ = nullptr;
    capacity_ = 0;
    if (writeError != 0) {
        fail("cannot write " + finalPath_ + ": " + systemError(writeError), writeError);
        return makeError(failure_);
    }
    if (const int error = syncFile(fd_); error != 0) {
        fail("cannot write " + finalPath_ + ": " + systemError(error), error);
        return makeError(failure_);
    }
    const int fd = fd_;
    fd_ = -1;
    if (const int error = platform::closeFile(fd); error != 0) {
        fail("cannot write " + finalPath_ + ": " + systemError(error), error);
        return makeError(failure_);
    }
    if (const int error = replaceFile(tempPath_, finalPath_); error != 0) {
        fail("cannot put " + finalPath_ + " in place: " + systemError(error), error);
        return makeError(failure_);
    }
    tempPath_.clear();
    completed_ = true;
    // Make the rename itself durable; a folder that cannot be synced (some file systems refuse) still
    // holds the complete file.
    syncFolder(folderOf(finalPath_));
    return {};
}

Result<void> XmlWriter::closeFile(const std::string& finalPath) {
    if (usable()) finalPath_ = finalPath;
    return closeFile();
}

void XmlWriter::fail(std::string reason, int systemError) {
    if (failed_) return;
    failed_ = true;
    failure_ = std::move(reason);
    failureCode_ = systemError;
    discard();
}

bool XmlWriter::usable() {
    return !failed_ && !completed_ && fd_ >= 0;
}

bool XmlWriter::refuseName(ElementName name) {
    fail("'" + std::string(name.view()) + "' is not an element name");
    return false;
}

void XmlWriter::startChild() {
    if (!declarationWritten_) writeDeclaration();
    if (open_.empty()) {
        if (rootWritten_) {
            fail("a document has only one root element");
            return;
        }
        rootWritten_ = true;
        return;
    }
    // The blanks go eight at a time into room reserved for a few more; what lies past them is written over.
    const std::size_t indent = 2 * open_.size();
    char* out = room(1 + indent + 8);
    if (out == nullptr) return;
    *out = '\n';
    constexpr uint64_t kBlanks = 0x2020202020202020ULL;
    for (std::size_t i = 0; i < indent; i += 8) std::memcpy(out + 1 + i, &kBlanks, 8);
    used_ += 1 + indent;
}

void XmlWriter::writeDeclaration() {
    put("<?xml version=\"1.0\" encoding=\"");
    put(encoding_);
    put("\"?>\n");
    declarationWritten_ = true;
}

char* XmlWriter::roomAfterFlush(std::size_t bytes) {
    if (failed_ || !output_) return nullptr;
    flushBuffer();
    if (failed_) return nullptr;
    // A text larger than the whole buffer gets a buffer its size.
    if (capacity_ < bytes) {
        output_->buffer().resize(bytes);
        takeBuffer();
    }
    return buffer_;
}

void XmlWriter::put(std::string_view bytes) {
    char* out = room(bytes.size());
    if (out == nullptr) return;
    std::copy(bytes.begin(), bytes.end(), out);
    used_ += bytes.size();
}

char* XmlWriter::putEscaped(char* out, std::string_view element, std::string_view text) {
    const auto* const first = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = first + text.size();
    const auto* in = first;
    for (;;) {
        // Plain ASCII goes eight bytes at a time; a word that is not plain goes byte by byte.
        while (end - in >= 8) {
            uint64_t word;
            std::memcpy(&word, in, 8);
            if (!plainAsciiWord(word)) break;
            std::memcpy(out, &word, 8);
            in += 8;
            out += 8;
        }
        if (in == end) return out;
        const auto* const stop = end - in > 8 ? in + 8 : end;
        for (; in < stop; ++in) {
            const unsigned char c = *in;
            const ByteClass kind = kBytes.text[c];
            if (kind == Plain) {
                *out++ = static_cast<char>(c);
                continue;
            }
            if (kind == Refused) {
                fail("the text of element " + std::string(element) + " holds the byte " + hexByte(c) + " at position " +
                     std::to_string(in - first + 1) + ", which an XML document cannot carry");
                return nullptr;
            }
            std::string_view reference;
            switch (c) {
                case '&':
                    reference = "&amp;";
                    break;
                case '<':
                    reference = "&lt;";
                    break;
                case '>':
                    reference = "&gt;";
                    break;
                case '\t':
                    reference = "&#9;";
                    break;
                case '\n':
                    reference = "&#10;";
                    break;
                default:
                    reference = "&#13;";
                    break;
            }
            out = std::copy(reference.begin(), reference.end(), out);
        }
    }
}

void XmlWriter::flushBuffer() {
    if (!output_ || used_ == 0) return;
    const bool written = output_->handOver(used_);
    takeBuffer();
    if (!written) fail("cannot write " + finalPath_ + ": " + systemError(output_->error()), output_->error());
}

void XmlWriter::takeBuffer() {
    std::vector<char>& buffer = output_->buffer();
    buffer_ = buffer.data();
    capacity_ = buffer.size();
    used_ = 0;
}

void XmlWriter::discard() {
    // The writing thread is stopped before the file it writes is closed; a failed or finished writer keeps
    // no buffer.
    output_.reset();
    buffer_ = nullptr;
    capacity_ = 0;
    used_ = 0;
    if (fd_ >= 0) {
        (void)platform::closeFile(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        (void)removeFile(tempPath_);
        tempPath_.clear();
    }
}

}  // namespace kirva::platform
