// Drawing a moped from its physics bodies, its effects around a device reset,
// and giving back what the moped made.

#include "race/Moped.h"
#include "race/MopedModel.h"
#include "race/TransformToMatrix.h"

#include "audio/AudioManager.h"
#include "audio/Sound3D.h"
#include "engine/platform/BoundingBox.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/Camera.h"
#include "physics/PhysicsEngine.h"
#include "physics/TRigidBody.h"
#include "physics/TSimulator.h"

#include "backend/gpu/GpuDevice.h"

namespace {

backend::Matrix BodyMatrix(const TRigidBody* body)
{
    const TMat44 transform = body->GetTransform();
    backend::Matrix world;
    TransformToMatrix(&world, &transform);
    return world;
}

// Draws one frame of the model at `world` unless its box is out of view.
void RenderPart(QvxModel& part, int32_t frame, const backend::Matrix& world, const Camera* camera, bool flatColour)
{
    BoundingBox box;
    part.GetFrameBounds(&box, frame, &world);
    if (!camera->IsBoxInFrustum(&box))
        return;
    g_RenderDevice.device->SetTransform(backend::D3DTS_WORLD, &world);
    part.RenderMaterialOnly(frame, flatColour);
}

void FreeSound(Sound3D*& sound)
{
    if (sound == nullptr)
        return;
    sound->Release();
    GetAudioManager()->Destroy3DSound(&sound);
}

} // namespace

void Moped::Render(Camera* camera, bool flatColour)
{
    const backend::Matrix bodyWorld = BodyMatrix(body);
    const backend::Matrix handlebarWorld = BodyMatrix(handlebar);
    const backend::Matrix frontWorld = BodyMatrix(frontTyre);
    const backend::Matrix rearWorld = BodyMatrix(rearTyre);
    model->SetBodyMaterial();
    RenderPart(model->bodyModel, 0, bodyWorld, camera, flatColour);
    RenderPart(model->handlebarModel, 0, handlebarWorld, camera, flatColour);
    RenderPart(model->tyreModel, 0, frontWorld, camera, flatColour);
    RenderPart(model->tyreModel, 0, rearWorld, camera, flatColour);
}

void Moped::RenderRider(Camera* camera, bool flatColour)
{
    const backend::Matrix riderWorld = BodyMatrix(rider);
    model->SetRiderMaterial();
    RenderPart(model->riderModel, riderFrame, riderWorld, camera, flatColour);
}

void Moped::RenderEffects(Camera* camera)
{
    model->SetSmokeTexture();
    smoke.Render(camera);
    const bool braking = throttle == THROTTLE_BRAKE || throttle == THROTTLE_HANDBRAKE;
    if (braking && driveDirection == 1 && gear != 0) {
        model->SetBackLightTexture();
        backLight.Render(camera);
    }
}

bool Moped::Restore()
{
    return smoke.Restore() && backLight.Restore();
}

void Moped::Release()
{
    backLight.Release();
    smoke.Release();
}

void Moped::Destroy(PhysicsEngine* physics)
{
    FreeSound(engineIdleSound);
    FreeSound(engineSound);
    TSimulator* simulator = physics != nullptr ? physics->simulator : nullptr;
    for (TConstraint** joint : {&steeringJoint, &frontAxle, &swingArmJoint, &rearAxle, &riderJoint}) {
        if (*joint != nullptr && simulator != nullptr)
            simulator->FreeConstraint(*joint);
        *joint = nullptr;
    }
    for (TRigidBody** part : {&body, &handlebar, &frontTyre, &swingArm, &rearTyre, &rider}) {
        if (*part != nullptr && simulator != nullptr)
            simulator->FreeBody(*part);
        *part = nullptr;
    }
    progress.Destroy();
    backLight.Clear();
    smoke.Clear();
    model = nullptr;
}
