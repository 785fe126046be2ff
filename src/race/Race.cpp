#include "race/Race.h"

#include "race/PhysicsMaterials.h"

#include "tracks/Track.h"

#include "audio/AudioListener.h"
#include "audio/AudioManager.h"
#include "audio/Sound.h"
#include "backend/window/KeyCodes.h"
#include "engine/platform/FormatTime.h"
#include "engine/platform/InputSystem.h"
#include "physics/TSimulator.h"

#include <cstring>
#include <string>

using backend::Vector3;

Sound3D* g_CrashSound = nullptr;

namespace {

Vector3 ToVector3(const TVec4& v)
{
    return {v.x, v.y, v.z};
}

bool KeyDown(uint8_t key)
{
    return (g_InputSystem.keys[key] & 0x80) != 0;
}

} // namespace

Race::Race() = default;

Race::~Race() = default;

bool Race::Create(int32_t id)
{
    if (!Load(id) || !CreatePhysics())
        return false;
    Reset();
    return true;
}

void Race::Reset()
{
    const TrackStartPosition& start = track->trackData.startPositions[0];
    const TVec4 place = Vec(start.x, start.y, start.z, 1.0f);
    playerMoped.SetPosition(&place);
    playerMoped.PlaceChaseCamera(0, &camera);
    playerMoped.Reset();
    const Vector3 where = ToVector3(playerMoped.position);
    track->Reset(&where);
    physics.simulator->Advance(RACE_PHYSICS_STEP, 1, nullptr);

    phase = RACEPHASE_COUNTDOWN;
    isOver = false;
    nextGameState = 0;
    msSinceFinish = 0;
    frameTimer.Init(false);
    lapMessageTimer.Init(true, false, 0, RACE_LAP_MESSAGE_SECONDS, 0);
    std::strcpy(lapMessageText, "ERROR");
    countDown.Reset();

    AudioListener* listener = GetAudioManager()->GetListener();
    if (listener != nullptr) {
        const Vector3 still = {0.0f, 0.0f, 0.0f};
        listener->SetRolloffFactor(0.5f);
        listener->SetPosition(&camera.eye);
        listener->SetOrientation(&camera.forward, &camera.up);
        listener->SetVelocity(&still);
    }
    track->StartSounds();
    playerMoped.StartEngineSound();
}

void Race::HandleInput()
{
    playerMoped.ReadKeyboard(phase == RACEPHASE_RACING || phase == RACEPHASE_FINISHED);
    const bool valid = g_InputSystem.keyboardValid;
    if (valid && KeyDown(backend::DIK_B)) {
        if (playerMoped.lookBack == 0 && phase != RACEPHASE_FINISHED)
            playerMoped.PlaceChaseCamera(1, &camera);
    } else if (playerMoped.lookBack != 0) {
        playerMoped.PlaceChaseCamera(0, &camera);
    }
    if (valid && KeyDown(backend::DIK_R))
        playerMoped.recoverRequest = 1;
}

void Race::Update()
{
    if (countDown.counter > -1)
        countDown.Update();
    if (countDown.counter <= 0 && phase == RACEPHASE_COUNTDOWN)
        phase = RACEPHASE_RACING;

    frameTimer.Tick();
    uint32_t ms = static_cast<uint32_t>(frameTimer.deltaSeconds * 1000.0);
    const bool running = phase == RACEPHASE_RACING || phase == RACEPHASE_FINISHED;
    if (!running)
        ms = 0;

    DriveMopeds();
    if (running)
        physics.simulator->Advance(RACE_PHYSICS_STEP, 1, nullptr);
    UpdateRaceClock(ms);

    if (playerMoped.status == MOPEDSTATUS_RECOVERING)
        playerMoped.PlaceChaseCamera(playerMoped.lookBack, &camera);
    else
        playerMoped.UpdateChaseCamera(&camera);
    const Vector3 where = ToVector3(playerMoped.position);
    track->Update(&where);

    AudioListener* listener = GetAudioManager()->GetListener();
    if (listener != nullptr) {
        const Vector3 moving = ToVector3(playerMoped.velocity);
        listener->SetPosition(&camera.eye);
        listener->SetOrientation(&camera.forward, &camera.up);
        listener->SetVelocity(&moving);
    }

    if (playerMoped.progress.lap == RACE_LAP_COUNT) {
        if (phase != RACEPHASE_FINISHED) {
            phase = RACEPHASE_FINISHED;
            if (applauseSound != nullptr)
                applauseSound->Play();
        } else {
            msSinceFinish += ms;
        }
    }

    if (lapMessageTimer.running) {
        if (lapMessageTimer.expired)
            lapMessageTimer.Stop();
        lapMessageTimer.Update();
    }

    if (playerMoped.progress.event == PROGRESS_LAP_COMPLETED) {
        lapMessageTimer.Reset();
        lapMessageTimer.Start();
        std::string text;
        FormatTime(&text, playerMoped.lastLapMs, 3, '.', ',');
        std::strncpy(lapMessageText, text.c_str(), sizeof lapMessageText - 1);
        lapMessageText[sizeof lapMessageText - 1] = '\0';
        if (newLapSound != nullptr)
            newLapSound->Play();
    }
}

void Race::DriveMopeds()
{
    playerMoped.Drive();
}

void Race::UpdateRaceClock(uint32_t ms)
{
    playerMoped.UpdateRaceClock(ms);
}

int32_t Race::GetAnimatedBodyCount()
{
    return track->GetAnimatedBodyCount();
}

void Race::ResetTimers()
{
    frameTimer.Reset();
    playerMoped.recoveryTimer.Resync();
    // The count-down step and the lap message would otherwise end early.
    countDown.stepTimer.Resync();
    lapMessageTimer.Resync();
}

void Race::OnCollision(TCollisionInfo* info)
{
    PlayCrashSound(g_CrashSound, info);
}
