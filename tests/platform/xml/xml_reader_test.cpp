// The journal reader on small documents, each with the events it gives or the fault it names.
#include "platform/xml/xml_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace kirva::platform {
namespace {

// The events as one line: "<a" opens, ">a" closes, "'text'" a text; "!" and the fault's message.
std::string events(std::string_view document) {
    XmlReader reader(document);
    std::string out;
    for (int i = 0; i < 1000; ++i) {
        auto event = reader.next();
        if (!event) return out + "!" + event.error().message;
        switch (event->kind) {
            case XmlEvent::Kind::Open:
                out += "<" + event->name + " ";
                break;
            case XmlEvent::Kind::Close:
                out += ">" + event->name + " ";
                break;
            case XmlEvent::Kind::Text:
                out += "'" + event->text + "' ";
                break;
            case XmlEvent::Kind::End:
                return out + "end";
        }
    }
    return out + "(no end)";
}

constexpr const char* kDecl = "<?xml version=\"1.0\" encoding=\"Windows-1250\"?>";

struct Case {
    std::string document;
    std::string expected;
};

TEST(XmlReader, ReadsTheJournalsSubsetAndNamesEveryFault) {
    const std::string d = kDecl;
    const Case cases[] = {
        {d + "<a><b>x</b><c/></a>", "<a <b 'x' >b <c >c >a end"},
        {d + "\n<!-- c --><a x='1' y=\"&amp;\">&lt;&#x10D;&#269;<![CDATA[<&]]></a>\n", "<a '<\xE8\xE8<&' >a end"},
        {d + "<a>\xE8</a>", "<a '\xE8' >a end"},
        {"", "!line 1: the file does not begin with an XML declaration (<?xml version=\"1.0\" ...?>)"},
        {"\xEF\xBB\xBF" + d + "<a/>", "!line 1: the file begins with a UTF-8 byte order mark"},
        {d, "!line 1: the file holds no element"},
        {d + "<a><b></a>", "<a <b !line 1: </a> closes <b>"},
        {d + "<a>", "<a !line 1: the file ends inside <a> (is it cut short?)"},
        {d + "<a><b", "<a !line 1: the file ends inside the tag <b>"},
        {d + "<a/><b/>", "<a >a !line 1: something follows the root element"},
        {d + "<a>&nbsp;</a>", "<a !line 1: the entity &nbsp; is not one XML knows without a document type"},
        {d + "<a>&#x4E2D;</a>", "<a !line 1: the character reference &#x4E2D; names a character Windows-1250 lacks"},
        {d + "<a>&#1;</a>", "<a !line 1: the character reference &#1; names no XML character"},
        {d + "<a>\x81</a>", "<a !line 1: the byte 0x81 is not a Windows-1250 character"},
        {d + "<a>\x07</a>", "<a !line 1: the control character 0x07 may not stand in XML"},
        {d + "<!DOCTYPE a><a/>", "!line 1: a document type declaration is not part of a journal"},
        {d + "<a b></a>", "!line 1: the attribute b of <a> has no value"},
        {d + "<1a/>", "!line 1: a name cannot begin with '1'"},
        {d + "\n\n<a>\n<!-- x", "<a '\n' !line 4: a comment is not closed (the file ends inside it)"},
        {"<?xml encoding=\"x\"?><a/>", "!line 1: the XML declaration names no version"},
    };
    for (const Case& c : cases) EXPECT_EQ(events(c.document), c.expected) << c.document;
}

TEST(XmlReader, RefusesNestingDeeperThanItsLimit) {
    std::string document = kDecl;
    for (std::size_t i = 0; i <= XmlReader::kMaxDepth; ++i) document += "<a>";
    XmlReader reader(document);
    std::size_t opened = 0;
    for (;;) {
        auto event = reader.next();
        if (!event) {
            EXPECT_NE(event.error().message.find("deeper than"), std::string::npos);
            break;
        }
        ++opened;
    }
    EXPECT_EQ(opened, XmlReader::kMaxDepth);
}

}  // namespace
}  // namespace kirva::platform
