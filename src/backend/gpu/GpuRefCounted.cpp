#include "backend/gpu/GpuRefCounted.h"

namespace backend {

uint32_t GpuRefCounted::Release()
{
    if (m_refCount == 0)
        return 0;
    uint32_t count = --m_refCount;
    if (count == 0)
        OnLastRelease();
    return count;
}

} // namespace backend
