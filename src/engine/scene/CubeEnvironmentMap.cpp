#include "engine/scene/CubeEnvironmentMap.h"

#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/Camera.h"
#include "engine/scene/SceneDevice.h"

#include "backend/gpu/GpuCubeTexture.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTextureLoader.h"
#include "backend/math/MatrixMath.h"

#include <cstring>
#include <string>

using namespace backend;

CubeEnvironmentMap::~CubeEnvironmentMap()
{
    ReleaseObject(cubeTexture);
}

bool CubeEnvironmentMap::Load(const char* path)
{
    LogMessage("\nLoading cubic environment map...");
    if (path == nullptr || std::strlen(path) >= sizeof(name) || g_RenderDevice.device == nullptr)
        return ReportError("Error loading a cubic environment map!");
    ReleaseObject(cubeTexture);
    GpuCubeTexture* loaded = nullptr;
    std::string error;
    if (GpuFailed(GpuCreateCubeTextureFromFile(g_RenderDevice.device, path, &loaded, &error)) || loaded == nullptr)
        return ReportFileError("Error loading a cubic environment map!", path,
                               error.empty() ? "its cube texture could not be made" : error);
    cubeTexture = loaded;
    source = CUBE_MAP_SOURCE_FILE;
    if (path != name)
        std::strcpy(name, path);
    return true;
}

void CubeEnvironmentMap::Apply(uint32_t stage, uint32_t colourOp, const Camera* camera, bool twoCoordinates)
{
    if (stageInUse != -1 || stage >= GPU_STAGE_COUNT)
        return;
    RenderDevice& rd = g_RenderDevice;
    // The camera's rotation as the camera builds it; its inverse turns
    // camera-space reflection vectors into world directions.
    Matrix yaw, pitch, roll, rotation, inverse;
    MatrixRotationY(&yaw, -camera->angles.y);
    MatrixRotationX(&pitch, camera->angles.x);
    MatrixRotationZ(&roll, camera->angles.z);
    MatrixMultiply(&rotation, &yaw, &pitch);
    MatrixMultiply(&rotation, &rotation, &roll);
    if (MatrixInverse(&inverse, nullptr, &rotation) == nullptr)
        MatrixIdentity(&inverse);
    rd.device->SetTransform(D3DTS_TEXTURE0 + stage, &inverse);
    rd.ChangeTextureStageState(stage, D3DTSS_COLOROP, colourOp);
    rd.ChangeTextureStageState(stage, D3DTSS_TEXTURETRANSFORMFLAGS, twoCoordinates ? D3DTTFF_COUNT2 : D3DTTFF_COUNT3);
    rd.ChangeTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    rd.ChangeTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    rd.ChangeTextureStageState(stage, D3DTSS_ADDRESSW, D3DTADDRESS_CLAMP);
    rd.ChangeTextureStageState(stage, D3DTSS_TEXCOORDINDEX, stage | D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR);
    rd.SetTexture(stage, cubeTexture);
    stageInUse = int32_t(stage);
}

void CubeEnvironmentMap::Remove()
{
    if (stageInUse == -1)
        return;
    RenderDevice& rd = g_RenderDevice;
    const uint32_t stage = uint32_t(stageInUse);
    rd.SetTexture(stage, nullptr);
    rd.RevertTextureStageState(stage, D3DTSS_TEXCOORDINDEX);
    rd.RevertTextureStageState(stage, D3DTSS_ADDRESSU);
    rd.RevertTextureStageState(stage, D3DTSS_ADDRESSV);
    rd.RevertTextureStageState(stage, D3DTSS_ADDRESSW);
    rd.RevertTextureStageState(stage, D3DTSS_TEXTURETRANSFORMFLAGS);
    rd.RevertTextureStageState(stage, D3DTSS_COLOROP);
    stageInUse = -1;
}

bool CubeEnvironmentMap::Restore()
{
    if (source != CUBE_MAP_SOURCE_FILE)
        return true;
    return Load(name);
}

void CubeEnvironmentMap::Release()
{
    LogMessage("\nReleasing cubic environment map...");
    ReleaseObject(cubeTexture);
}
