// The program's images: the resource file serves one image per role the windows name, and every image is a
// well-formed, self-contained SVG that scales (a square viewBox, no raster, no text that needs a font).

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kResources = fs::path(KIRVA_TEST_DIR) / "../resources";

// The roles the export window, the settings window and the start-up ask for, as ":/images/<role>.svg".
const std::vector<std::string> kRoles = {"build",   "cancel", "exit",           "settings", "information",
                                         "confirm", "logo",   "settings-image", "kirva"};

struct Element {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string text;  // character data directly inside, for <file>
};

struct Parsed {
    std::vector<Element> elements;  // in document order; the first is the root
    std::string error;              // empty when the document is well-formed
};

// Enough of XML for hand-written resource files: elements, quoted attributes, comments, processing
// instructions and a DOCTYPE line. Refuses what a real parser refuses in them: unbalanced or unclosed
// elements, unquoted or repeated attributes, a second root and text outside the root.
Parsed parseXml(const std::string& doc) {
    Parsed out;
    std::vector<std::size_t> open;
    bool rootClosed = false;
    auto fail = [&out](std::string why) { return out.error = std::move(why), out; };
    std::size_t i = 0;
    while (i < doc.size()) {
        if (doc[i] != '<') {
            if (open.empty() && !std::isspace(static_cast<unsigned char>(doc[i]))) return fail("text outside the root");
            if (!open.empty()) out.elements[open.back()].text += doc[i];
            ++i;
            continue;
        }
        if (doc.compare(i, 4, "<!--") == 0) {
            const auto end = doc.find("-->", i + 4);
            if (end == std::string::npos) return fail("an unfinished comment");
            i = end + 3;
            continue;
        }
        if (doc.compare(i, 2, "<?") == 0 || doc.compare(i, 2, "<!") == 0) {
            const auto end = doc.find('>', i);
            if (end == std::string::npos) return fail("an unfinished declaration");
            i = end + 1;
            continue;
        }
        if (doc.compare(i, 2, "</") == 0) {
            const auto end = doc.find('>', i);
            if (end == std::string::npos) return fail("an unfinished end tag");
            const std::string name = doc.substr(i + 2, end - i - 2);
            if (open.empty() || out.elements[open.back()].name != name) return fail("a stray </" + name + ">");
            open.pop_back();
            if (open.empty()) rootClosed = true;
            i = end + 1;
            continue;
        }
        if (rootClosed) return fail("a second root element");
        Element element;
        std::size_t p = i + 1;
        while (p < doc.size() && !std::isspace(static_cast<unsigned char>(doc[p])) && doc[p] != '>' && doc[p] != '/')
            element.name += doc[p++];
        if (element.name.empty()) return fail("a tag without a name");
        bool selfClosing = false;
        for (;;) {
            while (p < doc.size() && std::isspace(static_cast<unsigned char>(doc[p]))) ++p;
            if (p >= doc.size()) return fail("an unfinished <" + element.name + ">");
            if (doc[p] == '>') break;
            if (doc.compare(p, 2, "/>") == 0) {
                selfClosing = true;
                ++p;
                break;
            }
            const auto eq = doc.find('=', p);
            if (eq == std::string::npos || eq + 1 >= doc.size()) return fail("an attribute without a value");
            const std::string attribute = doc.substr(p, eq - p);
            const char quote = doc[eq + 1];
            if (quote != '"' && quote != '\'') return fail("an unquoted value of " + attribute);
            const auto close = doc.find(quote, eq + 2);
            if (close == std::string::npos) return fail("an unfinished value of " + attribute);
            if (!element.attributes.emplace(attribute, doc.substr(eq + 2, close - eq - 2)).second)
                return fail("a repeated attribute " + attribute);
            p = close + 1;
            if (p < doc.size() && !std::isspace(static_cast<unsigned char>(doc[p])) && doc[p] != '>' && doc[p] != '/')
                return fail("attributes run together in <" + element.name + ">");
        }
        out.elements.push_back(std::move(element));
        if (!selfClosing)
            open.push_back(out.elements.size() - 1);
        else if (open.empty())
            rootClosed = true;
        i = p + 1;
    }
    if (!open.empty()) return fail("<" + out.elements[open.back()].name + "> is not closed");
    if (out.elements.empty()) return fail("no root element");
    return out;
}

std::string readWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// What is wrong with an image of ours, or empty.
std::string imageFault(const std::string& doc) {
    const Parsed parsed = parseXml(doc);
    if (!parsed.error.empty()) return parsed.error;
    const Element& root = parsed.elements.front();
    if (root.name != "svg") return "the root is <" + root.name + ">";
    if (root.attributes.count("xmlns") == 0 || root.attributes.at("xmlns") != "http://www.w3.org/2000/svg")
        return "no SVG namespace";
    if (root.attributes.count("viewBox") == 0) return "no viewBox";
    std::istringstream box(root.attributes.at("viewBox"));
    double x = 0, y = 0, width = 0, height = 0;
    if (!(box >> x >> y >> width >> height) || width <= 0 || height <= 0) return "a viewBox that is not four numbers";
    if (width != height) return "a viewBox that is not square";
    for (const Element& element : parsed.elements) {
        // A raster or a linked file would not scale or would not travel with the program; a text would be
        // drawn in whatever font the machine happens to have.
        if (element.name == "image" || element.name == "text") return "a <" + element.name + "> element";
        for (const char* link : {"href", "xlink:href"}) {
            const auto found = element.attributes.find(link);
            if (found != element.attributes.end() && !found->second.starts_with("#"))
                return "a link to " + found->second;
        }
    }
    return "";
}

TEST(ProgramImages, ResourceFileServesEveryRoleFromAnExistingImage) {
    const Parsed qrc = parseXml(readWhole(kResources / "kirva.qrc"));
    ASSERT_EQ(qrc.error, "");
    ASSERT_EQ(qrc.elements.front().name, "RCC");
    std::map<std::string, std::string> served;  // resource path -> file
    std::string prefix;
    for (const Element& element : qrc.elements) {
        if (element.name == "qresource")
            prefix = element.attributes.count("prefix") ? element.attributes.at("prefix") : "";
        if (element.name != "file") continue;
        ASSERT_TRUE(element.attributes.count("alias")) << element.text << " has no alias, so its path names the folder";
        const std::string path = ":" + prefix + "/" + element.attributes.at("alias");
        EXPECT_TRUE(served.emplace(path, element.text).second) << path << " is served twice";
        EXPECT_TRUE(fs::is_regular_file(kResources / element.text)) << element.text << " is listed but missing";
    }
    for (const std::string& role : kRoles)
        EXPECT_TRUE(served.count(":/images/" + role + ".svg")) << "no image for the role " << role;
    // An image drawn but not listed never reaches the program.
    std::set<std::string> listed;
    for (const auto& entry : served) listed.insert(entry.second);
    for (const auto& entry : fs::directory_iterator(kResources / "images"))
        EXPECT_TRUE(listed.count("images/" + entry.path().filename().string())) << entry.path() << " is not listed";
}

TEST(ProgramImages, EveryImageIsAWellFormedScalableSvg) {
    for (const std::string& role : kRoles) {
        const fs::path file = kResources / "images" / (role + ".svg");
        ASSERT_TRUE(fs::is_regular_file(file)) << file;
        EXPECT_EQ(imageFault(readWhole(file)), "") << file;
    }
}

// The checks above are only worth something if they refuse broken files.
TEST(ProgramImages, CheckRefusesBrokenImages) {
    const std::string ns = "xmlns=\"http://www.w3.org/2000/svg\"";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<svg " + ns + " viewBox=\"0 0 48 48\"><path d=\"M0 0\"/></svg>", ""},
        {"<?xml version=\"1.0\"?>\n<!-- c -->\n<svg " + ns + " viewBox='0 0 16 16'><g><circle r=\"1\"/></g></svg>\n",
         ""},
        {"<svg " + ns + " viewBox=\"0 0 48 48\"><g><path d=\"M0 0\"/></svg>", "a stray </svg>"},
        {"<svg " + ns + " viewBox=\"0 0 48 48\"><g>", "<g> is not closed"},
        {"<svg " + ns + " viewBox=\"0 0 48 48\"></svg><svg></svg>", "a second root element"},
        {"<svg " + ns + " viewBox=0></svg>", "an unquoted value of viewBox"},
        {"<svg " + ns + " viewBox=\"0 0 48 48\"><path d=\"M0 0\"d=\"M1 1\"/></svg>",
         "attributes run together in <path>"},
        {"<svg " + ns + " width=\"48\"></svg>", "no viewBox"},
        {"<svg " + ns + " viewBox=\"0 0 48\"></svg>", "a viewBox that is not four numbers"},
        {"<svg " + ns + " viewBox=\"0 0 48 32\"></svg>", "a viewBox that is not square"},
        {"<svg viewBox=\"0 0 48 48\"></svg>", "no SVG namespace"},
        {"<svg " + ns + " viewBox=\"0 0 48 48\"><text>K</text></svg>", "a <text> element"},
        {"<svg " + ns + " viewBox=\"0 0 48 48\"><image href=\"icon.png\"/></svg>", "a <image> element"},
        {"<svg " + ns + " viewBox=\"0 0 48 48\"><use href=\"other.svg#a\"/></svg>", "a link to other.svg#a"},
        {"<svg " + ns + " viewBox=\"0 0 48 48\"><use href=\"#a\"/></svg>", ""},
    };
    for (const auto& [doc, fault] : cases) EXPECT_EQ(imageFault(doc), fault) << doc;
}

}  // namespace
