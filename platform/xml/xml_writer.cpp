#include "platform/xml/xml_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kirva::xml {

namespace {

constexpr std::size_t kFlushAt = 64 * 1024;
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
    return std::strerror(error);
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What each byte is to the writer: plain text, a byte written as a reference, a byte XML 1.0 cannot carry
// in any form (or that Windows-1250 gives no character), and which bytes may stand in an element name.
enum ByteClass : uint8_t { Plain = 0, Reference = 1, Refused = 2 };

struct ByteTables {
    ByteClass text[256];
    bool nameStart[256];
    bool name[256];
    constexpr ByteTables() : text(), nameStart(), name() {
        for (int c = 0; c < 256; ++c) {
            text[c] = Plain;
            if (c < 0x20) text[c] = Refused;
            const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
            nameStart[c] = letter;
            name[c] = letter || (c >= '0' && c <= '9') || c == '-' || c == '.';
        }
        for (int c : {'&', '<', '>', '\t', '\n', '\r'}) text[c] = Reference;
        for (int c : {0x81, 0x83, 0x88, 0x90, 0x98}) text[c] = Refused;
    }
};

constexpr ByteTables kBytes;

std::string hexByte(unsigned char c) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", c);
    return text;
}

}  // namespace

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
    if (path.empty() || path.back() == '/') {
        fail("no file name for the XML document");
        return ENOENT;
    }
    encoding_ = kWrittenEncoding;
    finalPath_ = path;
    // A hidden name in the same folder, so the rename at the end cannot cross file systems.
    const std::string stem = folderOf(path) + "/." + baseNameOf(path) + "." + std::to_string(::getpid());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = stem + "-" + std::to_string(attempt) + ".tmp";
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            fd_ = fd;
            tempPath_ = std::move(candidate);
            buffer_.reserve(kFlushAt + 4096);
            return 0;
        }
        if (errno != EEXIST) {
            const int error = errno;
            fail("cannot create " + path + ": " + systemError(error));
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

void XmlWriter::createParent(std::string_view name) {
    if (!usable() || !validName(name)) return;
    if (hasPrepared_) {
        fail("element " + prepared_ + " was prepared but never added");
        return;
    }
    prepared_ = name;
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

void XmlWriter::addElement(std::string_view name, std::string_view text) {
    if (!usable() || !validName(name)) return;
    if (hasPrepared_) {
        fail("element " + prepared_ + " was prepared but never added");
        return;
    }
    startChild();
    if (failed_) return;
    buffer_.append("<", 1).append(name).append(">", 1);
    putEscaped(name, text);
    if (failed_) return;
    buffer_.append("</", 2).append(name).append(">", 1);
    openHasChildren_ = true;
    if (buffer_.size() >= kFlushAt) flushBuffer();
}

void XmlWriter::closeParent() {
    if (!usable()) return;
    if (open_.empty()) {
        fail("no element is open to close");
        return;
    }
    if (openHasChildren_) {
        buffer_ += '\n';
        buffer_.append(2 * (open_.size() - 1), ' ');
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
    if (::fsync(fd_) != 0) {
        fail("cannot write " + finalPath_ + ": " + systemError(errno));
        return makeError(failure_);
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        fail("cannot write " + finalPath_ + ": " + systemError(errno));
        return makeError(failure_);
    }
    if (::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) {
        fail("cannot put " + finalPath_ + " in place: " + systemError(errno));
        return makeError(failure_);
    }
    tempPath_.clear();
    completed_ = true;
    // Make the rename itself durable; a folder that cannot be synced (some file systems refuse) still
    // holds the complete file.
    const int folder = ::open(folderOf(finalPath_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return {};
}

void XmlWriter::fail(std::string reason) {
    if (failed_) return;
    failed_ = true;
    failure_ = std::move(reason);
    discard();
}

bool XmlWriter::usable() {
    return !failed_ && !completed_ && fd_ >= 0;
}

bool XmlWriter::validName(std::string_view name) {
    bool valid = !name.empty() && kBytes.nameStart[static_cast<unsigned char>(name[0])];
    for (std::size_t i = 1; valid && i < name.size(); ++i) valid = kBytes.name[static_cast<unsigned char>(name[i])];
    if (!valid) fail("'" + std::string(name) + "' is not an element name");
    return valid;
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
    buffer_ += '\n';
    buffer_.append(2 * open_.size(), ' ');
}

void XmlWriter::writeDeclaration() {
    put("<?xml version=\"1.0\" encoding=\"");
    put(encoding_);
    put("\"?>\n");
    declarationWritten_ = true;
}

void XmlWriter::put(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= kFlushAt) flushBuffer();
}

void XmlWriter::putEscaped(std::string_view element, std::string_view text) {
    std::size_t run = 0;  // start of the bytes not yet copied
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const ByteClass kind = kBytes.text[c];
        if (kind == Plain) continue;
        if (kind == Refused) {
            fail("the text of element " + std::string(element) + " holds the byte " + hexByte(c) + " at position " +
                 std::to_string(i + 1) + ", which an XML document cannot carry");
            return;
        }
        buffer_.append(text.data() + run, i - run);
        switch (c) {
            case '&':
                buffer_.append("&amp;");
                break;
            case '<':
                buffer_.append("&lt;");
                break;
            case '>':
                buffer_.append("&gt;");
                break;
            case '\t':
                buffer_.append("&#9;");
                break;
            case '\n':
                buffer_.append("&#10;");
                break;
            default:
                buffer_.append("&#13;");
                break;
        }
        run = i + 1;
    }
    buffer_.append(text.data() + run, text.size() - run);
}

void XmlWriter::flushBuffer() {
    std::size_t done = 0;
    while (done < buffer_.size() && fd_ >= 0) {
        const ssize_t written = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            buffer_.clear();
            fail("cannot write " + finalPath_ + ": " + systemError(error));
            return;
        }
        done += static_cast<std::size_t>(written);
    }
    buffer_.clear();
}

void XmlWriter::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
    buffer_.clear();
}

}  // namespace kirva::xml
