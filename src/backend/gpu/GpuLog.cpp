#include "backend/gpu/GpuLog.h"

#include <cstdio>
#include <mutex>

namespace backend {

namespace {

std::mutex g_LogMutex;
GpuLogHook g_LogHook;

} // namespace

void SetGpuLogHook(GpuLogHook hook)
{
    std::lock_guard lock(g_LogMutex);
    g_LogHook = std::move(hook);
}

void GpuLog(const char* line)
{
    GpuLogHook hook;
    {
        std::lock_guard lock(g_LogMutex);
        hook = g_LogHook;
    }
    if (hook) {
        hook(line);
        return;
    }
    std::fprintf(stderr, "%s\n", line);
    std::fflush(stderr);
}

} // namespace backend
