#include "backend/sound/SoundListener3D.h"

#include "backend/sound/SoundBuffer3D.h"
#include "backend/sound/SoundContext.h"

#include <cmath>

namespace backend {

namespace {

constexpr float SPEED_OF_SOUND = 343.3f;

bool IsFinite(const Vector3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace

SoundListener3D::SoundListener3D(SoundContext& context) : context(context) {}

bool SoundListener3D::Finish(uint32_t apply, void (*copy)(SoundListenerValues&, const SoundListenerValues&))
{
    if (apply == DS3D_IMMEDIATE) {
        copy(committed, pending);
        ApplyAll();
    }
    return true;
}

bool SoundListener3D::SetPosition(float x, float y, float z, uint32_t apply)
{
    Vector3 v{x, y, z};
    if (!IsFinite(v))
        return false;
    pending.position = v;
    return Finish(apply, [](SoundListenerValues& to, const SoundListenerValues& from) { to.position = from.position; });
}

bool SoundListener3D::SetVelocity(float x, float y, float z, uint32_t apply)
{
    Vector3 v{x, y, z};
    if (!IsFinite(v))
        return false;
    pending.velocity = v;
    return Finish(apply, [](SoundListenerValues& to, const SoundListenerValues& from) { to.velocity = from.velocity; });
}

bool SoundListener3D::SetOrientation(const Vector3& front, const Vector3& top, uint32_t apply)
{
    if (!IsFinite(front) || !IsFinite(top))
        return false;
    // The two vectors must span a plane.
    float cx = front.y * top.z - front.z * top.y;
    float cy = front.z * top.x - front.x * top.z;
    float cz = front.x * top.y - front.y * top.x;
    if (cx * cx + cy * cy + cz * cz <= 0.0f)
        return false;
    pending.front = front;
    pending.top = top;
    return Finish(apply, [](SoundListenerValues& to, const SoundListenerValues& from) {
        to.front = from.front;
        to.top = from.top;
    });
}

bool SoundListener3D::SetDistanceFactor(float factor, uint32_t apply)
{
    if (!(factor > 0.0f) || !std::isfinite(factor))
        return false;
    pending.distanceFactor = factor;
    return Finish(apply, [](SoundListenerValues& to, const SoundListenerValues& from) {
        to.distanceFactor = from.distanceFactor;
    });
}

bool SoundListener3D::SetDopplerFactor(float factor, uint32_t apply)
{
    if (!(factor >= 0.0f && factor <= 10.0f))
        return false;
    pending.dopplerFactor = factor;
    return Finish(
        apply, [](SoundListenerValues& to, const SoundListenerValues& from) { to.dopplerFactor = from.dopplerFactor; });
}

bool SoundListener3D::SetRolloffFactor(float factor, uint32_t apply)
{
    if (!(factor >= 0.0f && factor <= 10.0f))
        return false;
    pending.rolloffFactor = factor;
    return Finish(
        apply, [](SoundListenerValues& to, const SoundListenerValues& from) { to.rolloffFactor = from.rolloffFactor; });
}

bool SoundListener3D::CommitDeferredSettings()
{
    committed = pending;
    for (SoundBuffer3D* buffer : context.Buffers3D())
        buffer->Commit();
    ApplyAll();
    return true;
}

void SoundListener3D::ApplyAll()
{
    context.Use();
    alDeferUpdatesSOFT();
    // The game's frame is left-handed; OpenAL's is right-handed: z flips.
    const SoundListenerValues& v = committed;
    alListener3f(AL_POSITION, v.position.x, v.position.y, -v.position.z);
    alListener3f(AL_VELOCITY, v.velocity.x, v.velocity.y, -v.velocity.z);
    ALfloat orientation[6] = {v.front.x, v.front.y, -v.front.z, v.top.x, v.top.y, -v.top.z};
    alListenerfv(AL_ORIENTATION, orientation);
    alSpeedOfSound(SPEED_OF_SOUND / v.distanceFactor);
    alDopplerFactor(v.dopplerFactor);
    for (SoundBuffer3D* buffer : context.Buffers3D())
        buffer->Apply();
    alProcessUpdatesSOFT();
}

} // namespace backend
