#include "datagen/DataFolder.h"

#include "datagen/writers/FileWriter.h"

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
    const bool ok = WriteFileBytes(PathOf(gamePath), bytes);
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
