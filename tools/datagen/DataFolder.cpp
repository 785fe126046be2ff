#include "datagen/DataFolder.h"

#include "datagen/SampleDataList.h"
#include "datagen/writers/FileWriter.h"

#include <algorithm>
#include <filesystem>
#include <utility>

namespace datagen {

DataFolder::DataFolder(std::string folder) : root(std::move(folder)) {}

std::string DataFolder::PathOf(const std::string& gamePath) const
{
    std::string path = root;
    if (!path.empty() && path.back() != '/')
        path += '/';
    for (char c : gamePath)
        path += c == '\\' ? '/' : c;
    return path;
}

bool DataFolder::Write(const std::string& gamePath, const std::vector<uint8_t>& bytes)
{
    const std::string path = PathOf(gamePath);
    const std::vector<std::string>& players = PlayerFilePaths();
    std::error_code ec;
    // Whatever is at a player's file's name stays, even a link to nowhere.
    const bool kept = std::find(players.begin(), players.end(), gamePath) != players.end() &&
                      std::filesystem::exists(std::filesystem::symlink_status(path, ec));
    const bool ok = kept || WriteFileBytes(path, bytes);
    std::lock_guard<std::mutex> guard(lock);
    if (ok)
        written.push_back(gamePath);
    else
        failures.push_back("can't write " + gamePath);
    return ok;
}

void DataFolder::Fail(const std::string& message)
{
    std::lock_guard<std::mutex> guard(lock);
    failures.push_back(message);
}

std::vector<std::string> DataFolder::Written() const
{
    std::lock_guard<std::mutex> guard(lock);
    return written;
}

std::vector<std::string> DataFolder::Failures() const
{
    std::lock_guard<std::mutex> guard(lock);
    return failures;
}

} // namespace datagen
