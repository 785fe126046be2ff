#pragma once
// What all mopeds of a race share: the four models, the four textures, two
// materials and the body-space layout of the moped's parts (x right along the
// axle, y up, z forward; w unused).

#include "backend/gpu/GpuTypes.h"
#include "engine/models/QvxModel.h"
#include "engine/platform/Texture.h"
#include "physics/TMath.h"

class MopedModel {
public:
    MopedModel();
    MopedModel(const MopedModel&) = delete;
    MopedModel& operator=(const MopedModel&) = delete;
    ~MopedModel();

    // Both materials, then the body, handlebar, tyre and rider models and the
    // moped, rider, smoke and back-light textures; false at the first failure.
    bool Load();
    // Material and texture for the body, handlebar and tyres.
    void SetBodyMaterial();
    void SetRiderMaterial();
    void SetSmokeTexture();
    void SetBackLightTexture();
    // Models, then textures; false at the first failure.
    bool Restore();
    // Textures in reverse order, then models in reverse order.
    void Release();
    // The models only; Release has given up the textures already.
    void Destroy();

    TVec4 frontTyrePosition;
    TVec4 rearTyrePosition;
    TVec4 handlebarPosition;
    TVec4 riderPosition;
    // Angles in radians about x, y and z.
    TVec4 handlebarRotation;
    TVec4 swingArmPivot;
    TVec4 rearForcePoint;
    TVec4 exhaustPosition;
    TVec4 backLightPosition;
    // Full edge lengths of the collision boxes.
    TVec4 bodySize;
    TVec4 handlebarSize;
    TVec4 riderSize;

    QvxModel bodyModel;
    QvxModel handlebarModel;
    QvxModel tyreModel;
    // Frames 0..60 are the steering poses, 30 upright.
    QvxModel riderModel;
    Texture mopedTexture;
    Texture riderTexture;
    Texture smokeTexture;
    Texture backLightTexture;
    backend::GpuMaterial bodyMaterial;
    backend::GpuMaterial riderMaterial;
};
