#include "backend/sound/SoundBuffer3D.h"

#include "backend/sound/SoundBuffer.h"
#include "backend/sound/SoundContext.h"
#include "backend/sound/SoundListener3D.h"

#include <cmath>

namespace backend {

namespace {

bool IsFinite(float x, float y, float z)
{
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
}

} // namespace

SoundBuffer3D::SoundBuffer3D(SoundContext& context, SoundBuffer& owner) : context(context), owner(owner)
{
    context.Register3DBuffer(this);
}

SoundBuffer3D::~SoundBuffer3D()
{
    context.Unregister3DBuffer(this);
}

bool SoundBuffer3D::Finish(uint32_t apply)
{
    if (apply == DS3D_IMMEDIATE) {
        // Only this buffer's settings take effect; others stay deferred.
        committed = pending;
        context.Use();
        Apply();
    }
    return true;
}

bool SoundBuffer3D::SetPosition(float x, float y, float z, uint32_t apply)
{
    if (!IsFinite(x, y, z))
        return false;
    pending.position = {x, y, z};
    return Finish(apply);
}

bool SoundBuffer3D::SetVelocity(float x, float y, float z, uint32_t apply)
{
    if (!IsFinite(x, y, z))
        return false;
    pending.velocity = {x, y, z};
    return Finish(apply);
}

bool SoundBuffer3D::SetConeOrientation(float x, float y, float z, uint32_t apply)
{
    if (!IsFinite(x, y, z))
        return false;
    pending.coneOrientation = {x, y, z};
    return Finish(apply);
}

bool SoundBuffer3D::SetConeAngles(uint32_t inside, uint32_t outside, uint32_t apply)
{
    if (inside > DS3D_MAXCONEANGLE || outside > DS3D_MAXCONEANGLE)
        return false;
    pending.insideConeAngle = inside;
    pending.outsideConeAngle = outside;
    return Finish(apply);
}

bool SoundBuffer3D::SetConeOutsideVolume(int32_t volume, uint32_t apply)
{
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX)
        return false;
    pending.coneOutsideVolume = volume;
    return Finish(apply);
}

bool SoundBuffer3D::SetMinDistance(float distance, uint32_t apply)
{
    if (!(distance > 0.0f) || !std::isfinite(distance))
        return false;
    pending.minDistance = distance;
    return Finish(apply);
}

bool SoundBuffer3D::SetMaxDistance(float distance, uint32_t apply)
{
    if (!(distance > 0.0f) || !std::isfinite(distance))
        return false;
    pending.maxDistance = distance;
    return Finish(apply);
}

bool SoundBuffer3D::SetMode(uint32_t mode, uint32_t apply)
{
    if (mode > DS3DMODE_DISABLE)
        return false;
    pending.mode = mode;
    return Finish(apply);
}

void SoundBuffer3D::Apply()
{
    const SoundBuffer3DValues& v = committed;
    const SoundListenerValues& listener = context.Listener().Committed();
    ALuint source = owner.Source();

    // z flips between the game's left-handed frame and OpenAL's.
    bool disabled = v.mode == DS3DMODE_DISABLE;
    alSourcei(source, AL_SOURCE_RELATIVE, v.mode == DS3DMODE_NORMAL ? AL_FALSE : AL_TRUE);
    if (disabled)
        alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
    else
        alSource3f(source, AL_POSITION, v.position.x, v.position.y, -v.position.z);
    alSource3f(source, AL_VELOCITY, v.velocity.x, v.velocity.y, -v.velocity.z);
    alSource3f(source, AL_DIRECTION, v.coneOrientation.x, v.coneOrientation.y, -v.coneOrientation.z);
    alSourcef(source, AL_CONE_INNER_ANGLE, static_cast<float>(v.insideConeAngle));
    alSourcef(source, AL_CONE_OUTER_ANGLE, static_cast<float>(v.outsideConeAngle));
    alSourcef(source, AL_CONE_OUTER_GAIN, MillibelsToGain(v.coneOutsideVolume));
    alSourcef(source, AL_REFERENCE_DISTANCE, v.minDistance);
    alSourcef(source, AL_MAX_DISTANCE, v.maxDistance);
    alSourcef(source, AL_ROLLOFF_FACTOR, disabled ? 0.0f : listener.rolloffFactor);

    // OpenAL holds the gain at the maximum distance; the buffer goes silent.
    bool mute = false;
    if ((owner.Flags() & DSBCAPS_MUTE3DATMAXDISTANCE) && !disabled) {
        double dx = v.position.x, dy = v.position.y, dz = v.position.z;
        if (v.mode == DS3DMODE_NORMAL) {
            dx -= listener.position.x;
            dy -= listener.position.y;
            dz -= listener.position.z;
        }
        mute = std::sqrt(dx * dx + dy * dy + dz * dz) >= v.maxDistance;
    }
    muted = mute;
    owner.SetMuted(mute);
}

} // namespace backend
