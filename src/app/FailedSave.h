#pragma once
// A save that did not happen: the player sees `message` in a box, and stderr
// says which file and why.

#include <string>

void ReportFailedSave(const char* message, const std::string& reason);
