#include "app/Menu.h"

#include "race/RecordsFile.h"
#include "tracks/TrackTable.h"

#include <string>

namespace {

constexpr float PHYSICS_LOGO_WIDTH = 110.0f, PHYSICS_LOGO_HEIGHT = 29.0f;
constexpr float CREDITS_LOGO_WIDTH = 150.0f, CREDITS_LOGO_HEIGHT = 40.0f;
constexpr float CREDITS_SCROLL_STEP = 0.4f;
constexpr float CREDITS_SCROLL_END = -1668.0f;
constexpr float CREDITS_SCROLL_RESTART = 140.0f;

const float FULL_UV[4] = {0.0f, 0.0f, 1.0f, 1.0f};

bool LoadFont(BitmapFont& font, const char* sheet, bool restore)
{
    if (restore)
        return font.Restore();
    return font.Load(sheet, "Data\\MenuFont.dat", 63.0f, 63.0f, 1024, false);
}

} // namespace

Menu::Menu()
{
    bestTimes.reserve(MAX_RECORDS);
}

bool Menu::LoadPictures(bool restore)
{
    const float backgroundUv[4] = {0.00048828125f, 0.00048828125f, 1.00048828125f, 0.75048828125f};
    const float headerBarUv[4] = {0.00048828125f, 0.001953125f, 1.00048828125f, 0.861328125f};
    const float headerStripUv[4] = {0.00048828125f, 0.884765625f, 0.42236328125f, 1.001953125f};
    const float trackUv[4] = {0.001953125f, 0.001953125f, 0.998046875f, 0.748046875f};
    struct Picture {
        VertexImage* image;
        const char* file;
        float width, height;
        uint32_t colour;
        const float* uv;
    };
    const Picture pictures[] = {
        {&background, "Graphics\\Textures\\Background.dds", 800.0f, 600.0f, 0xFFFFFFFFu, backgroundUv},
        {&headerBar, nullptr, 800.0f, 172.0f, 0xFFFFFFFFu, headerBarUv},
        {&headerStrip, nullptr, 338.0f, 23.0f, 0xFFFFFFFFu, headerStripUv},
        {&physicsLogo, "Graphics\\Textures\\PelloraLogo.dds", PHYSICS_LOGO_WIDTH, PHYSICS_LOGO_HEIGHT, 0xFFFFFFFFu,
         FULL_UV},
        {&volumeOff, nullptr, 6.0f, 24.0f, 0xFF004000u, FULL_UV},
        {&volumeOn, nullptr, 6.0f, 24.0f, 0xFF00FF00u, FULL_UV},
        {&trackPicture, nullptr, 256.0f, 192.0f, 0xFFFFFFFFu, trackUv},
    };
    for (const Picture& picture : pictures) {
        const bool ok =
            restore ? picture.image->Restore()
                    : picture.image->Load(picture.file, picture.width, picture.height, picture.colour, picture.uv);
        if (!ok)
            return false;
    }
    if (!LoadFont(normalFont, "Graphics\\Textures\\MenuFontUp.dds", restore) ||
        !LoadFont(highlightFont, "Graphics\\Textures\\MenuFontDown.dds", restore))
        return false;
    if (!(restore ? headers.Restore() : headers.Load("Graphics\\Textures\\Headers.dds")))
        return false;
    for (uint32_t track = 0; track < TRACK_COUNT; ++track) {
        if (!(restore ? trackImages[track].Restore() : trackImages[track].Load(GetTrackImagePath(TrackId(track)))))
            return false;
    }
    return true;
}

bool Menu::Load()
{
    return LoadPictures(false);
}

bool Menu::Restore()
{
    return LoadPictures(true);
}

void Menu::Release()
{
    for (Texture& image : trackImages)
        image.Release();
    headers.Release();
    highlightFont.Release();
    normalFont.Release();
    trackPicture.Release();
    volumeOn.Release();
    volumeOff.Release();
    physicsLogo.Release();
    headerStrip.Release();
    headerBar.Release();
    background.Release();
}

int Menu::GetItemCount() const
{
    switch (screen) {
    case MENUSCREEN_QUIT_CONFIRM:
        return 2;
    case MENUSCREEN_MAIN:
        return 5;
    case MENUSCREEN_SINGLE_PLAYER:
        return 4;
    case MENUSCREEN_SELECT_TRACK:
    case MENUSCREEN_BEST_TIMES:
    case MENUSCREEN_HOST_GAME:
        return int(TRACK_COUNT);
    case MENUSCREEN_MULTIPLAYER:
    case MENUSCREEN_OPTIONS:
        return 3;
    default:
        return 0;
    }
}

void Menu::SetScreen(MenuScreen newScreen, int item)
{
    screen = newScreen;
    selectedItem = item;
    EnterScreen();
}

bool Menu::NextItem(bool wrap)
{
    const int count = GetItemCount();
    // A screen without items has nothing to move to.
    if (count <= 0)
        return false;
    if (wrap) {
        selectedItem = (selectedItem + 1) % count;
    } else {
        if (selectedItem >= count - 1)
            return false;
        ++selectedItem;
    }
    EnterScreen();
    return true;
}

bool Menu::PreviousItem(bool wrap)
{
    const int count = GetItemCount();
    if (count <= 0)
        return false;
    if (wrap) {
        selectedItem = (selectedItem + count - 1) % count;
    } else {
        if (selectedItem <= 0)
            return false;
        --selectedItem;
    }
    EnterScreen();
    return true;
}

void Menu::EnterScreen()
{
    if (screen == MENUSCREEN_BEST_TIMES) {
        shownBestTimeRows = 0;
        if (selectedItem >= 0 && selectedItem < int(TRACK_COUNT)) {
            const std::string path = BuildTrackRecordsPath(TrackId(selectedItem));
            ReadRecordsFile(path.c_str(), bestTimes);
        } else {
            bestTimes.clear();
        }
    } else if (screen == MENUSCREEN_CREDITS) {
        creditsScrollY = 0.0f;
        physicsLogo.width = CREDITS_LOGO_WIDTH;
        physicsLogo.height = CREDITS_LOGO_HEIGHT;
        physicsLogo.UpdateVertices();
    }
}

void Menu::Update()
{
    if (screen == MENUSCREEN_BEST_TIMES) {
        if (shownBestTimeRows < MAX_RECORDS)
            ++shownBestTimeRows;
    } else if (screen == MENUSCREEN_CREDITS) {
        creditsScrollY -= CREDITS_SCROLL_STEP;
        if (creditsScrollY <= CREDITS_SCROLL_END)
            creditsScrollY = CREDITS_SCROLL_RESTART;
    }
}
