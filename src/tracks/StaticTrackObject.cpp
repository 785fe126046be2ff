#include "tracks/StaticTrackObject.h"

#include "engine/models/Model.h"
#include "engine/platform/BoxCorners.h"
#include "engine/platform/MathUtil.h"
#include "physics/PhysicsEngine.h"
#include "physics/TSimulator.h"
#include "tracks/TrackObjectModel.h"

#include <cstring>

bool StaticTrackObject::Init(Model* newModel, Texture* newTexture, const char* newName,
                             const backend::Vector3* newPosition, const backend::Vector3* newRotation,
                             uint32_t newMaterialIndex)
{
    model = newModel;
    texture = newTexture;
    std::memset(name, 0, sizeof(name));
    if (newName != nullptr)
        std::strncpy(name, newName, sizeof(name) - 1);
    position = *newPosition;
    rotation = *newRotation;
    materialIndex = newMaterialIndex;
    BuildWorldMatrix(&world, &position, &rotation);

    BoundingBox modelBox;
    ComputeModelBox(model, &modelBox);
    boxSize = BoxSize(modelBox);
    BoxCorners corners;
    modelBox.GetCorners(&corners);
    corners.GetTransformedBounds(&bounds, &world);
    return true;
}

bool StaticTrackObject::CreatePhysics(PhysicsEngine* physics)
{
    body = physics->simulator->CreateAnimatedBody();
    if (body == nullptr || !AddCollisionBox(body, boxSize, materialIndex))
        return false;
    // The world matrix Init built.
    const TVec4 origin = Vec(world.m[3][0], world.m[3][1], world.m[3][2], 1.0f);
    body->SetPosition(&origin);
    body->SetRotation(world.m);
    return true;
}

void StaticTrackObject::Update()
{
    if (name[0] != 0)
        model->Animate(name, 1, -1.0f);
}

void StaticTrackObject::Render(bool flatColour)
{
    RenderTrackModel(model, texture, name, &world, flatColour);
}

void StaticTrackObject::Clear()
{
    body = nullptr;
    model = nullptr;
    texture = nullptr;
    name[0] = 0;
}
