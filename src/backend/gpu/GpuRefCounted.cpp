#include "backend/gpu/GpuRefCounted.h"

namespace backend {

uint32_t GpuRefCounted::Release()
{
    if (refCount == 0)
        return 0;
    uint32_t count = --refCount;
    if (count == 0)
        OnLastRelease();
    return count;
}

} // namespace backend
