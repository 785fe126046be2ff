#include "race/SpeedMeter.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/math/MatrixMath.h"
#include "engine/platform/RenderDevice.h"

using namespace backend;

namespace {

// Half a texel of a 256 x 256 texture.
constexpr float UV_256[4] = {1.0f / 512, 1.0f / 512, 1.0f + 1.0f / 512, 1.0f + 1.0f / 512};

} // namespace

bool SpeedMeter::Load()
{
    return dial.Load("Graphics\\Textures\\SpeedMeter.dds", 160.0f, 160.0f, 0xFFFFFFFFu, UV_256) &&
           needle.Load("Graphics\\Textures\\SpeedStick.dds", 160.0f, 160.0f, 0xFFFFFFFFu, UV_256);
}

void SpeedMeter::Render(float x, float y, float value)
{
    GpuDevice* device = g_RenderDevice.device;
    Matrix centre, turn, world;
    MatrixTranslation(&centre, x - 400.0f, 300.0f - y, 0.0f);
    device->SetTransform(D3DTS_WORLD, &centre);
    dial.Render();
    MatrixRotationZ(&turn, value * -SPEEDMETER_RADIANS_PER_UNIT);
    MatrixMultiply(&world, &turn, &centre);
    device->SetTransform(D3DTS_WORLD, &world);
    needle.Render();
}

bool SpeedMeter::Restore()
{
    return dial.Restore() && needle.Restore();
}

void SpeedMeter::Release()
{
    needle.Release();
    dial.Release();
}
