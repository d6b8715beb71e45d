// A small reader of the journals this program writes, for comparing two of them element by element: every
// element becomes one entry (its path with sibling positions, and its text), in document order.
#pragma once

#include <string>
#include <vector>

namespace kirva::testing {

struct XmlEntry {
    std::string path;  // "Prenos/Telo/Dokument[2]/Knjizba[3]/Kredit"
    std::string text;  // entities resolved; empty for elements with children
};

struct XmlReadResult {
    std::vector<XmlEntry> entries;
    std::string error;  // empty when the document was read whole
};

inline XmlReadResult readXmlEntries(const std::string& document) {
    XmlReadResult result;
    struct Open {
        std::string name;
        std::string path;
        std::vector<std::pair<std::string, int>> childCounts;
        std::size_t entry;
    };
    std::vector<Open> open;
    std::string text;
    bool rootSeen = false;
    auto childPath = [&open](const std::string& name) {
        if (open.empty()) return name;
        auto& counts = open.back().childCounts;
        int index = 1;
        for (auto& [childName, count] : counts) {
            if (childName == name) index = ++count;
        }
        if (index == 1) counts.emplace_back(name, 1);
        std::string path = open.back().path + "/" + name;
        return index > 1 ? path + "[" + std::to_string(index) + "]" : path;
    };
    std::size_t i = 0;
    while (i < document.size()) {
        if (document[i] != '<') {
            if (document[i] == '&') {
                const auto end = document.find(';', i);
                if (end == std::string::npos) return result.error = "an unfinished entity", result;
                const std::string name = document.substr(i + 1, end - i - 1);
                if (name == "amp")
                    text += '&';
                else if (name == "lt")
                    text += '<';
                else if (name == "gt")
                    text += '>';
                else if (name == "quot")
                    text += '"';
                else if (name == "apos")
                    text += '\'';
                else if (name.size() > 1 && name[0] == '#')
                    text += static_cast<char>(std::stoi(name.substr(1)));
                else
                    return result.error = "an unknown entity &" + name + ";", result;
                i = end + 1;
            } else {
                text += document[i++];
            }
            continue;
        }
        const auto end = document.find('>', i);
        if (end == std::string::npos) return result.error = "an unfinished tag", result;
        const std::string tag = document.substr(i + 1, end - i - 1);
        i = end + 1;
        if (tag.starts_with("?")) continue;
        if (tag.starts_with("/")) {
            const std::string name = tag.substr(1);
            if (open.empty() || open.back().name != name) return result.error = "a stray </" + name + ">", result;
            // Text only counts for elements without children (whitespace between children is layout).
            if (open.back().childCounts.empty()) result.entries[open.back().entry].text = text;
            open.pop_back();
            text.clear();
            continue;
        }
        if (open.empty() && rootSeen) return result.error = "a second root element", result;
        rootSeen = true;
        const bool empty = tag.ends_with("/");
        const std::string name = empty ? tag.substr(0, tag.size() - 1) : tag;
        const std::string path = childPath(name);
        result.entries.push_back({path, ""});
        if (!empty) open.push_back({name, path, {}, result.entries.size() - 1});
        text.clear();
    }
    if (!open.empty()) result.error = "element " + open.back().name + " is not closed";
    return result;
}

}  // namespace kirva::testing
