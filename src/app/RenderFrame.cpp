// RenderFrame: draws the current state.

#include "app/DeviceStates.h"
#include "app/FrameFunctions.h"
#include "app/FrontEnd.h"
#include "app/LogoScreen.h"
#include "app/Menu.h"
#include "app/NetworkActions.h"
#include "backend/gpu/GpuDevice.h"
#include "engine/platform/ColorPulseTable.h"
#include "engine/platform/DeviceSettings.h"
#include "engine/platform/FormatTime.h"
#include "engine/platform/RenderDevice.h"
#include "race/SinglePlayerRace.h"
#include "tracks/TrackTable.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr uint32_t WHITE = 0xFFFFFFFFu;
constexpr uint32_t GREEN = 0xFF00FF00u;
constexpr int ALIGN_LEFT = 0, ALIGN_CENTRE = 1, ALIGN_RIGHT = 2;

void DrawCursor(const char* text, float y)
{
    const float x = 490.0f + g_Font.GetLineWidth(text, 0.5f, 0.0f) * 0.5f;
    g_Font.DrawText("|", x, y, 0.5f, 0.0f, g_ColorPulses.GetColor(HIGHLIGHT_PULSE), ALIGN_LEFT);
}

void DrawMenuFrame()
{
    g_Menu->RenderBackground();
    g_Menu->RenderHeaderBar();
}

void DrawNewRecord()
{
    DrawMenuFrame();
    g_Menu->highlightFont.DrawText("Congratulations!", 490.0f, 210.0f, 0.8f, 0.0f, WHITE, ALIGN_CENTRE);
    std::string time;
    FormatTime(&time, g_NewRecordTime, 3, '.', ',');
    const std::string line = "You have made a new record: " + time;
    g_Font.DrawText(line.c_str(), 490.0f, 280.0f, 0.6f, 0.0f, WHITE, ALIGN_CENTRE);
    g_Font.DrawText("Enter your name:", 405.0f, 320.0f, 0.6f, 0.0f, WHITE, ALIGN_LEFT);
    g_Font.DrawText(g_PlayerName, 490.0f, 340.0f, 0.5f, 0.0f, WHITE, ALIGN_CENTRE);
    DrawCursor(g_PlayerName, 340.0f);
}

void DrawBestTimes()
{
    DrawMenuFrame();
    if (g_CurrentTrackId >= 0 && g_CurrentTrackId < int(TRACK_COUNT)) {
        const std::string header = std::string(GetTrackDisplayName(TrackId(g_CurrentTrackId))) + " Best Times";
        g_Menu->highlightFont.DrawText(header.c_str(), 515.0f, 200.0f, 0.65f, 0.0f, WHITE, ALIGN_CENTRE);
    }
    for (int row = 0; row < g_BestTimesShownRows; ++row) {
        const float y = 260.0f + 15.0f * float(row);
        const uint32_t colour = row == g_NewRecordIndex ? GREEN : WHITE;
        char rank[16];
        std::snprintf(rank, sizeof(rank), "%i.", row + 1);
        g_Font.DrawText(rank, 355.0f, y, 0.5f, 0.0f, colour, ALIGN_RIGHT);
        if (row < int(g_RaceRecords.size())) {
            std::string time;
            FormatTime(&time, g_RaceRecords[size_t(row)].time, 3, '.', ',');
            g_Font.DrawText(g_RaceRecords[size_t(row)].name, 370.0f, y, 0.5f, 0.0f, colour, ALIGN_LEFT);
            g_Font.DrawText(time.c_str(), 605.0f, y, 0.5f, 0.0f, colour, ALIGN_LEFT);
        } else {
            g_Font.DrawText("-------------------------", 370.0f, y, 0.5f, 0.0f, colour, ALIGN_LEFT);
            g_Font.DrawText("--.--,---", 605.0f, y, 0.5f, 0.0f, colour, ALIGN_LEFT);
        }
    }
}

void DrawTextEntry(const char* header, const char* prompt, const char* text)
{
    DrawMenuFrame();
    g_Menu->highlightFont.DrawText(header, 490.0f, 180.0f, 0.8f, 0.0f, WHITE, ALIGN_CENTRE);
    g_Font.DrawText(prompt, 490.0f, 280.0f, 0.6f, 0.0f, WHITE, ALIGN_CENTRE);
    g_Font.DrawText(text, 490.0f, 300.0f, 0.5f, 0.0f, WHITE, ALIGN_CENTRE);
    DrawCursor(text, 300.0f);
}

void DrawTitle()
{
    g_RenderDevice.Begin2D(800.0f, 600.0f);
    g_TitleImage.SetPosition(0.0f, 0.0f, 3);
    g_TitleImage.Render();
    g_Menu->RenderPhysicsLogo();
    g_Font.DrawText("Press Enter to Start", 220.0f, 550.0f, 1.0f, 0.0f, g_ColorPulses.GetColor(HIGHLIGHT_PULSE),
                    ALIGN_LEFT);
}

void DrawTitleFade()
{
    const uint32_t alpha = g_TitleFade >= 1.0f ? 255u : uint32_t(std::lround(g_TitleFade * 255.0f));
    BeginAlphaBlend();
    g_TitleImage.colour = alpha << 24 | 0xFFFFFFu;
    g_TitleImage.UpdateVertices();
    g_TitleImage.SetPosition(0.0f, 0.0f, 3);
    g_TitleImage.Render();
    EndAlphaBlend();
}

// The race without its display, the panel and "Continue", "Restart", "Retire".
void DrawPauseMenu()
{
    g_SinglePlayerRace->Draw(false, &g_Font);
    g_RenderDevice.SetTextureStageState(0, backend::D3DTSS_MIPFILTER, backend::D3DTEXF_NONE);
    g_RenderDevice.Begin2D(800.0f, 600.0f);
    BeginAlphaBlend();
    g_InGameMenuImage.SetPosition(0.0f, 0.0f, 3);
    g_InGameMenuImage.Render();
    const char* const items[] = {"Continue", "Restart", "Retire"};
    for (int item = 0; item < 3; ++item) {
        const uint32_t colour = item == g_PauseMenuItem ? g_ColorPulses.GetColor(HIGHLIGHT_PULSE) : WHITE;
        g_Font.DrawText(items[item], 400.0f, 273.0f + 18.0f * float(item), 0.6f, 0.0f, colour, ALIGN_CENTRE);
    }
    EndAlphaBlend();
    g_RenderDevice.SetTextureStageState(0, backend::D3DTSS_MIPFILTER, g_DeviceSettings.mipFilter);
}

// The states that draw on the menu's pictures do nothing without a menu.
bool NeedsMenu(GameState state)
{
    return (state >= GAMESTATE_MAIN_MENU && state <= GAMESTATE_MULTIPLAYER_RESULTS) || state == GAMESTATE_TITLE;
}

} // namespace

void RenderFrame()
{
    backend::GpuDevice* device = g_RenderDevice.device;
    const GameState state = g_GameState;
    if (state == GAMESTATE_LOGO)
        device->Clear(0, nullptr, backend::D3DCLEAR_TARGET | backend::D3DCLEAR_ZBUFFER | backend::D3DCLEAR_STENCIL,
                      WHITE, 1.0f, 0);
    else
        device->Clear(0, nullptr, backend::D3DCLEAR_ZBUFFER | backend::D3DCLEAR_STENCIL, 0, 1.0f, 0);
    if (!backend::GpuSucceeded(device->BeginScene()))
        return;
    if (g_Menu != nullptr || !NeedsMenu(state)) {
        if (state == GAMESTATE_MAIN_MENU)
            g_Menu->RenderBackground();
        switch (state) {
        case GAMESTATE_MAIN_MENU:
            g_Menu->Render(g_Font);
            break;
        case GAMESTATE_NEW_RECORD:
            DrawNewRecord();
            break;
        case GAMESTATE_BEST_TIMES:
            DrawBestTimes();
            break;
        case GAMESTATE_MULTIPLAYER_NAME:
            DrawTextEntry("Multiplayer", "Enter your name:", g_PlayerName);
            break;
        case GAMESTATE_JOIN_GAME:
            DrawTextEntry("Join a Game", "Enter the host IP address:", g_TextEntry);
            break;
        case GAMESTATE_MULTIPLAYER_RESULTS:
            DrawNetworkResults();
            break;
        case GAMESTATE_MULTIPLAYER_RACE:
            DrawNetworkRace();
            break;
        case GAMESTATE_LOGO:
            if (g_LogoScreen != nullptr)
                g_LogoScreen->Render();
            break;
        case GAMESTATE_TITLE:
            DrawTitle();
            break;
        case GAMESTATE_PAUSE_MENU:
            if (g_SinglePlayerRace != nullptr)
                DrawPauseMenu();
            break;
        case GAMESTATE_SINGLE_PLAYER_RACE:
            if (g_SinglePlayerRace != nullptr)
                g_SinglePlayerRace->Draw(true, &g_Font);
            break;
        default:
            break;
        }
        if (state == GAMESTATE_MAIN_MENU) {
            g_Menu->RenderHeaderBar();
            if (g_TitleFade > 0.0f)
                DrawTitleFade();
        }
    }
    device->EndScene();
    g_FramePending = true;
}
