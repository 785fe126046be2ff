#pragma once
// Just enough of the text ".x" format for the tests: tokens and number runs.

#include <string>
#include <vector>

namespace datagen_test {

// Separators and braces as tokens of their own; "//" and "#" comments dropped.
std::vector<std::string> Tokens(const std::string& text);
// The numbers from `from` (skipping one opening brace) up to the next brace or name.
std::vector<double> NumbersAfter(const std::vector<std::string>& tokens, size_t from);

} // namespace datagen_test
