#pragma once
// The local rider's moped: the keyboard into the controls, the chase camera,
// the lap and race clocks, and the controls and state packed for the peers.
// The clocks are shared with the network thread in a network race: whoever
// touches them there holds g_RaceLock.

#include "race/GameMessages.h"
#include "race/Moped.h"

#include <cstdint>

class Camera;

class PlayerMoped : public Moped {
public:
    PlayerMoped() = default;
    ~PlayerMoped() override = default;

    // Throttle, steering and boost from the keyboard; throttle and boost only while racing.
    void ReadKeyboard(bool racing);
    // Puts the camera straight behind the moped, or in front looking back when `lookBack` is 1.
    void PlaceChaseCamera(uint32_t lookBack, Camera* camera);
    // One frame of the camera following its place behind the moped.
    void UpdateChaseCamera(Camera* camera);
    // The moped's reset and the clocks to zero; the camera is left alone.
    void Reset();
    // The clocks advance by `ms` (until the race is finished), then the race state.
    void UpdateRaceClock(uint32_t ms);
    void PackControlMessage(uint8_t message[CONTROL_MESSAGE_SIZE]) const;
    void PackStateMessage(uint8_t message[MOPED_STATE_MESSAGE_SIZE]) const;
    // The race clock set to the host's; the lap clock moves with it but never below zero.
    void SyncRaceTime(uint32_t raceMs);

    uint8_t cameraRealign = 0;
    float cameraYaw = 0.0f; // radians, within [0, 2 pi]
    uint32_t lookBack = 0;
    uint32_t lastLapMs = 0;
    uint32_t lapMs = 0;
    uint32_t totalMs = 0;

private:
    // Where the camera wants to be for `yaw`, and the height it aims from.
    backend::Vector3 ChaseEye(float yaw, float* aimHeight) const;
    // Eye and angles set, view rebuilt.
    void PoseCamera(Camera* camera, const backend::Vector3& eye, float aimHeight) const;
};
