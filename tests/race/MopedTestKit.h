#pragma once
// A moped standing on a track loaded from the generated data set: the headless
// device, the audio manager on the loopback device, the manual clock, the
// race's physics world sized for the track and one moped, and 60 Hz frames.

#include "tracks/TrackTestKit.h"

#include "race/Moped.h"
#include "race/MopedModel.h"

#include "physics/TCollisionInfo.h"

#include <initializer_list>
#include <memory>
#include <vector>

// A race frame on the clock, ms.
constexpr uint32_t MOPED_FRAME_MS = 16;
// Top speed of the moped on level ground without boost, m/s (the driving model's tanh curve).
constexpr float MOPED_TOP_SPEED = 15.58f;

class Sound3D;
class TAnimatedBody;

class MopedTest : public TrackTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The moped of the test; a derived kit may make a derived one.
    virtual std::unique_ptr<Moped> NewMoped();
    // Track, models, world (with room for `extraStatic` static boxes), the moped's bodies, and the
    // moped placed at start place `slot`, reset and its engine started. False at the first failure.
    bool StartMoped(TrackId id, int slot = 0, int extraStatic = 0);
    // Destroys the moped and the physics world; StartMoped may follow.
    void FreeMoped();
    // A static box of `size` centred at `centre`, turned `yaw` about y, with material and group `material`.
    TAnimatedBody* AddStaticBox(const TVec4& centre, const TVec4& size, float yaw, int material);
    // One physics step of 1/60 s, the clock 16 ms on, and an audio frame.
    void StepWorld();
    // Frames of the race: the driving model, the step, the race state.
    void Step(int frames = 1);
    // Steers toward the centre of the road cell after next (the last cell when off the road),
    // as a rider keeping to the road would.
    void SteerAlongRoad();
    // A level floor `length` m long and 14 m wide, clear of the ground, laid ahead of the moped,
    // and the moped standing at its start facing along it. Takes one of the extra static boxes.
    bool StandOnFlat(float length);
    // Ground height under (x, z).
    float GroundAt(float x, float z) const;

    MopedModel mopedModel;
    std::unique_ptr<Moped> moped;
    Sound3D* crashSound = nullptr;

public:
    // Every contact that called back, in order.
    static std::vector<TCollisionInfo> contacts;
};

// Holds exactly `keys` down on a readable keyboard.
void Hold(std::initializer_list<uint8_t> keys);
// The widest gap between a joint's two pivots; infinite when a joint was left out of every constraint set.
float WidestJointGap(const Moped& moped);
// All six bodies' poses, for exact comparisons.
std::vector<TMat44> BodyPoses(const Moped& moped);
