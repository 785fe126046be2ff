#include "race/MopedModel.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "engine/platform/RenderDevice.h"

namespace {

const char* const BODY_MODEL_FILE = "Graphics\\Models\\MopedBody.qvx";
const char* const HANDLEBAR_MODEL_FILE = "Graphics\\Models\\MopedHandlebar.qvx";
const char* const TYRE_MODEL_FILE = "Graphics\\Models\\MopedTyre.qvx";
const char* const RIDER_MODEL_FILE = "Graphics\\Models\\Player.qvx";
const char* const MOPED_TEXTURE_FILE = "Graphics\\Textures\\Moped.dds";
const char* const RIDER_TEXTURE_FILE = "Graphics\\Textures\\Player.dds";
const char* const SMOKE_TEXTURE_FILE = "Graphics\\Textures\\Smoke.dds";
const char* const BACK_LIGHT_TEXTURE_FILE = "Graphics\\Textures\\BackLight.dds";

backend::GpuMaterial WhiteMaterial()
{
    backend::GpuMaterial material;
    material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Specular = {0.0f, 0.0f, 0.0f, 0.0f};
    material.Emissive = {0.0f, 0.0f, 0.0f, 0.0f};
    material.Power = 0.0f;
    return material;
}

} // namespace

MopedModel::MopedModel()
    : frontTyrePosition(Vec(0.0f, -0.254f, 0.658f)), rearTyrePosition(Vec(0.0f, -0.254f, -0.322f)),
      handlebarPosition(Vec(0.0f, 0.094f, 0.491f)), riderPosition(Vec(0.0f, 0.402f, 0.03f)),
      handlebarRotation(Vec(-0.45378560f, 0.0f, 0.0f)), swingArmPivot(Vec(0.0f, -0.3f, 0.0f)),
      rearForcePoint(Vec(0.0f, 0.0f, -0.29f)), exhaustPosition(Vec(0.126f, -0.02f, -0.2f)),
      backLightPosition(Vec(0.0f, 0.166f, -0.5f)), bodySize(Vec(0.355f, 0.568f, 1.095f)),
      handlebarSize(Vec(0.4f, 0.828f, 0.358f)), riderSize(Vec(0.521f, 0.9f, 0.342f))
{
}

MopedModel::~MopedModel()
{
    riderModel.Destroy();
    tyreModel.Destroy();
    handlebarModel.Destroy();
    bodyModel.Destroy();
}

bool MopedModel::Load()
{
    bodyMaterial = WhiteMaterial();
    riderMaterial = WhiteMaterial();
    return bodyModel.Load(BODY_MODEL_FILE, nullptr, &bodyMaterial) &&
           handlebarModel.Load(HANDLEBAR_MODEL_FILE, nullptr, &bodyMaterial) &&
           tyreModel.Load(TYRE_MODEL_FILE, nullptr, &bodyMaterial) &&
           riderModel.Load(RIDER_MODEL_FILE, nullptr, &riderMaterial) && mopedTexture.Load(MOPED_TEXTURE_FILE) &&
           riderTexture.Load(RIDER_TEXTURE_FILE) && smokeTexture.Load(SMOKE_TEXTURE_FILE) &&
           backLightTexture.Load(BACK_LIGHT_TEXTURE_FILE);
}

void MopedModel::SetBodyMaterial()
{
    g_RenderDevice.device->SetMaterial(&bodyMaterial);
    g_RenderDevice.SetTexture(0, mopedTexture.texture);
}

void MopedModel::SetRiderMaterial()
{
    g_RenderDevice.device->SetMaterial(&riderMaterial);
    g_RenderDevice.SetTexture(0, riderTexture.texture);
}

void MopedModel::SetSmokeTexture()
{
    g_RenderDevice.SetTexture(0, smokeTexture.texture);
}

void MopedModel::SetBackLightTexture()
{
    g_RenderDevice.SetTexture(0, backLightTexture.texture);
}

bool MopedModel::Restore()
{
    return bodyModel.Restore() && handlebarModel.Restore() && tyreModel.Restore() && riderModel.Restore() &&
           mopedTexture.Restore() && riderTexture.Restore() && smokeTexture.Restore() && backLightTexture.Restore();
}

void MopedModel::Release()
{
    backLightTexture.Release();
    smokeTexture.Release();
    riderTexture.Release();
    mopedTexture.Release();
    riderModel.Release();
    tyreModel.Release();
    handlebarModel.Release();
    bodyModel.Release();
}

void MopedModel::Destroy()
{
    riderModel.Destroy();
    tyreModel.Destroy();
    handlebarModel.Destroy();
    bodyModel.Destroy();
}
