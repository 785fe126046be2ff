// Menu: drawing of the screens on the 800 x 600 virtual screen.

#include "app/DeviceStates.h"
#include "app/Menu.h"
#include "audio/AudioManager.h"
#include "engine/platform/FormatTime.h"
#include "engine/platform/RenderDevice.h"
#include "race/RecordsFile.h"
#include "tracks/TrackTable.h"

#include <cstdio>
#include <string>

namespace {

constexpr uint32_t WHITE = 0xFFFFFFFFu;
constexpr uint32_t GREY = 0xFF808080u;
constexpr uint32_t GREEN = 0xFF00FF00u;
constexpr int ALIGN_LEFT = 0, ALIGN_CENTRE = 1, ALIGN_RIGHT = 2;
constexpr int VOLUME_SEGMENTS = 20;

const char* const QUIT_ITEMS[] = {"Yes", "No"};
const char* const MAIN_ITEMS[] = {"Single Player", "Multiplayer", "Options", "Credits", "Quit"};
const char* const SINGLE_PLAYER_ITEMS[] = {"Race!", "Select Track", "Best Times", "Back"};
const char* const MULTIPLAYER_ITEMS[] = {"Host a Game", "Join a Game", "Back"};
const char* const OPTIONS_ITEMS[] = {"Sound Volume", "Music Volume", "Back"};

struct MessageText {
    const char* header;
    const char* text;
};

MessageText GetMessageText(MenuScreen screen)
{
    switch (screen) {
    case MENUSCREEN_NETWORK_ERROR:
        return {"Network Error", "Network initialization failed!\nPress enter or escape to return to main menu."};
    case MENUSCREEN_SESSION_NOT_FOUND:
        return {"Join error", "The host or a game session was not found!\nPress enter or escape to re-enter the IP."};
    case MENUSCREEN_HOST_ERROR:
        return {"Host Error", "Hosting a game session failed!\nPress enter or escape to return to multiplayer menu."};
    case MENUSCREEN_CONNECT_ERROR:
        return {"Join Error", "Connecting to a game session failed!\nThe race was already started, maximum number of\n"
                              "players was reached or there was a connection error.\nPress enter or escape to return "
                              "to multiplayer menu."};
    case MENUSCREEN_INVALID_HOST_IP:
        return {"Invalid Host IP",
                "The host IP address you entered was invalid.\nPress enter or escape and re-enter the IP."};
    case MENUSCREEN_CONNECTION_LOST:
        return {"Connection Error", "The network connection was for some reason lost.\nPress enter or escape to "
                                    "return to multiplayer menu."};
    default:
        return {nullptr, nullptr};
    }
}

} // namespace

int Menu::LitSegments(float volume)
{
    const int lit = int(volume * float(VOLUME_SEGMENTS) + 0.5f);
    return lit < 0 ? 0 : (lit > VOLUME_SEGMENTS ? VOLUME_SEGMENTS : lit);
}

void Menu::RenderBackground()
{
    g_RenderDevice.Begin2D(800.0f, 600.0f);
    background.SetPosition(0.0f, 0.0f, 3);
    background.Render();
    BeginAlphaBlend();
    headerStrip.SetTexture(headers.texture);
    headerStrip.SetPosition(460.0f, 570.0f, 0);
    headerStrip.Render();
    EndAlphaBlend();
}

void Menu::RenderHeaderBar()
{
    BeginAlphaBlend();
    headerBar.SetTexture(headers.texture);
    headerBar.SetPosition(0.0f, 0.0f, 1);
    headerBar.Render();
    EndAlphaBlend();
}

void Menu::RenderPhysicsLogo()
{
    physicsLogo.SetPosition(680.0f, 561.0f, 0);
    physicsLogo.Render();
}

void Menu::RenderItems(const char* const* items, int count, float x, float y, float step, float scale, int align)
{
    for (int i = 0; i < count; ++i) {
        BitmapFont& itemFont = i == selectedItem ? highlightFont : normalFont;
        itemFont.DrawText(items[i], x, y + step * float(i), scale, 0.0f, WHITE, align);
    }
}

void Menu::RenderTrackList(BitmapFont& font, bool withPicture)
{
    if (withPicture && selectedItem >= 0 && selectedItem < int(TRACK_COUNT)) {
        BeginAlphaBlend();
        trackPicture.SetTexture(trackImages[selectedItem].texture);
        trackPicture.SetPosition(405.0f, 260.0f, 0);
        trackPicture.Render();
        EndAlphaBlend();
    }
    for (int i = 0; i < int(TRACK_COUNT); ++i)
        font.DrawText(GetTrackDisplayName(TrackId(i)), 255.0f, 260.0f + 15.0f * float(i), 0.5f, 0.0f,
                      i == selectedItem ? WHITE : GREY, ALIGN_LEFT);
}

void Menu::RenderBestTimes(BitmapFont& font)
{
    for (int row = 0; row < shownBestTimeRows; ++row) {
        const float y = 260.0f + 15.0f * float(row);
        char rank[16];
        std::snprintf(rank, sizeof(rank), "%i.", row + 1);
        font.DrawText(rank, 400.0f, y, 0.5f, 0.0f, WHITE, ALIGN_RIGHT);
        if (row < int(bestTimes.size())) {
            std::string time;
            FormatTime(&time, bestTimes[size_t(row)].time, 3, '.', ',');
            font.DrawText(bestTimes[size_t(row)].name, 415.0f, y, 0.5f, 0.0f, WHITE, ALIGN_LEFT);
            font.DrawText(time.c_str(), 650.0f, y, 0.5f, 0.0f, WHITE, ALIGN_LEFT);
        } else {
            font.DrawText("-------------------------", 415.0f, y, 0.5f, 0.0f, WHITE, ALIGN_LEFT);
            font.DrawText("--.--,---", 650.0f, y, 0.5f, 0.0f, WHITE, ALIGN_LEFT);
        }
    }
}

void Menu::RenderMessage(BitmapFont& font)
{
    const MessageText message = GetMessageText(screen);
    if (message.header == nullptr)
        return;
    highlightFont.DrawText(message.header, 490.0f, 210.0f, 0.8f, 0.0f, WHITE, ALIGN_CENTRE);
    font.DrawText(message.text, 490.0f, 280.0f, 0.6f, 0.0f, WHITE, ALIGN_CENTRE);
}

void Menu::RenderOptions()
{
    highlightFont.DrawText("Options", 490.0f, 180.0f, 0.8f, 0.0f, WHITE, ALIGN_CENTRE);
    RenderItems(OPTIONS_ITEMS, 3, 250.0f, 260.0f, 60.0f, 0.65f, ALIGN_LEFT);
    AudioManager* audio = GetAudioManager();
    const float volumes[2] = {audio->GetSoundVolume(), audio->GetMusicVolume()};
    const float rows[2] = {270.0f, 330.0f};
    for (int bar = 0; bar < 2; ++bar) {
        const int lit = LitSegments(volumes[bar]);
        for (int k = 1; k <= VOLUME_SEGMENTS; ++k) {
            VertexImage& segment = k <= lit ? volumeOn : volumeOff;
            segment.SetPosition(540.0f + 10.0f * float(k - 1), rows[bar], 0);
            segment.Render();
        }
    }
}

void Menu::Render(BitmapFont& font)
{
    g_RenderDevice.Begin2D(800.0f, 600.0f);
    switch (screen) {
    case MENUSCREEN_QUIT_CONFIRM:
        normalFont.DrawText("Are you sure\nyou want to quit?", 490.0f, 200.0f, 0.8f, 0.0f, WHITE, ALIGN_CENTRE);
        (selectedItem == 0 ? highlightFont : normalFont)
            .DrawText(QUIT_ITEMS[0], 410.0f, 340.0f, 0.65f, 0.0f, WHITE, ALIGN_CENTRE);
        (selectedItem == 1 ? highlightFont : normalFont)
            .DrawText(QUIT_ITEMS[1], 570.0f, 340.0f, 0.65f, 0.0f, WHITE, ALIGN_CENTRE);
        break;
    case MENUSCREEN_MAIN:
        RenderItems(MAIN_ITEMS, 5, 400.0f, 215.0f, 50.0f, 0.8f, ALIGN_CENTRE);
        break;
    case MENUSCREEN_SINGLE_PLAYER:
        highlightFont.DrawText("Single Player", 490.0f, 180.0f, 0.8f, 0.0f, WHITE, ALIGN_CENTRE);
        RenderItems(SINGLE_PLAYER_ITEMS, 4, 490.0f, 260.0f, 38.0f, 0.65f, ALIGN_CENTRE);
        break;
    case MENUSCREEN_SELECT_TRACK:
        highlightFont.DrawText("Select Track", 490.0f, 180.0f, 0.8f, 0.0f, WHITE, ALIGN_CENTRE);
        RenderTrackList(font, true);
        break;
    case MENUSCREEN_BEST_TIMES:
        highlightFont.DrawText("Best Times", 490.0f, 180.0f, 0.8f, 0.0f, WHITE, ALIGN_CENTRE);
        RenderTrackList(font, false);
        RenderBestTimes(font);
        break;
    case MENUSCREEN_MULTIPLAYER:
        highlightFont.DrawText("Multiplayer", 490.0f, 180.0f, 0.8f, 0.0f, WHITE, ALIGN_CENTRE);
        RenderItems(MULTIPLAYER_ITEMS, 3, 490.0f, 260.0f, 38.0f, 0.65f, ALIGN_CENTRE);
        break;
    case MENUSCREEN_HOST_GAME:
        highlightFont.DrawText("Host a Game", 490.0f, 180.0f, 0.8f, 0.0f, WHITE, ALIGN_CENTRE);
        font.DrawText("Select track:", 255.0f, 240.0f, 0.6f, 0.0f, GREEN, ALIGN_LEFT);
        RenderTrackList(font, true);
        break;
    case MENUSCREEN_OPTIONS:
        RenderOptions();
        break;
    case MENUSCREEN_CREDITS:
        RenderCredits(font);
        break;
    default:
        RenderMessage(font);
        break;
    }
}
