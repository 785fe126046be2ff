#pragma once
// What the GL driver reads from the environment when it loads: set once at the
// start of a program, before any other thread or any GL context exists.

#include <cstdlib>

namespace backend {

// Mesa's software rasteriser (llvmpipe, 22.x) drops a scene's fence as soon as
// it reads the fence as signalled, without the fence's lock, while the
// rasteriser thread that signalled it may still be inside the broadcast of its
// condition variable. A rasteriser thread preempted there (a starved core)
// signals freed memory and hangs, and every later wait on it with it. Without
// rasteriser threads every scene is drawn on the calling thread. Hardware
// drivers do not read this variable; a value set by the user is kept.
inline void UseSerialSoftwareRasteriser()
{
    setenv("LP_NUM_THREADS", "0", 0);
}

} // namespace backend
