#include "race/Race.h"

#include "backend/gpu/GpuDevice.h"
#include "engine/platform/BitmapFont.h"
#include "engine/platform/FormatTime.h"
#include "engine/platform/RenderDevice.h"

#include <algorithm>
#include <cstdio>
#include <string>

using namespace backend;

namespace {

constexpr uint32_t WHITE = 0xFFFFFFFFu;
constexpr uint32_t GREEN = 0xFF00FF00u;
constexpr int ALIGN_LEFT = 0;
constexpr int ALIGN_CENTRE = 1;
constexpr float LABEL_SCALE = 0.65f;
constexpr float NOTICE_SCALE = 0.55f;
// Recovery notices show only in the last seconds of the count-down.
constexpr uint32_t RECOVER_NOTICE_SECONDS = 5;

void Label(BitmapFont* font, const char* text, float x, float y, uint32_t colour = WHITE)
{
    font->DrawText(text, x, y, LABEL_SCALE, 0.0f, colour, ALIGN_LEFT);
}

void Time(BitmapFont* font, uint32_t ms, float x, float y)
{
    std::string text;
    FormatTime(&text, ms, 3, '.', ',');
    Label(font, text.c_str(), x, y);
}

} // namespace

void Race::RenderHud(BitmapFont* font)
{
    RenderDevice& rd = g_RenderDevice;
    GpuDevice* device = rd.device;
    rd.Begin2D(800.0f, 600.0f);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);

    speedMeter.Render(680.0f, 490.0f, playerMoped.wheelRate);
    char text[32];
    playerMoped.GetGearText(text);
    font->DrawText(text, 732.0f, 541.0f, 0.5f, 0.0f, WHITE, ALIGN_LEFT);
    if (countDown.counter > -1)
        countDown.Render();
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);

    const int32_t lap = playerMoped.progress.lap;
    Label(font, "Lap", 38.0f, 4.0f);
    std::snprintf(text, sizeof text, "%i/3", std::clamp(lap + 1, 1, 3));
    font->DrawText(text, 19.0f, 20.0f, 1.2f, 2.0f, WHITE, ALIGN_LEFT);
    Label(font, "Total Time", 10.0f, 68.0f);
    Time(font, playerMoped.totalMs, 10.0f, 88.0f);
    Label(font, "Lap Time", 10.0f, 108.0f);
    if (lapMessageTimer.running)
        Label(font, lapMessageText, 10.0f, 128.0f, GREEN);
    else
        Time(font, playerMoped.lapMs, 10.0f, 128.0f);
    Label(font, "Boost", 14.0f, 155.0f);
    boostMeter.Render(10.0f, 174.0f, playerMoped.boostAmount);

    const uint32_t status = playerMoped.status;
    const uint32_t seconds = playerMoped.recoveryTimer.seconds;
    if (lap == RACE_LAP_COUNT) {
        font->DrawText("Finished!", 400.0f, 292.0f, LABEL_SCALE, 0.0f, WHITE, ALIGN_CENTRE);
    } else if (status & MOPEDSTATUS_MESSAGE) {
        if (seconds < RECOVER_NOTICE_SECONDS) {
            std::snprintf(text, sizeof text, "Recover in %i seconds", static_cast<int>(seconds) + 1);
            if (status & MOPEDSTATUS_OUT_OF_TRACK) {
                font->DrawText("Out of track!", 400.0f, 286.0f, NOTICE_SCALE, 0.0f, WHITE, ALIGN_CENTRE);
                font->DrawText(text, 400.0f, 298.0f, NOTICE_SCALE, 0.0f, WHITE, ALIGN_CENTRE);
            } else {
                font->DrawText(text, 400.0f, 292.0f, NOTICE_SCALE, 0.0f, WHITE, ALIGN_CENTRE);
            }
        }
    } else if (playerMoped.wrongDirection) {
        font->DrawText("Wrong direction!", 400.0f, 292.0f, NOTICE_SCALE, 0.0f, WHITE, ALIGN_CENTRE);
    }

    rd.ChangeRenderState(D3DRS_ALPHABLENDENABLE, 1);
    minimap.RenderMap();
    rd.RevertRenderState(D3DRS_ALPHABLENDENABLE);
}
