// Two threads write one int with nothing ordering the writes, on purpose: the
// report must end the program there.

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

// Volatile: the compiler keeps writes nobody reads.
volatile int g_Shared = 0;
std::atomic<bool> g_Written{false};

} // namespace

int main()
{
    std::thread writer([] {
        g_Shared = 1;
        // Relaxed: the main thread writes after this one without being ordered after it.
        g_Written.store(true, std::memory_order_relaxed);
    });
    while (!g_Written.load(std::memory_order_relaxed))
        std::this_thread::yield();
    g_Shared = 2;
    std::printf("went on past the race\n");
    std::fflush(stdout);
    writer.join();
    return 0;
}
