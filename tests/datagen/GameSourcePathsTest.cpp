// Every whole data file path spelt out in the game's own sources must be one the
// sample data set writes, with the same spelling, so that a renamed or misspelt
// file on either side shows up here rather than as a failed start.

#include "datagen/SampleDataList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const char* const DATA_EXTENSIONS[] = {".dds", ".wav", ".ogg", ".qvx", ".x",  ".md2",
                                       ".dat", ".cfg", ".bt",  ".raw", ".tda"};

bool HasDataExtension(const std::string& path)
{
    for (const char* extension : DATA_EXTENSIONS) {
        const std::string e(extension);
        if (path.size() > e.size() && path.compare(path.size() - e.size(), e.size(), e) == 0)
            return true;
    }
    return false;
}

// The game path a string literal's body spells (escaped backslashes undone), or
// "" when it is not a whole data file path.
std::string GamePathOf(const std::string& literal)
{
    std::string path;
    for (size_t i = 0; i < literal.size(); ++i) {
        if (literal[i] != '\\') {
            path += literal[i];
            continue;
        }
        if (i + 1 >= literal.size() || literal[i + 1] != '\\')
            return ""; // another escape: not a path
        path += '\\';
        ++i;
    }
    if (path == "Game.cfg")
        return path;
    for (const char* root : {"Graphics\\", "Audio\\", "Data\\"})
        if (path.rfind(root, 0) == 0 && HasDataExtension(path) && path.find(' ') == std::string::npos)
            return path;
    return "";
}

// Whole data file paths in the string literals of one source text.
std::set<std::string> PathsIn(const std::string& text)
{
    std::set<std::string> paths;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\'' && i + 2 < text.size()) { // skip character literals such as '"'
            i += text[i + 1] == '\\' ? 3 : 2;
            continue;
        }
        if (text[i] == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            i = text.find('\n', i);
            if (i == std::string::npos)
                break;
            continue;
        }
        if (text[i] != '"')
            continue;
        size_t end = i + 1;
        while (end < text.size() && text[end] != '"' && text[end] != '\n')
            end += text[end] == '\\' ? 2 : 1;
        if (end >= text.size())
            break;
        const std::string path = GamePathOf(text.substr(i + 1, end - i - 1));
        if (!path.empty())
            paths.insert(path);
        i = end;
    }
    return paths;
}

// Path -> first source file naming it, over every source under src/.
std::map<std::string, std::string> PathsInGameSources()
{
    std::map<std::string, std::string> found;
    const fs::path root = fs::path(VANTREL_SOURCE_DIR) / "src";
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h"))
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        for (const std::string& path : PathsIn(text.str()))
            found.emplace(path, fs::relative(entry.path(), root).string());
    }
    return found;
}

} // namespace

TEST(GameSourcePaths, ScannerFindsWholePathsOnly)
{
    const std::set<std::string> paths =
        PathsIn("Load(\"Graphics\\\\Textures\\\\Title.dds\"); // \"Audio\\\\Sounds\\\\Old.wav\"\n"
                "s = \"Audio\\\\Music\\\\\" + dir + \".ogg\"; c = '\"'; f(\"Game.cfg\", \"Data\\\\Font.dat\");\n"
                "g(\"Error reading Data\\\\Sound.cfg!\", \"Data\\\\Tracks\\\\\", \"Graphics\\\\Models\\\\A.x\");");
    EXPECT_EQ(paths, (std::set<std::string>{"Graphics\\Textures\\Title.dds", "Game.cfg", "Data\\Font.dat",
                                            "Graphics\\Models\\A.x"}));
}

TEST(GameSourcePaths, EveryPathTheGameSpellsOutIsGenerated)
{
    const std::map<std::string, std::string> named = PathsInGameSources();
    // The front end's own files are always among them.
    ASSERT_TRUE(named.count("Graphics\\Textures\\Title.dds"));
    ASSERT_TRUE(named.count("Data\\Sound.cfg"));
    const std::vector<std::string>& list = datagen::SampleDataPaths();
    const std::set<std::string> generated(list.begin(), list.end());
    for (const auto& [path, source] : named)
        EXPECT_TRUE(generated.count(path)) << path << " (named in src/" << source << ") is not in the sample data set";
}
