// Menu: the scrolling credits.

#include "app/Menu.h"

namespace {

constexpr uint32_t WHITE = 0xFFFFFFFFu;
constexpr uint32_t GREEN = 0xFF00FF00u;
constexpr int ALIGN_CENTRE = 1;

const char* const ROLE_HEADINGS = "Game Design\n\n\nProgramming\n\n\n2D Graphics\n\n\n3D Graphics\n\n\n\nTrack "
                                  "Design\n\n\nSound Effects\n\n\nMusic\n\n\n\n\nTesting\n\n\n\n\nThanks To";

// One line below the headings, so that each group of lines sits under its
// heading; the blank lines fall on the headings.
const char* const ROLE_LINES = "The Vantrel design team\n"
                               "with ideas from our riders\n"
                               "\n"
                               "The Vantrel programming team\n"
                               "engine, physics and network\n"
                               "\n"
                               "The Vantrel art team\n"
                               "menus, fonts and textures\n"
                               "\n"
                               "The Vantrel art team\n"
                               "mopeds and riders\n"
                               "scenery and landscapes\n"
                               "\n"
                               "The Vantrel track builders\n"
                               "ten tracks, three laps each\n"
                               "\n"
                               "The Vantrel sound team\n"
                               "engines, crowds and weather\n"
                               "\n"
                               "The Vantrel music team\n"
                               "menu theme\n"
                               "and one piece per track\n"
                               "played in a loop\n"
                               "\n"
                               "The Vantrel test riders\n"
                               "who crashed a lot\n"
                               "on every track\n"
                               "in every weather\n"
                               "\n"
                               "Everyone who rode along\n"
                               "early builds\n"
                               "and sent their times\n"
                               "and their bug reports\n"
                               "and you, for playing";

const char* const THANKS =
    "I would also like to thank to my friends\nand family for support and good advice.\nWithout you "
    "this wouldn't have been possible.";

} // namespace

void Menu::RenderCredits(BitmapFont& font)
{
    const float s = creditsScrollY;
    highlightFont.DrawText("Credits", 490.0f, s + 460.0f, 0.8f, 0.0f, WHITE, ALIGN_CENTRE);
    font.DrawText(ROLE_HEADINGS, 490.0f, s + 546.0f, 0.8f, 0.0f, GREEN, ALIGN_CENTRE);
    font.DrawText(ROLE_LINES, 490.0f, s + 568.0f, 0.8f, 0.0f, WHITE, ALIGN_CENTRE);
    font.DrawText(THANKS, 490.0f, s + 1452.0f, 0.6f, 0.0f, WHITE, ALIGN_CENTRE);
    font.DrawText("Vantrel is linked with\n", 490.0f, s + 1540.0f, 0.6f, 0.0f, GREEN, ALIGN_CENTRE);
    font.DrawText("Ogg Vorbis audio (libvorbis), (C) 2002-2020 Xiph.Org Foundation", 490.0f, s + 1562.0f, 0.6f, 0.0f,
                  WHITE, ALIGN_CENTRE);
    font.DrawText("Vantrel rigid-body physics engine, (C) 2026 the Vantrel developers", 490.0f, s + 1584.0f, 0.6f, 0.0f,
                  WHITE, ALIGN_CENTRE);
    physicsLogo.SetPosition(440.0f, s + 1628.0f, 0);
    physicsLogo.Render();
}
