#pragma once
// The object that stands before any device: display modes of the one adapter,
// capabilities, format checks and device creation.

#include "backend/gpu/GpuRefCounted.h"
#include "backend/gpu/GpuTypes.h"

#include <optional>
#include <vector>

namespace backend {

class GpuDevice;

// Calls a test can make fail once (the next call of that kind fails).
// NewDeviceCaps: the next device made fails its first GetDeviceCaps.
enum class GpuSystemFault { GetAdapterDisplayMode, EnumAdapterModes, GetDeviceCaps, CreateDevice, NewDeviceCaps };

class GpuSystem : public GpuRefCounted {
public:
    uint32_t GetAdapterCount() const { return 1; }
    GpuResult GetAdapterDisplayMode(uint32_t adapter, GpuDisplayMode* mode);
    uint32_t GetAdapterModeCount(uint32_t adapter);
    GpuResult EnumAdapterModes(uint32_t adapter, uint32_t mode, GpuDisplayMode* out);
    GpuResult CheckDeviceType(uint32_t adapter, GpuDeviceType type, GpuFormat displayFormat, GpuFormat backBufferFormat,
                              bool windowed);
    GpuResult CheckDeviceFormat(uint32_t adapter, GpuDeviceType type, GpuFormat adapterFormat, uint32_t usage,
                                GpuResourceType resourceType, GpuFormat checkFormat);
    GpuResult GetDeviceCaps(uint32_t adapter, GpuDeviceType type, GpuCaps* caps);
    // Makes the GL context in the window and a device on it. Both device
    // types and all behaviour flags give the same device.
    GpuResult CreateDevice(uint32_t adapter, GpuDeviceType type, NativeWindow* window, uint32_t behaviourFlags,
                           GpuPresentParameters* parameters, GpuDevice** device);

    // Test hooks.
    void FailNext(GpuSystemFault fault);
    // Replaces the Caps2 bits that this object and its devices report.
    void OverrideCaps2(std::optional<uint32_t> caps2) { caps2Override = caps2; }
    // Replaces the adapter's modes (and the desktop mode, the first entry).
    void OverrideModes(std::vector<GpuDisplayMode> replacement) { modesOverride = std::move(replacement); }

    // What a device reports: filled from the GL context's limits.
    void FillCaps(GpuCaps* caps, uint32_t maxTextureSize, uint32_t maxAnisotropy) const;

private:
    friend GpuSystem* CreateGpuSystem();
    GpuSystem();
    ~GpuSystem() override;
    bool TakeFault(GpuSystemFault fault);
    const std::vector<GpuDisplayMode>& Modes();

    uint32_t pendingFaults = 0;
    std::optional<uint32_t> caps2Override;
    std::vector<GpuDisplayMode> modesOverride;
    std::vector<GpuDisplayMode> modes;
    bool videoStarted = false;
};

// Starts SDL's video subsystem when needed; null when it cannot start.
GpuSystem* CreateGpuSystem();

} // namespace backend
