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

} // namespace datagen_test
