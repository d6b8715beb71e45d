// A strict reader of the XML the journal is made of: a Windows-1250 document with an XML declaration,
// elements, attributes (read and dropped), text, the five named entities, character references, comments,
// processing instructions and CDATA sections. A document type declaration is refused, so no entity can
// expand. It hands out one event at a time and never holds the tree, so a huge file costs no more memory
// than its largest text; nesting deeper than kMaxDepth is refused. Any fault ends the reading with a reason
// that names the line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace kirva::platform {

struct XmlEvent {
    enum class Kind { Open, Close, Text, End };
    Kind kind = Kind::End;
    std::string name;  // Open, Close: the element's name
    std::string text;  // Text: the characters, entities resolved, Windows-1250
    std::size_t line = 0;
};

struct XmlDeclaration {
    std::string version;
    std::string encoding;  // as written, empty when not given
};

class XmlReader {
  public:
    static constexpr std::size_t kMaxDepth = 64;
    static constexpr std::size_t kMaxNameLength = 256;

    // Reads `document` (not copied: it must outlive the reader).
    explicit XmlReader(std::string_view document);

    // The declaration at the very start of the document; an error when there is none or it is malformed.
    // Must come first; next() reads it when it has not been asked for.
    Result<XmlDeclaration> declaration();
    // The next event: an element opened or closed, the text between two tags (whitespace too), or the end
    // of the document after its root element, which is given again on every later call. An error names the
    // line and what is wrong; every later call gives it again.
    Result<XmlEvent> next();
    std::size_t line() const { return line_; }

  private:
    Error fail(std::string what);
    bool startsWith(std::string_view text) const { return rest().substr(0, text.size()) == text; }
    std::string_view rest() const { return document_.substr(at_); }
    void advance(std::size_t count);
    bool skipSpace();
    // Comments and processing instructions, where they may stand; false on a malformed one (failed_ set).
    bool skipMisc(bool& skipped);
    Result<std::string> readName();
    Result<XmlEvent> readTag();
    Result<std::string> readReference();
    Result<XmlEvent> readText();
    bool checkByte(unsigned char byte);

    std::string_view document_;
    std::size_t at_ = 0;
    std::size_t line_ = 1;
    bool declared_ = false;
    bool rootSeen_ = false;
    bool ended_ = false;
    bool failed_ = false;
    bool emptyPending_ = false;  // an empty-element tag was given as opened; its closing comes next
    Error error_;
    XmlDeclaration declaration_;
    std::vector<std::string> open_;
};

}  // namespace kirva::platform
