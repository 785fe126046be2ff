#include "datagen/writers/FileWriter.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace datagen {

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::filesystem::path target(path);
    if (target.has_parent_path()) {
        std::error_code ec;
        std::filesystem::create_directories(target.parent_path(), ec);
        if (ec) {
            std::fprintf(stderr, "datagen: can't create folder %s: %s\n", target.parent_path().c_str(),
                         ec.message().c_str());
            return false;
        }
    }
    std::ofstream file(target, std::ios::binary | std::ios::trunc);
    if (file) {
        file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        file.close();
    }
    if (!file) {
        std::fprintf(stderr, "datagen: can't write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace datagen
