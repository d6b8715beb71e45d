#include "platform/ini/profile_file.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <vector>

#include "platform/system_files.h"
#include "platform/text1250.h"

namespace kirva::platform {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kNewFileEol = "\r\n";

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// UTF-8 to Windows-1250 for reading: a character the code page lacks becomes '?', a value is never
// refused for one stray character.
std::string utf8ToCp1250Lossy(std::string_view utf8) {
    if (auto whole = utf8ToCp1250(utf8)) return std::move(whole.value());
    std::string out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<uint8_t>(utf8[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        length = std::min(length, utf8.size() - i);
        auto one = utf8ToCp1250(utf8.substr(i, length));
        out += one ? one.value() : std::string("?");
        i += length;
    }
    return out;
}

// One line of the file, in the file's own encoding (UTF-8, or Windows-1250 for an old file), with the line
// ending it had ("\r\n", "\n" or nothing for a last line without one).
struct Line {
    std::string text;
    std::string eol;
};

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;       // section or key name, without blanks, in the file's encoding
    std::size_t valueStart = 0;  // Key: where the value starts (after "=" and the blanks following it)
};

// "[Name]" (anything after "]" is ignored; a missing "]" runs the name to the end of the line);
// "key=value" where the first "=" splits; ";" and "#" start comments. A line with neither is kept as it is
// and matches nothing.
ParsedLine parseLine(std::string_view text) {
    ParsedLine parsed;
    const auto start = text.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) return parsed;
    const char first = text[start];
    if (first == ';' || first == '#') return parsed;
    if (first == '[') {
        const auto close = text.find(']', start + 1);
        const auto end = close == std::string_view::npos ? text.size() : close;
        parsed.kind = LineKind::Section;
        parsed.name = trimmed(text.substr(start + 1, end - start - 1));
        return parsed;
    }
    const auto equals = text.find('=', start);
    if (equals == std::string_view::npos) return parsed;
    parsed.name = trimmed(text.substr(start, equals - start));
    if (parsed.name.empty()) return parsed;
    parsed.kind = LineKind::Key;
    const auto valueStart = text.find_first_not_of(kBlanks, equals + 1);
    parsed.valueStart = valueStart == std::string_view::npos ? text.size() : valueStart;
    return parsed;
}

// The file's lines and how it is to be written back.
struct ProfileText {
    bool bom = false;
    bool utf8 = true;  // false: an old Windows-1250 file, which stays Windows-1250
    std::vector<Line> lines;

    // A text in memory (Windows-1250) in the encoding of the lines, and back.
    std::string fromMemory(std::string_view cp1250Text) const {
        return utf8 ? cp1250ToUtf8(cp1250Text) : std::string(cp1250Text);
    }
    std::string toMemory(std::string_view lineText) const {
        return utf8 ? utf8ToCp1250Lossy(lineText) : std::string(lineText);
    }
    bool sameName(std::string_view lineName, std::string_view wanted) const {
        return equalNoCase(toMemory(lineName), trimmed(wanted));
    }

    // The line ending new lines get: the file's first, or CRLF for a file that has none yet.
    std::string eol() const {
        for (const auto& line : lines) {
            if (!line.eol.empty()) return line.eol;
        }
        return std::string(kNewFileEol);
    }

    std::string serialise() const {
        std::string out = bom ? std::string(kBom) : std::string();
        for (const auto& line : lines) {
            out += line.text;
            out += line.eol;
        }
        return out;
    }
};

ProfileText parseText(std::string_view bytes) {
    ProfileText text;
    if (bytes.starts_with(kBom)) {
        text.bom = true;
        bytes.remove_prefix(kBom.size());
    }
    text.utf8 = isValidUtf8(bytes);
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const auto newline = bytes.find('\n', pos);
        Line line;
        if (newline == std::string_view::npos) {
            line.text = std::string(bytes.substr(pos));
            pos = bytes.size();
        } else {
            std::size_t end = newline;
            if (end > pos && bytes[end - 1] == '\r') --end;
            line.text = std::string(bytes.substr(pos, end - pos));
            line.eol = std::string(bytes.substr(end, newline + 1 - end));
            pos = newline + 1;
        }
        text.lines.push_back(std::move(line));
    }
    return text;
}

// Where a section lies: the header line and one past its last line (the next header or the end).
struct SectionSpan {
    std::size_t header = 0;
    std::size_t end = 0;
};

// The first section of that name; duplicates after it are never seen.
std::optional<SectionSpan> findSection(const ProfileText& text, std::string_view section) {
    for (std::size_t i = 0; i < text.lines.size(); ++i) {
        const auto parsed = parseLine(text.lines[i].text);
        if (parsed.kind != LineKind::Section || !text.sameName(parsed.name, section)) continue;
        SectionSpan span{i, i + 1};
        while (span.end < text.lines.size() && parseLine(text.lines[span.end].text).kind != LineKind::Section) {
            ++span.end;
        }
        return span;
    }
    return std::nullopt;
}

std::optional<std::size_t> findKey(const ProfileText& text, const SectionSpan& span, std::string_view key,
                                   std::size_t from = 0) {
    for (std::size_t i = std::max(from, span.header + 1); i < span.end; ++i) {
        const auto parsed = parseLine(text.lines[i].text);
        if (parsed.kind == LineKind::Key && text.sameName(parsed.name, key)) return i;
    }
    return std::nullopt;
}

enum class ReadState { Read, Missing, Failed };

ReadState readWholeFile(const std::string& file, std::string& bytes, std::string& failure) {
    std::error_code ec;
    const auto status = std::filesystem::status(pathOf(file), ec);
    if (status.type() == std::filesystem::file_type::not_found) return ReadState::Missing;
    if (ec) {
        failure = ec.message();
        return ReadState::Failed;
    }
    if (status.type() != std::filesystem::file_type::regular) {
        failure = "not a regular file";
        return ReadState::Failed;
    }
    std::ifstream in(pathOf(file), std::ios::binary);
    if (!in) {
        failure = std::strerror(errno);
        return ReadState::Failed;
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) {
        failure = "read error";
        return ReadState::Failed;
    }
    bytes = std::move(content).str();
    return ReadState::Read;
}

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closing reports its failure: on some file systems the write only fails there.
    bool close() {
        if (fd_ < 0) return true;
        const int rc = closeFile(fd_);
        fd_ = -1;
        return rc == 0;
    }

  private:
    int fd_;
};

// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
  public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!path_.empty()) (void)removeFile(path_);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::string& path() const { return path_; }
    void release() { path_.clear(); }

  private:
    std::string path_;
};

Error writeError(const std::string& file, const std::string& why) {
    return makeError("Cannot write the settings file " + file + ": " + why);
}

// The file's new content goes to a temporary file beside it, is flushed to disk and renamed over the old
// one, so the file is either wholly old or wholly new.
Result<void> replaceFile(const std::string& file, const std::string& content) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // Through a symbolic link the target is replaced, not the link.
    fs::path target = pathOf(file);
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (ec) return writeError(file, ec.message());
        target = resolved;
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");

    const std::string targetName = utf8Of(target);

    std::random_device seed;
    std::mt19937 random(seed());
    std::optional<TemporaryFile> temporary;
    std::optional<FileDescriptor> fd;
    for (int attempt = 0; attempt < 100 && !fd; ++attempt) {
        const auto candidate =
            utf8Of(folder / pathOf("." + utf8Of(target.filename()) + ".tmp" + std::to_string(random())));
        int error = 0;
        const int opened = createNewFile(candidate, error);
        if (opened >= 0) {
            temporary.emplace(candidate);
            fd.emplace(opened);
        } else if (error != EEXIST) {
            return writeError(file, systemErrorText(error));
        }
    }
    if (!fd) return writeError(file, "no free name for a temporary file");

    keepPermissions(fd->get(), targetName);
    if (const int error = writeWhole(fd->get(), content.data(), content.size()); error != 0) {
        return writeError(file, systemErrorText(error));
    }
    if (const int error = syncFile(fd->get()); error != 0) return writeError(file, systemErrorText(error));
    if (!fd->close()) return writeError(file, systemErrorText(errno));
    if (const int error = platform::replaceFile(temporary->path(), targetName); error != 0) {
        return writeError(file, systemErrorText(error));
    }
    temporary->release();

    // Make the rename itself durable; a failure here leaves a complete file either way.
    syncFolder(utf8Of(folder));
    return {};
}

// A name or value that would break the file's structure (a line break, a "]" in a section, a "=" in a key).
std::optional<std::string> refusal(std::string_view section, std::string_view key, std::string_view value) {
    const auto hasBreak = [](std::string_view t) { return t.find_first_of("\r\n") != std::string_view::npos; };
    if (trimmed(section).empty()) return "the section name is empty";
    if (hasBreak(section) || section.find(']') != std::string_view::npos) {
        return "the section name '" + std::string(section) + "' holds a line break or ']'";
    }
    const auto keyName = trimmed(key);
    if (keyName.empty()) return "the key name is empty";
    if (hasBreak(key) || key.find('=') != std::string_view::npos || keyName.front() == ';' || keyName.front() == '#' ||
        keyName.front() == '[') {
        return "the key name '" + std::string(key) + "' cannot be stored";
    }
    if (hasBreak(value)) return "the value of '" + std::string(key) + "' holds a line break";
    return std::nullopt;
}

// Why the bytes are not a text settings file, or nothing when they are one. Settings files are short
// lines of text; a data file, a journal or a binary named in their place must never be rewritten as one.
std::optional<std::string> notSettingsText(std::string_view bytes) {
    if (bytes.starts_with("SQLite format 3")) return "it is an SQLite database";
    std::string_view body = bytes.starts_with(kBom) ? bytes.substr(kBom.size()) : bytes;
    const auto first = body.find_first_not_of(" \t\r\n");
    if (first != std::string_view::npos && body.substr(first).starts_with("<")) return "it is an XML document";
    // A zero byte is what binary files hold and text files never do; a stray control character elsewhere
    // is a fault of one value, reported with its key where the value is used.
    if (const auto zero = bytes.find('\0'); zero != std::string_view::npos) {
        return "it holds a zero byte at offset " + std::to_string(zero);
    }
    if (!isValidUtf8(body)) {
        for (const char c : body) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte == 0x81 || byte == 0x83 || byte == 0x88 || byte == 0x90 || byte == 0x98) {
                return "it is neither UTF-8 nor Windows-1250 text";
            }
        }
    }
    return std::nullopt;
}

Error notSettingsError(const std::string& file, const std::string& why) {
    return makeError("The file " + file + " is not a text settings file (" + why + "); it is left as it is");
}

// Reads the file for a change; a missing file is an empty one, an unreadable one or one that is not a
// settings file is never overwritten.
Result<ProfileText> loadForChange(const std::string& file, bool& existed) {
    std::string bytes, failure;
    const auto state = readWholeFile(file, bytes, failure);
    if (state == ReadState::Failed) return makeError("Cannot read the settings file " + file + ": " + failure);
    if (const auto why = notSettingsText(bytes)) return notSettingsError(file, *why);
    existed = state == ReadState::Read;
    return parseText(bytes);
}

Result<void> store(const std::string& file, const ProfileText& text, bool existed, const std::string& before) {
    const std::string after = text.serialise();
    if (existed && after == before) return {};
    return replaceFile(file, after);
}

}  // namespace

namespace {

// The stored value as it stands in the file's encoding, or nothing when the file, section or key is missing.
std::optional<std::string> storedValue(const std::string& file, std::string_view section, std::string_view key,
                                       bool& utf8) {
    std::string bytes, failure;
    if (readWholeFile(file, bytes, failure) != ReadState::Read) return std::nullopt;
    const ProfileText text = parseText(bytes);
    utf8 = text.utf8;
    const auto span = findSection(text, section);
    if (!span) return std::nullopt;
    const auto line = findKey(text, *span, key);
    if (!line) return std::nullopt;
    const std::string_view lineText = text.lines[*line].text;
    return std::string(trimmed(lineText.substr(parseLine(lineText).valueStart)));
}

}  // namespace

std::string readProfileString(const std::string& file, std::string_view section, std::string_view key,
                              std::string_view defaultValue) {
    bool utf8 = true;
    const auto stored = storedValue(file, section, key, utf8);
    if (!stored) return std::string(defaultValue);
    return utf8 ? utf8ToCp1250Lossy(*stored) : *stored;
}

Result<std::string> readProfileStringExact(const std::string& file, std::string_view section, std::string_view key,
                                           std::string_view defaultValue) {
    bool utf8 = true;
    const auto stored = storedValue(file, section, key, utf8);
    if (!stored) return std::string(defaultValue);
    if (!utf8) return *stored;
    auto converted = utf8ToCp1250(*stored);
    if (!converted) {
        return makeError("the value of " + std::string(trimmed(key)) + " in [" + std::string(trimmed(section)) +
                         "] of " + file + " cannot be held: " + converted.error().message);
    }
    return std::move(converted).value();
}

namespace {

// Sets one key in the lines: its line keeps its spelling and the blanks around "=", a new key goes after
// its section's last line that is neither blank nor a comment, a new section at the end.
void setKey(ProfileText& text, std::string_view section, std::string_view key, std::string_view value) {
    const std::string keyLine = text.fromMemory(std::string(trimmed(key)) + "=" + std::string(value));
    const auto ensureEol = [&text] {
        if (!text.lines.empty() && text.lines.back().eol.empty()) text.lines.back().eol = text.eol();
    };
    const auto span = findSection(text, section);
    if (!span) {
        ensureEol();
        const std::string eol = text.eol();
        text.lines.push_back({text.fromMemory("[" + std::string(trimmed(section)) + "]"), eol});
        text.lines.push_back({keyLine, eol});
    } else if (const auto at = findKey(text, *span, key)) {
        // The key keeps its spelling and the blanks around "="; only the value changes.
        Line& line = text.lines[*at];
        line.text = line.text.substr(0, parseLine(line.text).valueStart) + text.fromMemory(value);
    } else {
        // After the section's last line that is neither blank nor a comment, so that blank lines and the
        // comments that lead into the next section stay where they are.
        std::size_t last = span->header;
        for (std::size_t i = span->header + 1; i < span->end; ++i) {
            const auto& lineText = text.lines[i].text;
            const auto start = lineText.find_first_not_of(kBlanks);
            if (start != std::string::npos && lineText[start] != ';' && lineText[start] != '#') last = i;
        }
        const std::string eol = text.eol();
        if (text.lines[last].eol.empty()) text.lines[last].eol = eol;
        text.lines.insert(text.lines.begin() + static_cast<std::ptrdiff_t>(last + 1), Line{keyLine, eol});
    }
}

}  // namespace

Result<void> writeProfileString(const std::string& file, std::string_view section, std::string_view key,
                                std::string_view value) {
    return writeProfileStrings(file, section, {{std::string(key), std::string(value)}});
}

Result<void> writeProfileStrings(const std::string& file, std::string_view section,
                                 const std::vector<std::pair<std::string, std::string>>& entries) {
    for (const auto& [key, value] : entries) {
        if (auto why = refusal(section, key, value)) return writeError(file, *why);
    }
    bool existed = false;
    auto loaded = loadForChange(file, existed);
    if (!loaded) return loaded.error();
    ProfileText& text = loaded.value();
    const std::string before = existed ? text.serialise() : std::string();
    for (const auto& [key, value] : entries) setKey(text, section, key, value);
    return store(file, text, existed, before);
}

Result<void> checkProfileFile(const std::string& file) {
    std::string bytes, failure;
    const auto state = readWholeFile(file, bytes, failure);
    if (state == ReadState::Failed) return makeError("Cannot read the settings file " + file + ": " + failure);
    if (const auto why = notSettingsText(bytes)) return notSettingsError(file, *why);
    return {};
}

Result<void> deleteProfileKey(const std::string& file, std::string_view section, std::string_view key) {
    bool existed = false;
    auto loaded = loadForChange(file, existed);
    if (!loaded) return loaded.error();
    if (!existed) return {};
    ProfileText& text = loaded.value();
    const std::string before = text.serialise();
    const auto span = findSection(text, section);
    if (!span) return {};
    // Every line of the key in the section goes, so that the key then reads as its default.
    std::size_t end = span->end;
    for (auto at = findKey(text, *span, key); at; at = findKey(text, {span->header, end}, key, *at)) {
        text.lines.erase(text.lines.begin() + static_cast<std::ptrdiff_t>(*at));
        --end;
    }
    return store(file, text, existed, before);
}

}  // namespace kirva::platform
