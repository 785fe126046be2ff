#pragma once
// One race on one track: the mopeds' models, the local rider's moped, the
// track, the chase camera, the physics world, the heads-up display and the
// race's clocks and sounds. The front end makes one race at a time and drives
// it once per frame: HandleInput, Update, Draw; Release and Restore around a
// lost device. A derived race sizes the physics pools and ends the race.

#include "race/BoostMeter.h"
#include "race/CountDown.h"
#include "race/Minimap.h"
#include "race/MopedModel.h"
#include "race/PlayerMoped.h"
#include "race/SpeedMeter.h"

#include "engine/platform/Stopwatch.h"
#include "engine/platform/Timer.h"
#include "engine/scene/Camera.h"

#include "physics/PhysicsEngine.h"

#include <cstdint>

class BitmapFont;
class Sound;
class Sound3D;
class Track;
struct TCollisionInfo;

enum RacePhase : uint8_t {
    RACEPHASE_NONE = 0,
    RACEPHASE_WAITING = 1,
    RACEPHASE_COUNTDOWN = 2,
    RACEPHASE_RACING = 3,
    RACEPHASE_FINISHED = 4,
};

// Values of Race::nextGameState (the front end's state numbers).
constexpr int32_t RACE_NEXT_NEW_RECORD = 2;
constexpr int32_t RACE_NEXT_BEST_TIMES = 3;
constexpr int32_t RACE_NEXT_RESULTS = 6;

// How long the last lap's time replaces the running lap time.
constexpr uint32_t RACE_LAP_MESSAGE_SECONDS = 5;
// Time from the finish to the end of a single-player race.
constexpr uint32_t RACE_END_DELAY_MS = 5000;
// The world's fixed step per frame.
constexpr float RACE_PHYSICS_STEP = 1.0f / 60.0f;

// The crash sound of the running race; played by Race::OnCollision.
extern Sound3D* g_CrashSound;

class Race {
public:
    Race();
    Race(const Race&) = delete;
    Race& operator=(const Race&) = delete;
    // Frees memory only: the owner calls Release and Destroy first.
    virtual ~Race();

    // Load, CreatePhysics, Reset; false at the first failure (the owner then
    // calls Release and Destroy).
    virtual bool Create(int32_t trackId);
    // Back to the start of the count-down.
    virtual void Reset();
    virtual void HandleInput();
    virtual void Update();
    // Device objects back after a device reset; false at the first failure.
    virtual bool Restore();
    // Device objects given up before a device reset; safe to repeat.
    virtual void Release();
    // Sounds, physics, track and models; safe on a half-made race and when repeated.
    virtual void Destroy();
    virtual bool Load(int32_t trackId);
    virtual bool CreatePhysics();
    virtual void Render();
    virtual void RenderHud(BitmapFont* font);
    virtual void DriveMopeds();
    virtual void UpdateRaceClock(uint32_t ms);
    virtual int32_t GetAnimatedBodyCount();
    virtual int32_t GetRigidBodyCount() = 0;
    virtual int32_t GetGeometryCount() = 0;
    virtual int32_t GetConstraintCount() = 0;
    virtual int32_t GetConstraintSetCount() = 0;

    // The scene, and the heads-up display over it when withHud.
    void Draw(bool withHud, BitmapFont* font);
    // Drops the time spent away (a pause, a device reset) from every race
    // clock, so that it counts as neither frame, lap, recovery, count-down nor
    // message time.
    void ResetTimers();
    // The physics world's contact callback: the crash sound.
    static void OnCollision(TCollisionInfo* info);

    MopedModel mopedModel;
    PlayerMoped playerMoped;
    Track* track = nullptr;
    int32_t trackId = -1;
    Camera camera;
    PhysicsEngine physics;
    SpeedMeter speedMeter;
    CountDown countDown;
    Minimap minimap;
    BoostMeter boostMeter;
    Timer frameTimer;
    Stopwatch lapMessageTimer;
    char lapMessageText[16] = {};
    Sound* newLapSound = nullptr;
    Sound* applauseSound = nullptr;
    uint32_t msSinceFinish = 0;
    uint8_t phase = RACEPHASE_NONE;
    bool isOver = false;
    int32_t nextGameState = 0;
};
