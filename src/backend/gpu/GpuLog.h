#pragma once
// Lines the GPU backend has to tell someone about, such as a state it is
// asked for but does not draw. They go to stderr unless a hook takes them;
// the engine points the hook at its log.

#include <functional>

namespace backend {

using GpuLogHook = std::function<void(const char* line)>;
// An empty hook sends the lines to stderr again.
void SetGpuLogHook(GpuLogHook hook);
void GpuLog(const char* line);

} // namespace backend
