#include "race/BoostMeter.h"

#include "engine/platform/RenderDevice.h"

using namespace backend;

namespace {

constexpr float WHOLE_UV[4] = {0.0f, 0.0f, 1.0f, 1.0f};

} // namespace

bool BoostMeter::Load()
{
    return base.Load("Graphics\\Textures\\BoostBase.dds", 121.0f, 14.0f, 0xFFFFFFFFu, WHOLE_UV) &&
           bar.Load(nullptr, BOOSTMETER_BAR_WIDTH, BOOSTMETER_BAR_HEIGHT, BOOSTMETER_BAR_COLOUR, WHOLE_UV);
}

void BoostMeter::Render(float x, float y, float percent)
{
    RenderDevice& rd = g_RenderDevice;
    rd.ChangeRenderState(D3DRS_ALPHABLENDENABLE, 1);
    base.SetPosition(x, y, 0);
    base.Render();
    rd.RevertRenderState(D3DRS_ALPHABLENDENABLE);

    bar.width = BOOSTMETER_BAR_WIDTH * percent * 0.01f;
    bar.height = BOOSTMETER_BAR_HEIGHT;
    bar.UpdateVertices();
    bar.SetPosition(x + 4.0f, y + 4.0f, 0);
    bar.Render();
}

bool BoostMeter::Restore()
{
    return base.Restore() && bar.Restore();
}

void BoostMeter::Release()
{
    bar.Release();
    base.Release();
}
