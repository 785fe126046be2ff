#pragma once
// The lens flare of the sunny tracks: the same seven elements and six
// pictures wherever the sun shines; each track sets its own sun direction.

#include "tracks/TrackDefs.h"

// Position 1.0 is the sun end of the flare line as the table gives it.
constexpr FlareElementDef SUN_FLARE_ELEMENTS[] = {
    {1.0f, {1.0f, 0.8f, 0.6f, 1.0f}, 1.0f, 4},  {0.7f, {1.0f, 0.8f, 0.6f, 1.0f}, 0.7f, 3},
    {0.4f, {1.0f, 0.8f, 0.6f, 1.0f}, 0.3f, 2},  {0.25f, {1.0f, 0.8f, 0.6f, 1.0f}, 0.0f, 1},
    {0.4f, {1.0f, 0.8f, 0.6f, 1.0f}, -0.3f, 1}, {0.5f, {1.0f, 0.8f, 0.6f, 1.0f}, -0.6f, 3},
    {2.0f, {1.0f, 1.0f, 1.0f, 1.0f}, -1.0f, 5},
};

constexpr char SUN_FLARE_TEXTURES[6][260] = {
    "Graphics\\Textures\\LensFlare\\Flare0.dds", "Graphics\\Textures\\LensFlare\\Flare1.dds",
    "Graphics\\Textures\\LensFlare\\Flare2.dds", "Graphics\\Textures\\LensFlare\\Flare3.dds",
    "Graphics\\Textures\\LensFlare\\Flare4.dds", "Graphics\\Textures\\LensFlare\\Flare5.dds",
};
