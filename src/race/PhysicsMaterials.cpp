#include "race/PhysicsMaterials.h"

#include "audio/Sound3D.h"
#include "physics/PhysicsEngine.h"
#include "physics/TSimulator.h"

#include <cmath>

namespace {

struct MaterialValues {
    int index;
    float friction;
    float restitution;
};

constexpr MaterialValues MATERIALS[] = {
    {1, 4.0f, 0.0f},  // moped body, handlebar
    {2, 18.0f, 0.0f}, // tyres
    {3, 10.0f, 0.0f}, // track objects
    {4, 12.0f, 0.0f}, // track objects
    {5, 10.0f, 0.2f}, // track objects
    {6, 1.0f, 0.0f},  // rider
};

// Resolve the contacts and call the collision callback.
constexpr uint32_t RESPONSE_CALLBACK = 3;

constexpr int CRASH_PAIRS[][2] = {{2, 3}, {1, 3}, {6, 3}, {2, 4}, {1, 4}, {6, 4},
                                  {2, 5}, {1, 5}, {6, 5}, {2, 1}, {1, 1}, {6, 1}};

} // namespace

bool SetupPhysicsMaterials(PhysicsEngine* physics)
{
    for (const MaterialValues& material : MATERIALS)
        if (!physics->simulator->SetMaterial(material.index, material.friction, material.restitution))
            return false;
    return true;
}

void SetupCollisionGroups(PhysicsEngine* physics)
{
    TCollisionTable* table = physics->simulator->GetCollisionTable();
    for (const auto& pair : CRASH_PAIRS)
        table->Set(pair[0], pair[1], RESPONSE_CALLBACK);
}

void PlayCrashSound(Sound3D* crashSound, const TCollisionInfo* info)
{
    if (crashSound == nullptr || crashSound->IsPlaying())
        return;
    const backend::Vector3 point = {info->worldPointA.x, info->worldPointA.y, info->worldPointA.z};
    crashSound->SetPosition(&point);
    crashSound->SetFrequency(2.0f);
    const TVec4& impact = info->contactVelocity;
    const float squared = impact.x * impact.x + impact.y * impact.y + impact.z * impact.z;
    const float speed = squared < 0.000001f ? 0.0f : std::sqrt(squared);
    crashSound->SetVolume(0.08f * speed);
    crashSound->Play();
}
