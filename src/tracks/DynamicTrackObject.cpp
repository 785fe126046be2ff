#include "tracks/DynamicTrackObject.h"

#include "engine/models/Model.h"
#include "engine/platform/MathUtil.h"
#include "physics/ComputeInertiaFromSize.h"
#include "physics/PhysicsEngine.h"
#include "physics/TSimulator.h"
#include "tracks/TrackObjectModel.h"

#include <cstring>

bool DynamicTrackObject::Init(Model* newModel, Texture* newTexture, const char* newName,
                              const backend::Vector3* newPosition, const backend::Vector3* newRotation, float newMass,
                              uint32_t newMaterialIndex)
{
    model = newModel;
    texture = newTexture;
    std::memset(name, 0, sizeof(name));
    if (newName != nullptr)
        std::strncpy(name, newName, sizeof(name) - 1);
    position = *newPosition;
    rotation = *newRotation;
    mass = newMass;
    materialIndex = newMaterialIndex;
    BuildWorldMatrix(&world, &position, &rotation);

    BoundingBox modelBox;
    ComputeModelBox(model, &modelBox);
    boxSize = BoxSize(modelBox);
    modelBox.GetCorners(&localCorners);
    return true;
}

bool DynamicTrackObject::CreatePhysics(PhysicsEngine* physics)
{
    body = physics->simulator->CreateRigidBody();
    if (body == nullptr || !AddCollisionBox(body, boxSize, materialIndex))
        return false;
    const TVec4 size = Vec(boxSize.x, boxSize.y, boxSize.z);
    TVec4 inertia;
    ComputeInertiaFromSize(&inertia, &size, mass);
    body->SetMass(mass);
    body->SetInertiaTensor(&inertia);
    ResetPose();
    return true;
}

void DynamicTrackObject::ResetPose()
{
    BuildWorldMatrix(&world, &position, &rotation);
    localCorners.GetTransformedBounds(&bounds, &world);
    if (body == nullptr) // not in a physics world yet: only the pose goes back
        return;
    const TVec4 origin = Vec(world.m[3][0], world.m[3][1], world.m[3][2], 1.0f);
    body->SetPosition(&origin);
    body->SetRotation(world.m);
    // A body that was moving when the race restarted must not keep flying.
    const TVec4 zero = Vec(0.0f, 0.0f, 0.0f);
    body->SetVelocity(&zero);
    body->SetAngularMomentum(&zero);
    body->SetForce(&zero);
    body->SetTorque(&zero);
}

void DynamicTrackObject::Update()
{
    if (name[0] != 0)
        model->Animate(name, 1, -1.0f);
    const TMat44 transform = body->GetTransform();
    for (int row = 0; row < 4; ++row) {
        world.m[row][0] = transform.row[row].x;
        world.m[row][1] = transform.row[row].y;
        world.m[row][2] = transform.row[row].z;
        world.m[row][3] = row == 3 ? 1.0f : 0.0f;
    }
    localCorners.GetTransformedBounds(&bounds, &world);
}

void DynamicTrackObject::Render(bool flatColour)
{
    RenderTrackModel(model, texture, name, &world, flatColour);
}

void DynamicTrackObject::Clear()
{
    body = nullptr;
    model = nullptr;
    texture = nullptr;
    name[0] = 0;
}
