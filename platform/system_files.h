#pragma once

// The operating system's file and process services the program needs, behind one small interface: making a
// new file, forcing it to disk, putting a finished file in place of the old one, telling whether the process
// that left a temporary file still runs, and the local time. One implementation per system
// (system_files_posix.cpp, system_files_win32.cpp); only the Windows one includes windows.h.
//
// Paths are UTF-8 on every system. Errors are errno values (0 = done), so callers word them the same way
// everywhere; systemErrorText() gives the text for one.

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kirva::platform {

// The characters that end a folder name in a path: on Windows both slashes, elsewhere only '/'.
// kNativeSeparator is the one the system writes.
#ifdef _WIN32
inline constexpr std::string_view kPathSeparators = "/\\";
inline constexpr char kNativeSeparator = '\\';
#else
inline constexpr std::string_view kPathSeparators = "/";
inline constexpr char kNativeSeparator = '/';
#endif

// A UTF-8 path as the standard library's path, and back: through char8_t, so Windows does not read the
// bytes in its ANSI code page.
inline std::filesystem::path pathOf(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Creates `path` for writing, in binary mode, failing with EEXIST when the name is taken. Returns the file
// descriptor, or -1 with `error` set.
int createNewFile(const std::string& path, int& error);

// std::fopen for a path of the standard library (wide on Windows). `mode` is ASCII, such as "ab".
std::FILE* openStream(const std::filesystem::path& path, const char* mode);

// Writes all of `size` bytes to `fd`. Returns 0 or the error.
int writeWhole(int fd, const char* data, std::size_t size);

// Gives the new file `fd` the permissions of `existing` where the system has them (it replaces that file).
void keepPermissions(int fd, const std::string& existing);

// Forces what was written to `fd` onto the disk. Returns 0 or the error.
int syncFile(int fd);

// Closes `fd`; the close can be where a write fails. Returns 0 or the error.
int closeFile(int fd);

// Puts `from` in place of `to`, replacing `to` when it exists, as one step. On Windows a file another
// program holds open (a virus scanner, OPAL reading the previous journal) is waited for briefly and then
// reported as EBUSY.
int replaceFile(const std::string& from, const std::string& to);

// Renames `from` to `to` only when `to` does not exist (EEXIST otherwise).
int renameIfAbsent(const std::string& from, const std::string& to);

// Makes a rename in `folder` durable where the system allows it; does nothing where it cannot.
void syncFolder(const std::string& folder);

// Removes a file; a missing file is not an error. Returns 0 or the error.
int removeFile(const std::string& path);

// Whether `path` names an existing file or folder.
bool pathExists(const std::string& path);

// What the system says of a file: `error` is 0 when it exists (ENOENT when it does not).
struct FileStatus {
    int error = 0;
    bool regular = false;   // a file, not a folder or a device
    bool readOnly = false;  // marked read-only for everyone
    std::uint64_t size = 0;
};
FileStatus fileStatus(const std::string& path);

// Whether this user may write to the file or folder `path`.
bool mayWrite(const std::string& path);

// This process's id, and whether a process with the given id still runs (a process that cannot be asked
// counts as running, so its files are left alone).
long currentProcessId();
bool processRunning(long pid);

// This machine's name, never empty.
std::string hostName();

// The local calendar time of `when`.
std::tm localTime(std::time_t when);

// Sets the console up for the program's output where the system needs it: UTF-8 text, and "\n" line ends
// written as they are (standard output is byte for byte the same on every system).
void prepareConsole();

// The program's arguments as UTF-8: on Windows taken from the wide command line, so a folder such as
// "Računi" arrives whole whatever the code page; elsewhere as they are.
std::vector<std::string> programArguments(int argc, char** argv);

// The text of an error value from the functions above.
std::string systemErrorText(int error);

}  // namespace kirva::platform
