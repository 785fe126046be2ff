#pragma once
// Another player's moped as simulated here: driven by the local driving model
// from the controls that player sends, and pulled toward the state it reports
// every 10th frame, 6% of the way per frame until within 0.2 units.

#include "race/GameMessages.h"
#include "race/Moped.h"

#include <cstdint>

class RemoteMoped : public Moped {
public:
    RemoteMoped();
    ~RemoteMoped() override;

    // Loaded, its bodies made, placed at `start`, reset and its engine started. On a
    // failure the half-made moped is destroyed (nothing of it stays in the world) and
    // false returned; the caller then deletes it and must not drive it.
    bool Create(Track* raceTrack, MopedModel* mopedModel, PhysicsEngine* physics, const TVec4* start);
    void Reset();
    // Throttle, steering (3 leaves it as it is) and boost from a packed control message.
    void ApplyControlMessage(const uint8_t message[CONTROL_MESSAGE_SIZE]);
    // The race state of the simulated moped; the milliseconds are not used.
    void UpdateRaceClock(uint32_t ms);
    // One frame of the pull toward `stateMessage`, taken whole when `force`; true while
    // it is still more than 0.2 units away. A state with a non-finite or out-of-range
    // value, and a moped without its bodies, change nothing and give false.
    bool ApplyState(bool force);
    // All six bodies made.
    bool IsComplete() const;

    uint8_t stateMessage[MOPED_STATE_MESSAGE_SIZE] = {};
    float rearWheelAngle = 0.0f; // turn of the tyres, within [0, 2 pi)
};
