#include "XTestReader.h"

#include <cctype>

namespace datagen_test {

namespace {

bool IsNumber(const std::string& token)
{
    return !token.empty() && (std::isdigit(static_cast<unsigned char>(token[0])) || token[0] == '-');
}

} // namespace

// Splits .x text into tokens: separators and braces stand alone, comments are dropped.
std::vector<std::string> Tokens(const std::string& text)
{
    std::vector<std::string> out;
    std::string current;
    auto flush = [&] {
        if (!current.empty())
            out.push_back(current);
        current.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '#' || (c == '/' && i + 1 < text.size() && text[i + 1] == '/')) {
            flush();
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (c == ';' || c == ',' || c == '{' || c == '}') {
            flush();
            out.push_back(std::string(1, c));
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            flush();
        } else {
            current += c;
        }
    }
    flush();
    return out;
}

// The numbers from `from` up to the next brace or name, separators skipped.
std::vector<double> NumbersAfter(const std::vector<std::string>& tokens, size_t from)
{
    std::vector<double> out;
    if (from < tokens.size() && tokens[from] == "{")
        ++from;
    for (size_t i = from; i < tokens.size(); ++i) {
        if (tokens[i] == ";" || tokens[i] == ",")
            continue;
        if (!IsNumber(tokens[i]))
            break;
        out.push_back(std::stod(tokens[i]));
    }
    return out;
}

bool ReadFirstXMesh(const std::string& text, std::vector<datagen::Float3>& positions,
                    std::vector<std::vector<uint32_t>>& faces)
{
    const std::vector<std::string> tokens = Tokens(text);
    size_t at = 0;
    while (at < tokens.size() && tokens[at] != "Mesh")
        ++at;
    while (at < tokens.size() && tokens[at] != "{")
        ++at;
    const std::vector<double> n = NumbersAfter(tokens, at);
    if (n.empty())
        return false;
    const size_t count = static_cast<size_t>(n[0]);
    if (n.size() < 2 + count * 3)
        return false;
    positions.clear();
    for (size_t i = 0; i < count; ++i)
        positions.push_back({float(n[1 + 3 * i]), float(n[2 + 3 * i]), float(n[3 + 3 * i])});
    size_t k = 1 + count * 3;
    const size_t faceCount = static_cast<size_t>(n[k++]);
    faces.clear();
    for (size_t f = 0; f < faceCount; ++f) {
        if (k >= n.size())
            return false;
        const size_t corners = static_cast<size_t>(n[k++]);
        if (k + corners > n.size())
            return false;
        std::vector<uint32_t> face;
        for (size_t c = 0; c < corners; ++c) {
            const double index = n[k++];
            if (index < 0 || index >= double(count))
                return false;
            face.push_back(static_cast<uint32_t>(index));
        }
        faces.push_back(face);
    }
    return true;
}

} // namespace datagen_test
