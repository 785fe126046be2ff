// Entry point of every test program: headless video and silent sound unless the
// caller chose otherwise, then GoogleTest, where a fatal failure ends the test.

#include "backend/gpu/GpuDriverEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>
#include <exception>
#include <memory>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

// Leaks inside the system's graphics, windowing and sound libraries are theirs, not ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libSDL2\n"
           "leak:libGLX\n"
           "leak:libEGL\n"
           "leak:libGL.so\n"
           "leak:libgallium\n"
           "leak:swrast_dri\n"
           "leak:libLLVM\n"
           "leak:libdbus\n"
           "leak:libX11\n"
           "leak:libfontconfig\n"
           "leak:libopenal\n"
           "leak:libglib\n"
           "leak:libgobject\n"
           "leak:libgio\n"
           "leak:libgtk\n"
           "leak:libgdk\n"
           "leak:libpango\n"
           "leak:libcairo\n"
           "leak:libatk\n";
}

// Keeps the software GL driver mapped until the process ends, so that the leak
// report at exit can still name it (and the suppressions above match it).
static void PinGraphicsDriver()
{
    const char* libraries[] = {"libEGL_mesa.so.0", "libGLX_mesa.so.0", "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"};
    for (const char* library : libraries)
        dlopen(library, RTLD_LAZY | RTLD_NODELETE);
}

namespace {

// A failed ASSERT_* returns only from the function it is in. On the main thread
// this turns it into an exception that GoogleTest catches at the test's edge, so
// a failure inside a kit's helper ends the whole test (and the rest of SetUp),
// instead of letting it go on into what the helper failed to set up.
class EndTestOnFatalFailure : public ::testing::EmptyTestEventListener {
public:
    void OnTestPartResult(const ::testing::TestPartResult& result) override
    {
        // Other threads and unwinding destructors cannot carry an exception out.
        if (result.fatally_failed() && std::this_thread::get_id() == mainThread && std::uncaught_exceptions() == 0)
            throw ::testing::AssertionException(result);
    }

private:
    std::thread::id mainThread = std::this_thread::get_id();
};

} // namespace

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    // As in the game; results repeat, and the leak check at exit does not trip
    // over the rasteriser's worker threads.
    backend::UseSerialSoftwareRasteriser();
    PinGraphicsDriver();
    ::testing::InitGoogleTest(&argc, argv);
    // Last in the list, after the printer has shown the failure; GoogleTest owns it.
    ::testing::UnitTest::GetInstance()->listeners().Append(std::make_unique<EndTestOnFatalFailure>().release());
    const int result = RUN_ALL_TESTS();
#if defined(__SANITIZE_ADDRESS__)
    // The leak check now (a leak ends the program), while the threads left
    // stand idle, and not again at exit, where the GL driver's shader cache
    // thread and others end while LeakSanitizer's tracer walks their stacks.
    __lsan_do_leak_check();
#endif
    return result;
}
