#include "HeapCounter.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <execinfo.h>
#include <pthread.h>
#include <unistd.h>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace {

constexpr int SITE_DEPTH = 12;
constexpr int SITE_COUNT = 256;

struct Site {
    void* frames[SITE_DEPTH];
    int depth;
    uint64_t hits;
};

std::atomic<bool> g_Counting{false};
pthread_t g_Thread;
uint64_t g_Blocks = 0;
uint64_t g_GameBlocks = 0;
bool g_Record = false;
bool g_InRecord = false;
Site g_Sites[SITE_COUNT];
int g_SiteCount = 0;
uint64_t g_Unrecorded = 0;

bool Counted()
{
    return g_Counting.load(std::memory_order_relaxed) && pthread_equal(pthread_self(), g_Thread);
}

[[gnu::noinline]] void Record()
{
    if (!g_Record || g_InRecord)
        return;
    g_InRecord = true;
    void* frames[SITE_DEPTH + 3];
    const int depth = backtrace(frames, SITE_DEPTH + 3);
    // The hook's own frames are left out.
    const int skip = std::min(depth, 3);
    int found = -1;
    for (int i = 0; i < g_SiteCount && found < 0; ++i)
        if (g_Sites[i].depth == depth - skip &&
            std::memcmp(g_Sites[i].frames, frames + skip, sizeof(void*) * size_t(depth - skip)) == 0)
            found = i;
    if (found < 0 && g_SiteCount < SITE_COUNT) {
        found = g_SiteCount++;
        Site& site = g_Sites[found];
        site.depth = std::min(depth - skip, SITE_DEPTH);
        std::memcpy(site.frames, frames + skip, sizeof(void*) * size_t(site.depth));
        site.hits = 0;
    }
    if (found >= 0)
        ++g_Sites[found].hits;
    else
        ++g_Unrecorded;
    g_InRecord = false;
}

// The program's own text: a block asked for from there (the game's operator new included) is the game's.
extern "C" char __executable_start;
extern "C" char etext;

[[gnu::noinline]] void CountMalloc(const void* caller)
{
    if (!Counted())
        return;
    ++g_Blocks;
    if (caller >= &__executable_start && caller < &etext) {
        ++g_GameBlocks;
        Record();
    }
}

} // namespace

extern "C" {

void* malloc(size_t size)
{
    CountMalloc(__builtin_return_address(0));
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size)
{
    CountMalloc(__builtin_return_address(0));
    return __libc_calloc(count, size);
}

void* realloc(void* block, size_t size)
{
    CountMalloc(__builtin_return_address(0));
    return __libc_realloc(block, size);
}

void* memalign(size_t alignment, size_t size)
{
    CountMalloc(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size)
{
    CountMalloc(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size)
{
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    CountMalloc(__builtin_return_address(0));
    void* block = __libc_memalign(alignment, size);
    if (block == nullptr)
        return ENOMEM;
    *out = block;
    return 0;
}

void free(void* block)
{
    __libc_free(block);
}

} // extern "C"

namespace HeapCounter {

void Start()
{
    g_Thread = pthread_self();
    g_Counting = true;
}

void Stop()
{
    g_Counting = false;
}

Counts Read()
{
    return {g_Blocks, g_GameBlocks};
}

void RecordSites(bool on)
{
    if (on) // backtrace loads its unwinder on first use: not while counting
        backtrace(g_Sites[0].frames, 1);
    g_Record = on;
}

void PrintSites(int top)
{
    std::sort(g_Sites, g_Sites + g_SiteCount, [](const Site& a, const Site& b) { return a.hits > b.hits; });
    for (int i = 0; i < std::min(top, g_SiteCount); ++i) {
        std::printf("  %llu blocks from:\n", (unsigned long long)g_Sites[i].hits);
        std::fflush(stdout);
        backtrace_symbols_fd(g_Sites[i].frames, g_Sites[i].depth, STDOUT_FILENO);
    }
    if (g_Unrecorded > 0)
        std::printf("  (%llu blocks from further call sites not kept)\n", (unsigned long long)g_Unrecorded);
}

} // namespace HeapCounter
