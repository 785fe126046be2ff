#include "Autopilot.h"

#include "race/Moped.h"

#include "backend/window/KeyCodes.h"
#include "engine/platform/InputSystem.h"
#include "tracks/TrackSegment.h"

#include <algorithm>
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
constexpr float GRAVITY = 9.81f;
// The tangent of the lean a bend is taken at (35 degrees): from about 37 on
// the handlebar and body boxes touch the road and the moped falls.
constexpr float LEAN_TANGENT = 0.7f;
// Steering holds the lean at this cosine of the tilt (33 degrees) at most.
constexpr float MOST_LEAN_COSINE = 0.84f;
// What the front brake takes off the speed per second, on the safe side.
constexpr float BRAKING = 5.0f;
constexpr int LOOK_AHEAD_CELLS = 8;

// The fastest the moped may go now and still brake in time to a speed at
// which each turn of the road ahead needs no more than the allowed lean.
float SafeSpeed(const Moped& moped, const TrackSegment* cell)
{
    auto apart = [](const TrackSegment* a, const TrackSegment* b) {
        return std::hypot(b->centre.x - a->centre.x, b->centre.z - a->centre.z);
    };
    float safe = INFINITY;
    // To the gate where the road turns from `cell`'s direction to the next cell's.
    float distance = std::hypot(cell->next->centre.x - moped.position.x, cell->next->centre.z - moped.position.z);
    for (int k = 0; k < LOOK_AHEAD_CELLS; ++k, cell = cell->next) {
        if (k > 0)
            distance += apart(cell, cell->next);
        const backend::Vector3& from = cell->direction;
        const backend::Vector3& to = cell->next->direction;
        const float turn = std::fabs(std::atan2(from.x * to.z - from.z * to.x, from.x * to.x + from.z * to.z));
        const float span = 0.5f * (apart(cell, cell->next) + apart(cell->next, cell->next->next));
        if (turn > 0.0f) {
            const float bendSpeedSquared = GRAVITY * LEAN_TANGENT * span / turn;
            safe = std::min(safe, std::sqrt(bendSpeedSquared + 2.0f * BRAKING * distance));
        }
    }
    return safe;
}

} // namespace

void Autopilot::Press(const Moped& moped, uint32_t frameMs)
{
    uint8_t* keys = g_InputSystem.keys;
    g_InputSystem.keyboardValid = true;
    keys[backend::DIK_UP] = KEY_DOWN;
    keys[backend::DIK_DOWN] = 0;
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
        if (road.currentSegment != nullptr && moped.speed > SafeSpeed(moped, road.currentSegment)) {
            keys[backend::DIK_UP] = 0;
            keys[backend::DIK_DOWN] = KEY_DOWN;
        }
        // No farther into a lean that is already as deep as it may go.
        const bool deep = moped.up.y < MOST_LEAN_COSINE;
        if (judged > DEAD_ANGLE && !(deep && moped.right.y < 0.0f))
            keys[backend::DIK_RIGHT] = KEY_DOWN;
        else if (judged < -DEAD_ANGLE && !(deep && moped.right.y > 0.0f))
            keys[backend::DIK_LEFT] = KEY_DOWN;
    }

    // Standing still counts only once the race lets the throttle open, not on the grid.
    slowMs = moped.speed < STUCK_SPEED && moped.throttle == THROTTLE_ACCELERATE ? slowMs + frameMs : 0;
    if (slowMs > STUCK_MS) {
        keys[backend::DIK_R] = KEY_DOWN;
        slowMs = 0;
    }
}
