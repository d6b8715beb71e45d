#include "platform/ini/profile_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <unordered_map>
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

// One line of the file, in the file's own encoding, with the line ending it had ("\r\n", "\n" or nothing
// for a last line without one). Lines a change adds after it are its followers, so that adding never moves
// the lines the index points at.
struct Line {
    std::string text;
    std::string eol;
    bool removed = false;
    std::vector<Line> followers;

    static Line added(std::string text, std::string eol) { return {std::move(text), std::move(eol), false, {}}; }
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

bool isContent(std::string_view lineText) {
    const auto start = lineText.find_first_not_of(kBlanks);
    return start != std::string_view::npos && lineText[start] != ';' && lineText[start] != '#';
}

// Where a line is: a line of the file, or one of the followers a change added after it.
struct Place {
    std::size_t line = 0;
    std::size_t follower = kNoFollower;
    static constexpr std::size_t kNoFollower = static_cast<std::size_t>(-1);
};

// The first section of each name (duplicates after it are never seen) and, in it, every line of each key,
// by upper-cased Windows-1250 name.
struct SectionIndex {
    std::size_t header = 0;
    Place lastContent;  // the last line that is neither blank nor a comment (the header when there is none)
    std::unordered_map<std::string, std::vector<Place>> keys;
};

// The file's lines, how it is to be written back, and the index that finds a key without a scan.
struct ProfileText {
    bool bom = false;
    bool utf8 = kNewProfileUtf8;  // false: the file is Windows-1250 and stays so
    std::vector<Line> lines;
    std::unordered_map<std::string, SectionIndex> sections;

    // A text in memory (Windows-1250) in the encoding of the lines, and back.
    std::string fromMemory(std::string_view cp1250Text) const {
        return utf8 ? cp1250ToUtf8(cp1250Text) : std::string(cp1250Text);
    }
    std::string toMemory(std::string_view lineText) const {
        return utf8 ? utf8ToCp1250Lossy(lineText) : std::string(lineText);
    }
    std::string lineName(std::string_view name) const { return upper1250(toMemory(name)); }
    static std::string wantedName(std::string_view name) { return upper1250(trimmed(name)); }

    Line& at(const Place& place) {
        Line& line = lines[place.line];
        return place.follower == Place::kNoFollower ? line : line.followers[place.follower];
    }
    const Line& at(const Place& place) const { return const_cast<ProfileText&>(*this).at(place); }

    const std::vector<Place>* findKey(std::string_view section, std::string_view key) const {
        const auto found = sections.find(wantedName(section));
        if (found == sections.end()) return nullptr;
        const auto entry = found->second.keys.find(wantedName(key));
        return entry == found->second.keys.end() || entry->second.empty() ? nullptr : &entry->second;
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
        const auto emit = [&out](const Line& line) {
            if (line.removed) return;
            out += line.text;
            out += line.eol;
        };
        for (const auto& line : lines) {
            emit(line);
            for (const auto& follower : line.followers) emit(follower);
        }
        return out;
    }

    void buildIndex() {
        SectionIndex* current = nullptr;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const auto parsed = parseLine(lines[i].text);
            if (parsed.kind == LineKind::Section) {
                const auto [entry, added] = sections.try_emplace(lineName(parsed.name));
                current = added ? &entry->second : nullptr;
                if (current != nullptr) {
                    current->header = i;
                    current->lastContent = Place{i};
                }
                continue;
            }
            if (current == nullptr) continue;
            if (isContent(lines[i].text)) current->lastContent = Place{i};
            if (parsed.kind == LineKind::Key) current->keys[lineName(parsed.name)].push_back(Place{i});
        }
    }
};

// The encoding rule: a byte-order mark means UTF-8; without one, UTF-8 only when every character decodes
// to one Windows-1250 has. Plain ASCII (an empty or a new file among it) is both, so it takes the system's
// encoding.
bool holdsUtf8(std::string_view body, bool bom) {
    if (bom) return true;
    if (isAscii(body)) return kNewProfileUtf8;
    return utf8ToCp1250(body).ok();
}

ProfileText parseText(std::string_view bytes) {
    ProfileText text;
    if (bytes.starts_with(kBom)) {
        text.bom = true;
        bytes.remove_prefix(kBom.size());
    }
    text.utf8 = holdsUtf8(bytes, text.bom);
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
    text.buildIndex();
    return text;
}

// The stored value as it stands in the file's encoding (blanks around it dropped), or nothing.
std::optional<std::string_view> storedValue(const ProfileText& text, std::string_view section, std::string_view key) {
    const auto* places = text.findKey(section, key);
    if (places == nullptr) return std::nullopt;
    const std::string_view lineText = text.at(places->front()).text;
    return trimmed(lineText.substr(parseLine(lineText).valueStart));
}

// Sets one key: a key whose value stays keeps its line as it is; a replaced value keeps the key's spelling
// and the blanks around "="; a new key goes after its section's last line that is neither blank nor a
// comment, a new section at the end.
void setKey(ProfileText& text, std::string_view section, std::string_view key, std::string_view value) {
    const std::string keyLine = text.fromMemory(std::string(trimmed(key)) + "=" + std::string(value));
    if (const auto* places = text.findKey(section, key)) {
        Line& line = text.at(places->front());
        const std::string_view lineText = line.text;
        const std::size_t valueStart = parseLine(lineText).valueStart;
        if (text.toMemory(trimmed(lineText.substr(valueStart))) == value) return;
        line.text = line.text.substr(0, valueStart) + text.fromMemory(value);
        return;
    }
    const std::string eol = text.eol();
    const std::string sectionName = ProfileText::wantedName(section);
    const std::string keyName = ProfileText::wantedName(key);
    auto found = text.sections.find(sectionName);
    if (found == text.sections.end()) {
        if (!text.lines.empty() && text.lines.back().eol.empty()) text.lines.back().eol = eol;
        const std::size_t header = text.lines.size();
        text.lines.push_back(Line::added(text.fromMemory("[" + std::string(trimmed(section)) + "]"), eol));
        text.lines.push_back(Line::added(keyLine, eol));
        SectionIndex& added = text.sections[sectionName];
        added.header = header;
        added.lastContent = Place{header + 1};
        added.keys[keyName].push_back(Place{header + 1});
        return;
    }
    // After the section's last line that is neither blank nor a comment, so that blank lines and the
    // comments that lead into the next section stay where they are.
    SectionIndex& index = found->second;
    Line& anchor = text.at(index.lastContent);
    if (anchor.eol.empty()) anchor.eol = eol;
    Line& owner = text.lines[index.lastContent.line];
    owner.followers.push_back(Line::added(keyLine, eol));
    index.lastContent = Place{index.lastContent.line, owner.followers.size() - 1};
    index.keys[keyName].push_back(index.lastContent);
}

// Removes every line of the key in the section, so that the key then reads as its default.
void eraseKey(ProfileText& text, std::string_view section, std::string_view key) {
    const auto found = text.sections.find(ProfileText::wantedName(section));
    if (found == text.sections.end()) return;
    const auto entry = found->second.keys.find(ProfileText::wantedName(key));
    if (entry == found->second.keys.end()) return;
    for (const Place& place : entry->second) text.at(place).removed = true;
    found->second.keys.erase(entry);
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
    // Removing what is not there never creates the file.
    if (!existed && after.empty()) return {};
    return replaceFile(file, after);
}

}  // namespace

// ---- Profile

struct Profile::Parsed {
    ProfileText text;
    std::string file;
    std::optional<Error> problem;
};

Profile::Profile(std::unique_ptr<Parsed> parsed) : parsed_(std::move(parsed)) {}
Profile::Profile(Profile&&) noexcept = default;
Profile& Profile::operator=(Profile&&) noexcept = default;
Profile::~Profile() = default;

Profile Profile::read(const std::string& file) {
    auto parsed = std::make_unique<Parsed>();
    parsed->file = file;
    std::string bytes, failure;
    const auto state = readWholeFile(file, bytes, failure);
    if (state == ReadState::Failed) {
        parsed->problem = makeError("Cannot read the settings file " + file + ": " + failure);
    } else {
        if (const auto why = notSettingsText(bytes)) parsed->problem = notSettingsError(file, *why);
        parsed->text = parseText(bytes);
    }
    return Profile(std::move(parsed));
}

std::string Profile::value(std::string_view section, std::string_view key, std::string_view defaultValue) const {
    const auto stored = storedValue(parsed_->text, section, key);
    if (!stored) return std::string(defaultValue);
    return parsed_->text.toMemory(*stored);
}

Result<std::string> Profile::exactValue(std::string_view section, std::string_view key,
                                        std::string_view defaultValue) const {
    const auto stored = storedValue(parsed_->text, section, key);
    if (!stored) return std::string(defaultValue);
    const auto refused = [&](const std::string& why) {
        return makeError("the value of " + std::string(trimmed(key)) + " in [" + std::string(trimmed(section)) +
                         "] of " + parsed_->file + " cannot be held: " + why);
    };
    if (!parsed_->text.utf8) {
        // The five bytes Windows-1250 leaves undefined are no character of it either.
        const auto undefined = stored->find_first_of("\x81\x83\x88\x90\x98");
        if (undefined == std::string_view::npos) return std::string(*stored);
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>((*stored)[undefined]));
        return refused("the byte " + std::string(byte) + " at byte " + std::to_string(undefined + 1) +
                       " is not in Windows-1250");
    }
    auto converted = utf8ToCp1250(*stored);
    if (!converted) return refused(converted.error().message);
    return std::move(converted).value();
}

Result<void> Profile::usable() const {
    if (parsed_->problem) return *parsed_->problem;
    return {};
}

bool Profile::utf8() const {
    return parsed_->text.utf8;
}

// ---- ProfileChanges

Result<void> ProfileChanges::set(std::string_view section, std::string_view key, std::string_view value) {
    if (auto why = refusal(section, key, value)) return writeError(file_, *why);
    changes_.push_back({false, std::string(section), std::string(key), std::string(value)});
    return {};
}

void ProfileChanges::erase(std::string_view section, std::string_view key) {
    changes_.push_back({true, std::string(section), std::string(key), {}});
}

Result<void> ProfileChanges::save() const {
    if (changes_.empty()) return {};
    bool existed = false;
    auto loaded = loadForChange(file_, existed);
    if (!loaded) return loaded.error();
    ProfileText& text = loaded.value();
    const std::string before = existed ? text.serialise() : std::string();
    for (const Change& change : changes_) {
        if (change.erase) {
            eraseKey(text, change.section, change.key);
        } else {
            setKey(text, change.section, change.key, change.value);
        }
    }
    return store(file_, text, existed, before);
}

// ---- one key at a time

std::string readProfileString(const std::string& file, std::string_view section, std::string_view key,
                              std::string_view defaultValue) {
    return Profile::read(file).value(section, key, defaultValue);
}

Result<std::string> readProfileStringExact(const std::string& file, std::string_view section, std::string_view key,
                                           std::string_view defaultValue) {
    return Profile::read(file).exactValue(section, key, defaultValue);
}

Result<void> writeProfileString(const std::string& file, std::string_view section, std::string_view key,
                                std::string_view value) {
    return writeProfileStrings(file, section, {{std::string(key), std::string(value)}});
}

Result<void> writeProfileStrings(const std::string& file, std::string_view section,
                                 const std::vector<std::pair<std::string, std::string>>& entries) {
    ProfileChanges changes(file);
    for (const auto& [key, value] : entries) {
        if (auto accepted = changes.set(section, key, value); !accepted) return accepted;
    }
    return changes.save();
}

Result<void> checkProfileFile(const std::string& file) {
    std::string bytes, failure;
    const auto state = readWholeFile(file, bytes, failure);
    if (state == ReadState::Failed) return makeError("Cannot read the settings file " + file + ": " + failure);
    if (const auto why = notSettingsText(bytes)) return notSettingsError(file, *why);
    return {};
}

Result<void> deleteProfileKey(const std::string& file, std::string_view section, std::string_view key) {
    ProfileChanges changes(file);
    changes.erase(section, key);
    return changes.save();
}

}  // namespace kirva::platform
