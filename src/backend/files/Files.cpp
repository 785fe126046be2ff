#include "backend/files/Files.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

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

FILE* OpenFile(std::string_view gamePath, const char* mode)
{
    return std::fopen(ResolvePath(gamePath).c_str(), mode);
}

bool ReadWholeFile(std::string_view gamePath, std::vector<uint8_t>& out)
{
    out.clear();
    FILE* file = OpenFile(gamePath, "rb");
    if (!file)
        return false;
    bool ok = true;
    uint8_t buffer[65536];
    for (;;) {
        size_t n = std::fread(buffer, 1, sizeof(buffer), file);
        out.insert(out.end(), buffer, buffer + n);
        if (n < sizeof(buffer)) {
            ok = !std::ferror(file);
            break;
        }
    }
    std::fclose(file);
    return ok;
}

} // namespace backend
