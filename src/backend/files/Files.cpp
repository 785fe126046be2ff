#include "backend/files/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace backend {

namespace {

std::string FindExecutableDirectory()
{
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0)
        return ".";
    std::string path(buffer, static_cast<size_t>(length));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string& BaseDirectoryStorage()
{
    static std::string directory = FindExecutableDirectory();
    return directory;
}

bool Exists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// The entry of `directory` equal to `name` ignoring case; empty when none.
std::string FindEntryIgnoringCase(const std::string& directory, const std::string& name)
{
    DIR* dir = opendir(directory.empty() ? "/" : directory.c_str());
    if (!dir)
        return {};
    std::string found;
    while (dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = entry->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

std::string SizeText(uint64_t bytes)
{
    if (bytes >= (uint64_t(1) << 20) && bytes % (uint64_t(1) << 20) == 0)
        return std::to_string(bytes >> 20) + " MB";
    return std::to_string(bytes) + " bytes";
}

// Why a file of this kind and size can't be read whole; empty when it can.
std::string Refusal(std::string_view gamePath, const struct stat& info, uint64_t limit)
{
    if (!S_ISREG(info.st_mode))
        return std::string(gamePath) + " is not a regular file";
    if (uint64_t(info.st_size) > limit)
        return std::string(gamePath) + " is larger than " + SizeText(limit);
    return {};
}

} // namespace

const std::string& BaseDirectory()
{
    return BaseDirectoryStorage();
}

void SetBaseDirectory(std::string directory)
{
    BaseDirectoryStorage() = std::move(directory);
}

std::string ResolvePath(std::string_view gamePath)
{
    std::string path(gamePath);
    for (char& c : path)
        if (c == '\\')
            c = '/';

    std::string resolved;
    size_t start = 0;
    if (!path.empty() && path[0] == '/') {
        start = 1;
    } else {
        resolved = BaseDirectory();
    }

    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        std::string component = path.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == ".")
            continue;
        std::string candidate = resolved + "/" + component;
        if (component != ".." && !Exists(candidate)) {
            std::string match = FindEntryIgnoringCase(resolved, component);
            if (!match.empty())
                candidate = resolved + "/" + match;
        }
        resolved = std::move(candidate);
    }
    return resolved.empty() ? std::string("/") : resolved;
}

FILE* OpenFileForReading(std::string_view gamePath, uint64_t limit, std::string* refusal)
{
    std::string reason;
    const std::string path = ResolvePath(gamePath);
    // Looked at before opening, so that a device is not even opened, and again
    // on the open descriptor, in case the name changed in between. O_NONBLOCK
    // keeps the open of a FIFO from waiting for a writer.
    struct stat info;
    int fd = -1;
    if (stat(path.c_str(), &info) == 0 && (reason = Refusal(gamePath, info, limit)).empty()) {
        fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0 && errno != ENOENT)
            reason = "cannot open " + std::string(gamePath) + ": " + std::strerror(errno);
        else if (fd >= 0 && fstat(fd, &info) != 0)
            reason = "cannot read " + std::string(gamePath);
        else if (fd >= 0)
            reason = Refusal(gamePath, info, limit);
    }
    FILE* file = nullptr;
    if (fd >= 0 && reason.empty() && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0)
        file = fdopen(fd, "rb");
    if (!file && fd >= 0)
        close(fd);
    if (refusal)
        *refusal = std::move(reason);
    return file;
}

int64_t CurrentFileSize(FILE* file)
{
    struct stat info;
    if (!file || fstat(fileno(file), &info) != 0)
        return -1;
    return info.st_size;
}

FILE* OpenFile(std::string_view gamePath, const char* mode)
{
    if (mode && mode[0] == 'r' && !std::strchr(mode, '+'))
        return OpenFileForReading(gamePath, NO_FILE_SIZE_LIMIT);
    return std::fopen(ResolvePath(gamePath).c_str(), mode);
}

bool ReadWholeFile(std::string_view gamePath, std::vector<uint8_t>& out, uint64_t limit, std::string* error)
{
    out.clear();
    std::string reason;
    FILE* file = OpenFileForReading(gamePath, limit, &reason);
    if (file) {
        struct stat info;
        if (fstat(fileno(file), &info) == 0)
            out.reserve(size_t(info.st_size));
        uint8_t buffer[65536];
        for (;;) {
            const size_t n = std::fread(buffer, 1, sizeof(buffer), file);
            // A file that grew while it was read is held to the same limit.
            if (out.size() + n > limit) {
                reason = std::string(gamePath) + " is larger than " + SizeText(limit);
                break;
            }
            out.insert(out.end(), buffer, buffer + n);
            if (n < sizeof(buffer)) {
                if (std::ferror(file))
                    reason = "cannot read " + std::string(gamePath);
                break;
            }
        }
        std::fclose(file);
    }
    const bool ok = file && reason.empty();
    if (!ok)
        out.clear();
    if (error)
        *error = std::move(reason);
    return ok;
}

namespace {

// Why a replacement failed: what, on which path, and the system's reason.
std::string Failure(const char* what, const std::string& path, int code)
{
    std::string reason = std::string(what) + " " + path;
    if (code != 0)
        reason += std::string(": ") + std::strerror(code);
    return reason;
}

// Writes the temporary file and renames it over the final one; the reason, or
// an empty string when the file was replaced.
std::string WriteAndReplace(const std::string& tempPath, const std::string& finalPath,
                            const std::function<bool(FILE*)>& write)
{
    // Not through a link, and not into a FIFO or a device left in its place.
    int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return Failure("cannot create", tempPath, errno);
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return tempPath + " is not a regular file";
    }
    FILE* file = fdopen(fd, "wb");
    if (!file) {
        const int code = errno;
        close(fd);
        std::remove(tempPath.c_str());
        return Failure("cannot write", tempPath, code);
    }
    errno = 0;
    bool ok = write(file);
    ok = ok && std::fflush(file) == 0 && fsync(fileno(file)) == 0;
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    std::string reason;
    if (!ok || !closed)
        reason = Failure("cannot write", tempPath, ok ? errno : writeError);
    // Only a complete file replaces the old one.
    else if (std::rename(tempPath.c_str(), finalPath.c_str()) != 0)
        reason = Failure("cannot replace", finalPath, errno);
    if (!reason.empty())
        std::remove(tempPath.c_str());
    return reason;
}

} // namespace

bool ReplaceFile(std::string_view gamePath, const std::function<bool(FILE*)>& write, std::string* error)
{
    const std::string finalPath = ResolvePath(gamePath);
    std::string reason = WriteAndReplace(finalPath + ".tmp", finalPath, write);
    const bool replaced = reason.empty();
    if (error)
        *error = std::move(reason);
    return replaced;
}

bool ReplaceFileBytes(std::string_view gamePath, const void* bytes, size_t size, std::string* error)
{
    return ReplaceFile(
        gamePath, [bytes, size](FILE* file) { return std::fwrite(bytes, 1, size, file) == size; }, error);
}

bool IsNameInsideFolder(std::string_view name)
{
    if (!name.empty() && (name[0] == '/' || name[0] == '\\'))
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string_view::npos)
            end = name.size();
        if (name.substr(start, end - start) == "..")
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace backend
