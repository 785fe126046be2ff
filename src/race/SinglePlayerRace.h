#pragma once
// The race against the clock: one moped, three laps, and at the end the total
// time against the track's best times decides between name entry and the
// best-times table.

#include "race/Race.h"

class SinglePlayerRace : public Race {
public:
    void Update() override;
    void RenderHud(BitmapFont* font) override;
    int32_t GetRigidBodyCount() override;
    int32_t GetGeometryCount() override;
    int32_t GetConstraintCount() override;
    int32_t GetConstraintSetCount() override;
};

// Marker colour of the player on the single-player map.
constexpr uint32_t SINGLE_PLAYER_MARKER_COLOUR = 0xFF0000FFu;
