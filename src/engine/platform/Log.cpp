#include "engine/platform/Log.h"

#include <cstdarg>
#include <cstdio>
#include <iostream>

std::ostream* g_Log = &std::clog;
bool g_LogEnabled = false;
std::string g_LastError;

void LogMessage(const char* text)
{
    if (g_LogEnabled && g_Log && text)
        *g_Log << text << std::flush;
}

void LogFormat(const char* format, ...)
{
    if (!g_LogEnabled)
        return;
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    LogMessage(buffer);
}

void LogNumber(long value)
{
    if (g_LogEnabled && g_Log)
        *g_Log << value << std::flush;
}

void LogResult(bool success)
{
    LogMessage(success ? "\t\t\tSuccessful!" : "\t\t\tFailed!");
}

namespace {

// One line on stderr: the game's message and, in brackets, what went wrong.
void TellOnStderr(const char* message, const std::string& why)
{
    std::fprintf(stderr, "Vantrel: %s (%s)\n", message ? message : "", why.c_str());
    std::fflush(stderr);
}

} // namespace

bool ReportFileError(const char* message, const char* path, const std::string& reason)
{
    const std::string file = path ? path : "no file named";
    if (reason.empty())
        TellOnStderr(message, file + ": no such file");
    else if (reason.find(file) != std::string::npos)
        TellOnStderr(message, reason);
    else
        TellOnStderr(message, file + ": " + reason);
    return ReportError(message, true, ErrorDetail(reason));
}

bool ReportErrorWithReason(const char* message, const std::string& reason)
{
    TellOnStderr(message, reason);
    return ReportError(message, true, ErrorDetail(reason));
}

bool ReportRefusedData(const char* message, const char* path, const std::string& reason)
{
    if (path != nullptr && *path != '\0')
        return ReportFileError(message, path, reason);
    return ReportError(message, true, ("FAILED: " + reason).c_str());
}

bool ReportError(const char* message, bool logIt, const char* detail)
{
    if (logIt)
        LogMessage(detail ? detail : "FAILED");
    g_LastError = message ? message : "";
    return false;
}
