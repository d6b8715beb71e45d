// The XML writer the journal builder calls: a streaming writer of one document in Windows-1250. It never
// holds the tree in memory, escapes markup, refuses what XML 1.0 cannot carry, and checks every write.
// The document is written under a temporary name beside its final name and renamed into place only when
// it is complete and on disk; a writer that is destroyed before completing removes what it wrote. The bytes
// go to the file on a thread of their own (BackgroundWriter) while the next ones are made.
// Its operations mirror the Xml* calls of the program's XML library: createFile (XmlCreateFile),
// setEncoding (XmlSetEncoding), createParent + addParent (XmlCreateParent, XmlAddParent), addElement
// (XmlAddElement), closeParent (XmlCloseParent), closeFile (XmlCloseFile).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"
#include "platform/xml/background_writer.h"

namespace kirva::platform {

// Whether a text may stand as an element name here: a letter or "_", then letters, digits, "_", "-", ".".
constexpr bool isElementName(std::string_view name) {
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (name.empty() || !letter(name[0])) return false;
    for (const char c : name.substr(1)) {
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '-' && c != '.') return false;
    }
    return true;
}

// The name of an element to write. A literal is checked when the program is compiled, so a document of
// many elements does not check the same few names over and over; any other text is checked when it is
// made. Either way a name that is not one fails the document when it is written. It only views its text:
// a parameter type, not one to keep.
class ElementName {
  public:
    consteval ElementName(const char* literal) : name_(literal), valid_(isElementName(name_)) {}
    ElementName(std::string_view name) : name_(name), valid_(isElementName(name)) {}
    ElementName(const std::string& name) : ElementName(std::string_view(name)) {}

    constexpr std::string_view view() const { return name_; }
    constexpr bool valid() const { return valid_; }

  private:
    std::string_view name_;
    bool valid_;
};

class XmlWriter {
  public:
    XmlWriter() = default;
    ~XmlWriter();
    XmlWriter(const XmlWriter&) = delete;
    XmlWriter& operator=(const XmlWriter&) = delete;

    // Starts a document that will be `path` (a file-system path, UTF-8). Returns 0 when its temporary
    // file was created, otherwise the system's error number (1 when the writer is already in use or the
    // version or encoding is not one this writer writes). failure() then says why.
    // Removes first the temporaries a killed writer of this machine left in the folder (see
    // removeStaleTemporaries).
    uint16_t createFile(const std::string& path, std::string_view version, std::string_view encoding);
    // Removes the temporary journals in the folder that a writer of this machine left when it was killed:
    // those whose process no longer runs.
    static void removeStaleTemporaries(const std::string& folder);
    // Only "Windows-1250" is written (any case); another encoding fails the document.
    void setEncoding(std::string_view encoding);

    // Prepares an element with children; addParent inserts it as the last child of the open element (as the
    // root when none is open) and makes it the open element.
    void createParent(ElementName name);
    void addParent();
    // A child element with a text (Windows-1250), written as it stands: blanks kept, markup escaped; tab,
    // line feed and carriage return as character references. Any other control character, and the bytes
    // Windows-1250 leaves undefined, fail the document: XML 1.0 cannot carry them.
    void addElement(ElementName name, std::string_view text);
    void closeParent();
    // Completes the document: every element closed, written, flushed to disk and renamed to its final name.
    // On any failure (now or earlier) nothing is left under either name and the error says what failed.
    Result<void> closeFile();
    // The same, renamed to `finalPath` instead of the path given to createFile: for a document whose name
    // depends on what it holds. `finalPath` must lie in the same folder.
    Result<void> closeFile(const std::string& finalPath);

    bool failed() const { return failed_; }
    const std::string& failure() const { return failure_; }
    // The system's error number behind the failure (EFBIG, ENOSPC ...), 0 when it was not the system's.
    int failureCode() const { return failureCode_; }
    bool completed() const { return completed_; }
    // The element names open now, outermost first.
    const std::vector<std::string>& openElements() const { return open_; }

  private:
    void fail(std::string reason, int systemError = 0);
    bool usable();
    bool validName(ElementName name) { return name.valid() || refuseName(name); }
    bool refuseName(ElementName name);
    // Room for `bytes` more bytes at the end of the buffer (flushing it first when needed); null once the
    // document has failed. The caller then moves `used_` past what it wrote.
    char* room(std::size_t bytes) {
        if (!failed_ && capacity_ - used_ >= bytes) return buffer_ + used_;
        return roomAfterFlush(bytes);
    }
    char* roomAfterFlush(std::size_t bytes);
    void put(std::string_view bytes);
    char* putEscaped(char* out, std::string_view element, std::string_view text);
    void flushBuffer();
    void takeBuffer();
    void startChild();
    void writeDeclaration();
    void discard();

    int fd_ = -1;
    std::string finalPath_;
    std::string tempPath_;
    std::string encoding_;
    std::unique_ptr<BackgroundWriter> output_;  // while the document is being written
    char* buffer_ = nullptr;                    // output_'s buffer being filled: its first used_ bytes
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;
    std::vector<std::string> open_;
    std::string prepared_;
    bool hasPrepared_ = false;
    bool declarationWritten_ = false;
    bool rootWritten_ = false;
    bool openHasChildren_ = false;  // whether the innermost open element has a child yet
    bool failed_ = false;
    bool completed_ = false;
    std::string failure_;
    int failureCode_ = 0;
};

// Where a Windows-1250 text holds a byte XML 1.0 cannot carry in any form (a control character other than
// tab and line ends, a zero byte, or a byte Windows-1250 leaves undefined): its 0-based position, or
// nothing. Texts taken from data or settings are checked with it, so that the fault is named where it lies.
std::optional<std::size_t> firstUncarriedByte(std::string_view text);
// "0x07"
std::string byteText(unsigned char byte);

}  // namespace kirva::platform
