#include "Autopilot.h"

#include "race/Moped.h"

#include "backend/window/KeyCodes.h"
#include "engine/platform/InputSystem.h"
#include "tracks/TrackSegment.h"

#include <cmath>

namespace {

constexpr uint8_t KEY_DOWN = 0x80;
// Within this angle of the target it rides straight on.
constexpr float DEAD_ANGLE = 0.05f;
// The angle to the target is judged as it will be this many frames on at its
// present rate, as a rider lets go of the key before the moped points there.
constexpr float ANTICIPATION_FRAMES = 15.0f;
constexpr float TWO_PI = 6.2831853f;
constexpr float STUCK_SPEED = 0.5f;
constexpr uint32_t STUCK_MS = 3000;

} // namespace

void Autopilot::Press(const Moped& moped, uint32_t frameMs)
{
    uint8_t* keys = g_InputSystem.keys;
    g_InputSystem.keyboardValid = true;
    keys[backend::DIK_UP] = KEY_DOWN;
    keys[backend::DIK_LEFT] = 0;
    keys[backend::DIK_RIGHT] = 0;
    keys[backend::DIK_R] = 0;

    const TrackProgress& road = moped.progress;
    const TrackSegment* cell = road.currentSegment != nullptr ? road.currentSegment : road.lastSegment;
    for (int ahead = 0; road.currentSegment != nullptr && ahead < 2 && cell->next != nullptr; ++ahead)
        cell = cell->next;
    if (cell != nullptr) {
        const float tx = cell->centre.x - moped.position.x, tz = cell->centre.z - moped.position.z;
        const float fx = moped.forward.x, fz = moped.forward.z;
        // Positive when the target lies to the right (clockwise seen from above).
        const float angle = std::atan2(fz * tx - fx * tz, fx * tx + fz * tz);
        const float rate = steered ? std::remainder(angle - lastAngle, TWO_PI) : 0.0f;
        const float judged = angle + rate * ANTICIPATION_FRAMES;
        lastAngle = angle;
        steered = true;
        if (judged > DEAD_ANGLE)
            keys[backend::DIK_RIGHT] = KEY_DOWN;
        else if (judged < -DEAD_ANGLE)
            keys[backend::DIK_LEFT] = KEY_DOWN;
    }

    slowMs = moped.speed < STUCK_SPEED ? slowMs + frameMs : 0;
    if (slowMs > STUCK_MS) {
        keys[backend::DIK_R] = KEY_DOWN;
        slowMs = 0;
    }
}
