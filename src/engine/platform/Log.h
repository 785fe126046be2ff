#pragma once
// The progress log and the error report. The log writes only while
// g_LogEnabled is set; the texts are formed either way.

#include <ostream>
#include <string>
#include <utility>

// Where the log writes; std::clog unless a test points it elsewhere.
extern std::ostream* g_Log;
extern bool g_LogEnabled;
// The text of the last reported error, shown in a message box at shut-down.
extern std::string g_LastError;

void LogMessage(const char* text);
// printf-style; a formatted line holds at most 511 characters.
void LogFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogNumber(long value);
void LogResult(bool success);

// Logs `detail` (or "FAILED") when logIt, keeps `message` as the last error and
// returns false, so that a failing operation can return its result.
bool ReportError(const char* message, bool logIt = true, const char* detail = nullptr);
// ReportError, and a line on stderr naming the file: `reason` says why it
// could not be used (empty: it is not there).
bool ReportFileError(const char* message, const char* path, const std::string& reason);
// ReportError, and a line on stderr with `reason`, for a failure of no file.
bool ReportErrorWithReason(const char* message, const std::string& reason);
// Bytes that are no use: ReportFileError when they came from the file at
// `path` (null or empty: from memory), else ReportError with `reason` logged.
bool ReportRefusedData(const char* message, const char* path, const std::string& reason);
// The game's text for a file that is not there, or for one that is there but
// can't be used.
inline const char* MissingOrRefused(const std::string& reason, const char* missing, const char* refused)
{
    return reason.empty() ? missing : refused;
}
// ReportError's detail from a reason text: null (a plain "FAILED") when it is empty.
inline const char* ErrorDetail(const std::string& reason)
{
    return reason.empty() ? nullptr : reason.c_str();
}

// Around a step the game goes on from when it fails (it plays on without that
// sound): the failure is told on stderr and in the log as it happens, and the
// error kept for shut-down is again the one from before the step. The error is
// moved aside, not copied: a stream's step runs every frame.
class RecoverableStep {
public:
    RecoverableStep() : kept(std::move(g_LastError)) { g_LastError.clear(); }
    ~RecoverableStep() { g_LastError = std::move(kept); }
    RecoverableStep(const RecoverableStep&) = delete;
    RecoverableStep& operator=(const RecoverableStep&) = delete;

private:
    std::string kept;
};

// Shows g_LastError in a message box when there is one; caption "Error" when
// none is given. The window is the owner, or null for none. True when there
// was one to show.
bool ShowLastError(void* window, const char* caption);
