#include "race/Moped.h"

#include "race/MopedModel.h"

#include "audio/Sound3D.h"
#include "audio/SoundDefinitionManager.h"
#include "engine/platform/Log.h"
#include "physics/TRigidBody.h"
#include "tracks/Track.h"

#include <cmath>
#include <cstdio>
#include <vector>

using backend::Vector3;

namespace {

constexpr float POWER_SCALE = 0.2222222f;
constexpr float FALLEN_SPEED = 1.0f;
constexpr float FALLEN_UP = 0.6f;
constexpr float FADE_STEP = 0.05f;
constexpr const char* GEAR_CHANGE_SOUND = "Audio\\Sounds\\GearChange.wav";
constexpr const char* ENGINE_START_SOUND = "Audio\\Sounds\\EngineStart.wav";

Vector3 ToVector3(const TVec4& v)
{
    return {v.x, v.y, v.z};
}

// Plays a pooled instance of `name` at the moped and hands it back at once; it plays on.
void PlayOnce(const char* name, const Vector3& where, const Vector3& moving)
{
    SoundDefinitionManager* definitions = GetSoundDefinitionManager();
    Sound3D* sound = definitions->Create3DInstance(name);
    if (sound == nullptr)
        return;
    sound->SetPosition(&where);
    sound->SetVelocity(&moving);
    sound->Play();
    definitions->Release3DInstance(name, sound);
}

constexpr int32_t PRELOADED_PER_MOPED = 2;

} // namespace

void Moped::PreloadSounds(int32_t mopedCount)
{
    SoundDefinitionManager* definitions = GetSoundDefinitionManager();
    std::vector<Sound3D*> taken;
    for (const char* name : {GEAR_CHANGE_SOUND, ENGINE_START_SOUND}) {
        // All taken before any goes back, so each one handed out is a distinct instance.
        taken.clear();
        for (int32_t i = 0; i < mopedCount * PRELOADED_PER_MOPED; ++i) {
            Sound3D* sound = definitions->Create3DInstance(name);
            if (sound == nullptr)
                break;
            taken.push_back(sound);
        }
        for (Sound3D* sound : taken)
            definitions->Release3DInstance(name, sound);
    }
}

float Moped::ShiftPoint(int gearIndex, float power)
{
    const float k = power * POWER_SCALE - 1.0f;
    const GearInfo& row = g_GearTable[gearIndex];
    return (k * row.boostScale + 1.0f) * row.upshiftRate;
}

void Moped::UpdateRaceState()
{
    world = body->GetTransform();
    right = world.row[0];
    up = world.row[1];
    forward = world.row[2];
    position = world.row[3];
    velocity = body->GetVelocity();
    speed = Length3(velocity);

    const float front = Dot3(frontTyre->GetAngularVelocity(), frontTyre->GetTransform().row[0]);
    const float rear = Dot3(rearTyre->GetAngularVelocity(), right);
    wheelRate = std::fabs(front) * TYRE_RADIUS;
    engineRate = std::fabs(rear) * TYRE_RADIUS;
    driveDirection = rear > 0.0f ? 1 : front < 0.0f ? 2 : 0;

    const Vector3 where = ToVector3(position);
    progress.Update(&track->trackData, &where);

    const TrackSegment* cell = progress.currentSegment;
    wrongDirection = 0;
    if (cell != nullptr && driveDirection == 1 &&
        cell->gatePlane[0] * forward.x + cell->gatePlane[2] * forward.z < 0.0f)
        wrongDirection = 1;

    if (status == MOPEDSTATUS_RECOVERING)
        status = MOPEDSTATUS_NORMAL;

    if (progress.lap == RACE_LAP_COUNT) {
        recoveryTimer.Stop();
    } else if (recoverRequest != 0) {
        if (status == MOPEDSTATUS_NORMAL)
            status = MOPEDSTATUS_RECOVER_REQUEST | MOPEDSTATUS_MESSAGE;
        UpdateRecovery();
    } else if (speed < FALLEN_SPEED && std::fabs(up.y) < FALLEN_UP) {
        if (status == MOPEDSTATUS_NORMAL)
            status = MOPEDSTATUS_FALLEN | MOPEDSTATUS_MESSAGE;
        UpdateRecovery();
    } else if (cell == nullptr) {
        // Measured in the ground plane: the cell centres lie at height 0 whatever the road's height.
        const TrackSegment* last = progress.lastSegment;
        if (last != nullptr &&
            std::hypot(position.x - last->centre.x, position.z - last->centre.z) > MOPED_OFF_TRACK_DISTANCE) {
            if (status == MOPEDSTATUS_NORMAL)
                status = MOPEDSTATUS_OUT_OF_TRACK | MOPEDSTATUS_MESSAGE;
            UpdateRecovery();
        }
    } else if ((status & MOPEDSTATUS_MESSAGE) != 0) {
        status = MOPEDSTATUS_NORMAL;
        recoveryTimer.Stop();
    }

    const bool gearChanged = SelectGear();

    riderFrame = static_cast<int32_t>((steerAngle / MOPED_STEER_LIMIT + 1.0f) * 30.0f);

    const Vector3 behind = ToVector3(-forward);
    smoke.position = ToVector3(TransformPoint(world, model->exhaustPosition));
    smoke.direction = behind;
    smoke.Update();
    backLight.basePosition = ToVector3(TransformPoint(world, model->backLightPosition));
    backLight.direction = behind;
    backLight.Update();

    UpdateEngineSound(gearChanged);
}

bool Moped::SelectGear()
{
    const int32_t old = gear;
    if (driveDirection == 2) {
        gear = throttle == THROTTLE_ACCELERATE ? 1 : throttle == THROTTLE_BRAKE ? -1 : 0;
        return gear != old;
    }
    if (gear == -1)
        gear = 0;
    const int32_t g = gear;
    const float upShift = ShiftPoint(g, enginePower);
    const float downShift = g >= 1 ? std::max(ShiftPoint(g - 1, enginePower), 0.0f) : 0.0f;
    if (throttle == THROTTLE_ACCELERATE) {
        if (g < 4 && engineRate > upShift)
            ++gear;
        else if (engineRate < downShift - enginePower * POWER_SCALE)
            --gear;
    } else {
        if (downShift > engineRate)
            --gear;
        else if (g > 0 && g < 4 && engineRate > upShift)
            ++gear;
    }
    if (gear == g)
        return false;
    driveTorque = 0.0f;
    return true;
}

void Moped::UpdateRecovery()
{
    if (recoveryTimer.running) {
        recoveryTimer.Update();
        if (recoveryTimer.expired) {
            Recover();
            recoveryTimer.Stop();
        }
    } else {
        recoveryTimer.Reset();
        recoveryTimer.Start();
    }
}

void Moped::Recover()
{
    if (progress.currentSegment != nullptr) {
        const TVec4 here = position;
        SetPosition(&here);
    } else if (progress.lastSegment != nullptr) {
        const Vector3& centre = progress.lastSegment->centre;
        const TVec4 there = Vec(centre.x, centre.y, centre.z, 1.0f);
        SetPosition(&there);
    } else {
        LogMessage("\nRecovering not possible! Report to Morvane Software of this bug.");
    }
    recoverRequest = 0;
    status = MOPEDSTATUS_RECOVERING;
}

void Moped::UpdateEngineSound(bool gearChanged)
{
    const Vector3 where = ToVector3(position);
    const Vector3 moving = ToVector3(velocity);
    for (Sound3D* sound : {engineSound, engineIdleSound}) {
        sound->SetPosition(&where);
        sound->SetVelocity(&moving);
    }
    if (gear == 0) {
        if (gearChanged) {
            engineSound->FadeOut(FADE_STEP, true);
            engineIdleSound->FadeIn(FADE_STEP);
        }
    } else {
        if (gearChanged) {
            engineIdleSound->FadeOut(FADE_STEP, true);
            engineSound->FadeIn(FADE_STEP);
        }
        if (gear == -1) {
            engineSound->SetFrequency(0.08f * engineRate + 0.7f);
        } else if (driveDirection == 1) {
            const GearInfo& row = g_GearTable[gear];
            const float low = ShiftPoint(gear - 1, enginePower);
            const float high = ShiftPoint(gear, enginePower);
            engineSound->SetFrequency(row.basePitch + row.pitchRange * (engineRate - low) / (high - low));
        } else {
            engineSound->SetFrequency(g_GearTable[gear].basePitch);
        }
    }
    if (gearChanged)
        PlayOnce(GEAR_CHANGE_SOUND, where, moving);
    if (status == MOPEDSTATUS_RECOVERING) {
        PlayOnce(ENGINE_START_SOUND, where, moving);
        engineIdleSound->FadeIn(0.01f);
    }
}

void Moped::GetGearText(char* out) const
{
    if (gear == -1)
        std::snprintf(out, 4, "R");
    else if (gear == 0)
        std::snprintf(out, 4, "N");
    else
        std::snprintf(out, 4, "%i", gear);
}
