#pragma once
// The 3D side of a sound buffer: position, velocity, cone, distances and mode.
// Settings made with DS3D_DEFERRED wait for the listener's commit. A buffer
// made with DSBCAPS_MUTE3DATMAXDISTANCE is silent at or beyond its maximum
// distance, judged at every commit.

#include "backend/math/MathTypes.h"
#include "backend/sound/SoundTypes.h"

namespace backend {

class SoundBuffer;
class SoundContext;

struct SoundBuffer3DValues {
    Vector3 position;
    Vector3 velocity;
    Vector3 coneOrientation{0, 0, 1};
    uint32_t insideConeAngle = DS3D_MAXCONEANGLE;
    uint32_t outsideConeAngle = DS3D_MAXCONEANGLE;
    int32_t coneOutsideVolume = DSBVOLUME_MAX;
    float minDistance = DS3D_DEFAULTMINDISTANCE;
    float maxDistance = DS3D_DEFAULTMAXDISTANCE;
    uint32_t mode = DS3DMODE_NORMAL;
};

class SoundBuffer3D {
public:
    SoundBuffer3D(SoundContext& context, SoundBuffer& owner);
    ~SoundBuffer3D();
    SoundBuffer3D(const SoundBuffer3D&) = delete;
    SoundBuffer3D& operator=(const SoundBuffer3D&) = delete;

    bool SetPosition(float x, float y, float z, uint32_t apply);
    bool SetVelocity(float x, float y, float z, uint32_t apply);
    bool SetConeOrientation(float x, float y, float z, uint32_t apply);
    bool SetConeAngles(uint32_t inside, uint32_t outside, uint32_t apply);
    bool SetConeOutsideVolume(int32_t volume, uint32_t apply);
    bool SetMinDistance(float distance, uint32_t apply);
    bool SetMaxDistance(float distance, uint32_t apply);
    bool SetMode(uint32_t mode, uint32_t apply);

    // The values in effect.
    const SoundBuffer3DValues& Committed() const { return committed; }
    // True while the buffer is muted for being beyond its maximum distance.
    bool IsMutedByDistance() const { return muted; }

    // Takes over the deferred settings (the listener's commit calls it).
    void Commit() { committed = pending; }
    // Pushes the values in effect to OpenAL against the listener's values.
    void Apply();

private:
    bool Finish(uint32_t apply);

    SoundContext& context;
    SoundBuffer& owner;
    SoundBuffer3DValues pending;
    SoundBuffer3DValues committed;
    bool muted = false;
};

} // namespace backend
