#pragma once
// The window and the device (800 x 600 unless given) a bench loads onto and draws with.

namespace backend {
struct NativeWindow;
}

class BenchDevice {
public:
    // With `fixedStates`, the device takes the game's fixed render and sampler states.
    BenchDevice(const char* className, bool fixedStates, int width = 800, int height = 600);
    ~BenchDevice();
    BenchDevice(const BenchDevice&) = delete;
    BenchDevice& operator=(const BenchDevice&) = delete;

    // Offscreen video, software GL and silent sound, unless the environment already chose.
    static void UseHeadlessDrivers();

    bool ready = false;

private:
    const char* className;
    backend::NativeWindow* window = nullptr;
};
