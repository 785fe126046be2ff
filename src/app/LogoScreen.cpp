#include "app/LogoScreen.h"

#include "app/DeviceStates.h"
#include "engine/platform/RenderDevice.h"

namespace {

constexpr uint32_t LOGO_SECONDS = 6;
constexpr int ALPHA_STEP = 3;

} // namespace

bool LogoScreen::Load()
{
    const float uv[4] = {0.0009765625f, 0.0009765625f, 1.0009765625f, 1.0009765625f};
    if (!logo.Load("Graphics\\Textures\\Morvane.dds", 512.0f, 512.0f, 0xFFFFFFFFu, uv))
        return false;
    timer.Init(true, false, 0, LOGO_SECONDS, 0);
    return true;
}

void LogoScreen::Update()
{
    timer.Update();
    const uint32_t secondsLeft = timer.minutes * 60 + timer.seconds;
    if (secondsLeft <= 4) {
        if (fadePhase == 0) {
            if (alpha < 254)
                alpha += ALPHA_STEP;
            if (alpha >= 254)
                fadePhase = 1;
        } else if (fadePhase == 2) {
            if (alpha > 2)
                alpha -= ALPHA_STEP;
        }
    }
    if (secondsLeft <= 1)
        fadePhase = 2;
}

void LogoScreen::Render()
{
    g_RenderDevice.Begin2D(800.0f, 600.0f);
    BeginAlphaBlend();
    logo.colour = (uint32_t(alpha) << 24) | 0xFFFFFFu;
    logo.UpdateVertices();
    logo.SetPosition(0.0f, 0.0f, 3);
    logo.Render();
    EndAlphaBlend();
}

void LogoScreen::Release()
{
    logo.Release();
}

bool LogoScreen::Restore()
{
    if (!logo.Restore())
        return false;
    timer.Resync();
    return true;
}
