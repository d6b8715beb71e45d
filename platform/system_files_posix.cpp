#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/system_files.h"

namespace kirva::platform {

int createNewFile(const std::string& path, int& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    error = fd < 0 ? errno : 0;
    return fd;
}

std::FILE* openStream(const std::filesystem::path& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

int writeWhole(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

void keepPermissions(int fd, const std::string& existing) {
    struct stat info {};
    if (::stat(existing.c_str(), &info) == 0) (void)::fchmod(fd, info.st_mode & 07777);
}

int syncFile(int fd) {
    return ::fsync(fd) == 0 ? 0 : errno;
}

int closeFile(int fd) {
    return ::close(fd) == 0 ? 0 : errno;
}

int replaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int renameIfAbsent(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
#endif
    // A file system without the no-replace rename: a hard link fails just as surely on an existing name.
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    ::unlink(from.c_str());
    return 0;
}

void syncFolder(const std::string& folder) {
    // Some file systems refuse to sync a folder; the file itself is complete either way.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

int removeFile(const std::string& path) {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return 0;
    return errno;
}

bool pathExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

FileStatus fileStatus(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return {errno};
    return {0, S_ISREG(info.st_mode), (info.st_mode & 0222) == 0, static_cast<std::uint64_t>(info.st_size)};
}

bool mayWrite(const std::string& path) {
    return ::access(path.c_str(), W_OK) == 0;
}

long currentProcessId() {
    return static_cast<long>(::getpid());
}

bool processRunning(long pid) {
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return true;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

std::string hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "host";
    return name;
}

std::tm localTime(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    return local;
}

void prepareConsole() {}

std::vector<std::string> programArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

std::string systemErrorText(int error) {
    return std::strerror(error);
}

}  // namespace kirva::platform
