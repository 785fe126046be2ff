#include "tracks/TrackObjectModel.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/math/MatrixMath.h"
#include "engine/models/Model.h"
#include "engine/platform/BoundingBox.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/Texture.h"
#include "physics/TBody.h"
#include "physics/TConvex.h"
#include "physics/TMath.h"

#include <algorithm>

namespace {

bool IsEmpty(const BoundingBox& box)
{
    return !(box.min.x <= box.max.x && box.min.y <= box.max.y && box.min.z <= box.max.z);
}

} // namespace

void ComputeModelBox(Model* model, BoundingBox* out)
{
    backend::Matrix identity;
    backend::MatrixIdentity(&identity);
    BoundingBox total;
    bool any = false;
    const int32_t frameCount = model->GetFrameCount();
    for (int32_t frame = 0; frame < frameCount; ++frame) {
        BoundingBox box;
        model->GetFrameBounds(&box, frame, &identity);
        if (IsEmpty(box))
            continue;
        if (!any) {
            total = box;
            any = true;
            continue;
        }
        total.min = {std::min(total.min.x, box.min.x), std::min(total.min.y, box.min.y),
                     std::min(total.min.z, box.min.z)};
        total.max = {std::max(total.max.x, box.max.x), std::max(total.max.y, box.max.y),
                     std::max(total.max.z, box.max.z)};
    }
    if (!any) {
        // No vertex: the empty box would hand the physics a size of about -3.4e38.
        total.min = {0.0f, 0.0f, 0.0f};
        total.max = {0.0f, 0.0f, 0.0f};
    }
    *out = total;
}

backend::Vector3 BoxSize(const BoundingBox& box)
{
    return {std::max(box.max.x - box.min.x, 0.0f), std::max(box.max.y - box.min.y, 0.0f),
            std::max(box.max.z - box.min.z, 0.0f)};
}

void RenderTrackModel(Model* model, Texture* texture, const char* name, const backend::Matrix* world, bool flatColour)
{
    if (model == nullptr)
        return;
    g_RenderDevice.device->SetTransform(backend::D3DTS_WORLD, world);
    if (texture != nullptr)
        g_RenderDevice.SetTexture(0, texture->texture);
    const int32_t frame = name[0] != 0 ? model->GetAnimationFrame(name) : 0;
    model->Render(frame, flatColour);
}

bool AddCollisionBox(TBody* body, const backend::Vector3& boxSize, uint32_t materialIndex)
{
    TConvex* geometry = body->AddGeometry();
    if (geometry == nullptr)
        return false;
    const TVec4 size = Vec(boxSize.x, boxSize.y, boxSize.z);
    geometry->SetMaterialIndex(int32_t(materialIndex));
    geometry->SetBoxSize(&size);
    body->UpdateBoundingInfo();
    body->SetCollisionId(int32_t(materialIndex));
    return true;
}
