#include "platform/xml/xml_reader.h"

#include <cstdint>

#include "platform/text1250.h"

namespace kirva::platform {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
}

bool isNameChar(char c) {
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// Bytes Windows-1250 leaves undefined.
bool isUndefined1250(unsigned char byte) {
    return byte == 0x81 || byte == 0x83 || byte == 0x88 || byte == 0x90 || byte == 0x98;
}

std::string hex(unsigned char byte) {
    static const char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[byte >> 4] + digits[byte & 15];
}

// The UTF-8 form of a code point, so that the code page conversion can judge it.
std::string utf8Of(uint32_t code) {
    std::string out;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

}  // namespace

XmlReader::XmlReader(std::string_view document) : document_(document) {}

Error XmlReader::fail(std::string what) {
    if (!failed_) {
        failed_ = true;
        error_ = makeError("line " + std::to_string(line_) + ": " + std::move(what));
    }
    return error_;
}

void XmlReader::advance(std::size_t count) {
    for (std::size_t i = 0; i < count && at_ < document_.size(); ++i, ++at_) {
        if (document_[at_] == '\n') ++line_;
    }
}

bool XmlReader::skipSpace() {
    const std::size_t before = at_;
    while (at_ < document_.size() && isSpace(document_[at_])) advance(1);
    return at_ != before;
}

bool XmlReader::checkByte(unsigned char byte) {
    if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') {
        fail("the control character " + hex(byte) + " may not stand in XML");
        return false;
    }
    if (isUndefined1250(byte)) {
        fail("the byte " + hex(byte) + " is not a Windows-1250 character");
        return false;
    }
    return true;
}

bool XmlReader::skipMisc(bool& skipped) {
    skipped = false;
    if (startsWith("<!--")) {
        const std::size_t end = document_.find("-->", at_ + 4);
        if (end == std::string_view::npos) {
            fail("a comment is not closed (the file ends inside it)");
            return false;
        }
        for (std::size_t i = at_; i < end; ++i) {
            if (!checkByte(static_cast<unsigned char>(document_[i]))) return false;
        }
        advance(end + 3 - at_);
        skipped = true;
    } else if (startsWith("<?")) {
        const std::size_t end = document_.find("?>", at_ + 2);
        if (end == std::string_view::npos) {
            fail("a processing instruction is not closed (the file ends inside it)");
            return false;
        }
        advance(end + 2 - at_);
        skipped = true;
    } else if (startsWith("<!DOCTYPE")) {
        fail("a document type declaration is not part of a journal");
        return false;
    }
    return true;
}

Result<XmlDeclaration> XmlReader::declaration() {
    if (failed_) return error_;
    if (declared_) return declaration_;
    if (startsWith("\xEF\xBB\xBF")) return fail("the file begins with a UTF-8 byte order mark");
    if (!startsWith("<?xml") || rest().size() < 6 || !isSpace(document_[5])) {
        return fail("the file does not begin with an XML declaration (<?xml version=\"1.0\" ...?>)");
    }
    const std::size_t end = document_.find("?>");
    if (end == std::string_view::npos) return fail("the XML declaration is not closed");
    advance(5);
    while (true) {
        skipSpace();
        if (at_ == end) break;
        auto name = readName();
        if (!name) return name.error();
        skipSpace();
        if (at_ >= end || document_[at_] != '=') return fail("the XML declaration is malformed near '" + *name + "'");
        advance(1);
        skipSpace();
        if (at_ >= end || (document_[at_] != '"' && document_[at_] != '\'')) {
            return fail("the XML declaration's " + *name + " has no quoted value");
        }
        const char quote = document_[at_];
        const std::size_t close = document_.find(quote, at_ + 1);
        if (close == std::string_view::npos || close > end)
            return fail("the XML declaration's " + *name + " is not closed");
        const std::string value(document_.substr(at_ + 1, close - at_ - 1));
        if (*name == "version") {
            declaration_.version = value;
        } else if (*name == "encoding") {
            declaration_.encoding = value;
        } else if (*name != "standalone") {
            return fail("the XML declaration holds an unknown item '" + *name + "'");
        }
        advance(close + 1 - at_);
    }
    advance(2);
    if (declaration_.version.empty()) return fail("the XML declaration names no version");
    declared_ = true;
    return declaration_;
}

Result<std::string> XmlReader::readName() {
    const std::size_t start = at_;
    if (at_ >= document_.size() || !isNameStart(document_[at_])) {
        if (at_ >= document_.size()) return fail("the file ends where a name should stand");
        return fail("a name cannot begin with '" + std::string(1, document_[at_]) + "'");
    }
    while (at_ < document_.size() && isNameChar(document_[at_])) {
        advance(1);
        if (at_ - start > kMaxNameLength) return fail("a name is longer than " + std::to_string(kMaxNameLength));
    }
    return std::string(document_.substr(start, at_ - start));
}

Result<std::string> XmlReader::readReference() {
    // At '&'.
    const std::size_t end = document_.find(';', at_);
    if (end == std::string_view::npos || end - at_ > 12) return fail("a '&' that starts no entity or reference");
    const std::string_view body = document_.substr(at_ + 1, end - at_ - 1);
    std::string out;
    if (body == "lt") {
        out = "<";
    } else if (body == "gt") {
        out = ">";
    } else if (body == "amp") {
        out = "&";
    } else if (body == "quot") {
        out = "\"";
    } else if (body == "apos") {
        out = "'";
    } else if (body.size() > 1 && body[0] == '#') {
        const bool isHex = body[1] == 'x';
        const std::string_view digits = body.substr(isHex ? 2 : 1);
        if (digits.empty()) return fail("the character reference &" + std::string(body) + "; is malformed");
        uint32_t code = 0;
        for (const char c : digits) {
            int digit = -1;
            if (c >= '0' && c <= '9') digit = c - '0';
            if (isHex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            if (isHex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            if (digit < 0) return fail("the character reference &" + std::string(body) + "; is malformed");
            code = code * (isHex ? 16 : 10) + static_cast<uint32_t>(digit);
            if (code > 0x10FFFF) return fail("the character reference &" + std::string(body) + "; is out of range");
        }
        if ((code < 0x20 && code != '\t' && code != '\n' && code != '\r') || (code >= 0xD800 && code <= 0xDFFF)) {
            return fail("the character reference &" + std::string(body) + "; names no XML character");
        }
        auto converted = utf8ToCp1250(utf8Of(code));
        if (!converted) {
            return fail("the character reference &" + std::string(body) + "; names a character Windows-1250 lacks");
        }
        out = *converted;
    } else {
        return fail("the entity &" + std::string(body) + "; is not one XML knows without a document type");
    }
    advance(end + 1 - at_);
    return out;
}

Result<XmlEvent> XmlReader::readText() {
    XmlEvent event{XmlEvent::Kind::Text, {}, {}, line_};
    while (at_ < document_.size()) {
        const char c = document_[at_];
        if (c == '<') {
            if (!startsWith("<![CDATA[")) break;
            const std::size_t end = document_.find("]]>", at_ + 9);
            if (end == std::string_view::npos) return fail("a CDATA section is not closed (the file ends inside it)");
            for (std::size_t i = at_ + 9; i < end; ++i) {
                if (!checkByte(static_cast<unsigned char>(document_[i]))) return error_;
            }
            event.text.append(document_.substr(at_ + 9, end - at_ - 9));
            advance(end + 3 - at_);
            continue;
        }
        if (c == '&') {
            auto resolved = readReference();
            if (!resolved) return resolved.error();
            event.text += *resolved;
            continue;
        }
        if (!checkByte(static_cast<unsigned char>(c))) return error_;
        event.text += c;
        advance(1);
    }
    return event;
}

Result<XmlEvent> XmlReader::readTag() {
    // At '<', not a comment, processing instruction or CDATA section.
    const std::size_t tagLine = line_;
    advance(1);
    const bool closing = at_ < document_.size() && document_[at_] == '/';
    if (closing) advance(1);
    auto name = readName();
    if (!name) return name.error();
    if (closing) {
        skipSpace();
        if (at_ >= document_.size()) return fail("the file ends inside the tag </" + *name + ">");
        if (document_[at_] != '>') return fail("the closing tag </" + *name + " is malformed");
        advance(1);
        if (open_.empty() || open_.back() != *name) {
            return fail("</" + *name + "> closes " + (open_.empty() ? "no open element" : "<" + open_.back() + ">"));
        }
        open_.pop_back();
        if (open_.empty()) rootSeen_ = true;
        return XmlEvent{XmlEvent::Kind::Close, *name, {}, tagLine};
    }
    if (open_.empty() && rootSeen_) return fail("a second root element <" + *name + ">");
    // Attributes are read for well-formedness and dropped: the journal has none.
    for (;;) {
        const bool spaced = skipSpace();
        if (at_ >= document_.size()) return fail("the file ends inside the tag <" + *name + ">");
        const char c = document_[at_];
        if (c == '>' || c == '/') break;
        if (!spaced) return fail("the tag <" + *name + "> is malformed");
        auto attribute = readName();
        if (!attribute) return attribute.error();
        skipSpace();
        if (at_ >= document_.size() || document_[at_] != '=') {
            return fail("the attribute " + *attribute + " of <" + *name + "> has no value");
        }
        advance(1);
        skipSpace();
        if (at_ >= document_.size() || (document_[at_] != '"' && document_[at_] != '\'')) {
            return fail("the attribute " + *attribute + " of <" + *name + "> has no quoted value");
        }
        const char quote = document_[at_];
        advance(1);
        while (at_ < document_.size() && document_[at_] != quote) {
            if (document_[at_] == '<') return fail("a '<' inside the attribute " + *attribute);
            if (document_[at_] == '&') {
                auto resolved = readReference();
                if (!resolved) return resolved.error();
                continue;
            }
            if (!checkByte(static_cast<unsigned char>(document_[at_]))) return error_;
            advance(1);
        }
        if (at_ >= document_.size()) return fail("the file ends inside the attribute " + *attribute);
        advance(1);
    }
    const bool empty = document_[at_] == '/';
    if (empty) {
        advance(1);
        if (at_ >= document_.size() || document_[at_] != '>') return fail("the tag <" + *name + "/> is malformed");
    }
    advance(1);
    if (open_.size() >= kMaxDepth) return fail("elements nest deeper than " + std::to_string(kMaxDepth));
    open_.push_back(*name);
    if (empty) {
        // Given as an opening now and its closing on the next call.
        at_ -= 2;  // back to "/>", which the next call reads as the closing
        emptyPending_ = true;
    }
    return XmlEvent{XmlEvent::Kind::Open, *name, {}, tagLine};
}

Result<XmlEvent> XmlReader::next() {
    if (failed_) return error_;
    if (!declared_) {
        auto declared = declaration();
        if (!declared) return declared.error();
    }
    if (ended_) return XmlEvent{XmlEvent::Kind::End, {}, {}, line_};
    if (emptyPending_) {
        emptyPending_ = false;
        advance(2);
        const std::string name = open_.back();
        open_.pop_back();
        if (open_.empty()) rootSeen_ = true;
        return XmlEvent{XmlEvent::Kind::Close, name, {}, line_};
    }
    if (open_.empty()) {
        // Outside the root: only whitespace, comments and processing instructions.
        for (;;) {
            skipSpace();
            bool skipped = false;
            if (!skipMisc(skipped)) return error_;
            if (!skipped) break;
        }
        if (at_ >= document_.size()) {
            if (!rootSeen_) return fail("the file holds no element");
            ended_ = true;
            return XmlEvent{XmlEvent::Kind::End, {}, {}, line_};
        }
        if (rootSeen_) return fail("something follows the root element");
        if (document_[at_] != '<') return fail("text outside the root element");
        return readTag();
    }
    for (;;) {
        if (at_ >= document_.size()) return fail("the file ends inside <" + open_.back() + "> (is it cut short?)");
        bool skipped = false;
        if (document_[at_] == '<' && !startsWith("<![CDATA[")) {
            if (!skipMisc(skipped)) return error_;
            if (skipped) continue;
            return readTag();
        }
        return readText();
    }
}

}  // namespace kirva::platform
