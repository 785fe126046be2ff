#include "engine/scene/Skybox.h"

#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/Camera.h"
#include "engine/scene/SceneDevice.h"
#include "engine/scene/SceneVertex.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/math/MatrixMath.h"

using namespace backend;

namespace {

constexpr int VERTICES_PER_FACE = 4;

// Corners of each face as a strip seen from inside: signs of (x, y, z).
constexpr int FACE_CORNERS[SKYBOX_FACES][VERTICES_PER_FACE][3] = {
    {{-1, -1, 1}, {-1, 1, 1}, {1, -1, 1}, {1, 1, 1}},     // front, +z
    {{1, -1, -1}, {1, 1, -1}, {-1, -1, -1}, {-1, 1, -1}}, // back, -z
    {{-1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}, {-1, 1, 1}}, // left, -x
    {{1, -1, 1}, {1, 1, 1}, {1, -1, -1}, {1, 1, -1}},     // right, +x
    {{-1, 1, 1}, {-1, 1, -1}, {1, 1, 1}, {1, 1, -1}},     // top, +y
    {{-1, -1, -1}, {-1, -1, 1}, {1, -1, -1}, {1, -1, 1}}, // bottom, -y
};

} // namespace

Skybox::~Skybox()
{
    ReleaseObject(vertexBuffer);
    for (Texture& face : faces)
        face.Release();
}

bool Skybox::Create(const char* front, const char* back, const char* left, const char* right, const char* top,
                    const char* bottom, uint32_t newColour, float newSize, float newFaceTextureSize,
                    float newVerticalLag, bool newHasBottom)
{
    LogMessage("\nCreating skybox...");
    colour = newColour;
    size = newSize;
    faceTextureSize = newFaceTextureSize;
    verticalLag = newVerticalLag;
    hasBottom = newHasBottom;
    MatrixIdentity(&world);
    const char* files[SKYBOX_FACES] = {front, back, left, right, top, bottom};
    for (int i = 0; i < SKYBOX_FACES; ++i) {
        if (i == SKYBOX_BOTTOM && !hasBottom)
            break;
        faces[i].Release();
        if (!faces[i].Load(files[i]))
            return false;
    }
    return BuildVertices();
}

bool Skybox::BuildVertices()
{
    ReleaseObject(vertexBuffer);
    GpuDevice* device = g_RenderDevice.device;
    if (device == nullptr ||
        GpuFailed(device->CreateVertexBuffer(SKYBOX_FACES * VERTICES_PER_FACE * sizeof(SceneVertex), D3DUSAGE_WRITEONLY,
                                             SCENE_VERTEX_FVF, D3DPOOL_DEFAULT, &vertexBuffer)))
        return false;
    uint8_t* data = nullptr;
    if (GpuFailed(vertexBuffer->Lock(0, 0, &data, D3DLOCK_NOSYSLOCK)))
        return false;
    // Coordinates inset by half a texel, so the faces' edges do not bleed.
    const float t0 = faceTextureSize > 0.0f ? 0.5f / faceTextureSize : 0.0f;
    const float t1 = 1.0f - t0;
    const float uv[VERTICES_PER_FACE][2] = {{t0, t1}, {t0, t0}, {t1, t1}, {t1, t0}};
    const float h = size * 0.5f;
    SceneVertex* out = reinterpret_cast<SceneVertex*>(data);
    for (int face = 0; face < SKYBOX_FACES; ++face)
        for (int i = 0; i < VERTICES_PER_FACE; ++i) {
            SceneVertex& v = *out++;
            v.x = float(FACE_CORNERS[face][i][0]) * h;
            v.y = float(FACE_CORNERS[face][i][1]) * h;
            v.z = float(FACE_CORNERS[face][i][2]) * h;
            v.colour = colour;
            v.u = uv[i][0];
            v.v = uv[i][1];
        }
    vertexBuffer->Unlock();
    return true;
}

void Skybox::Render(const Camera* camera)
{
    const Vector3& eye = camera->eye;
    MatrixTranslation(&world, eye.x, eye.y - eye.y * verticalLag, eye.z);
    DrawFaces();
}

void Skybox::DrawFaces()
{
    if (vertexBuffer == nullptr)
        return;
    RenderDevice& rd = g_RenderDevice;
    rd.device->SetTransform(D3DTS_WORLD, &world);
    rd.ChangeTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    rd.ChangeTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    rd.ChangeTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
    rd.ChangeTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    rd.ChangeTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, 0);
    rd.ChangeRenderState(D3DRS_ZENABLE, 0);
    rd.ChangeRenderState(D3DRS_ZWRITEENABLE, 0);
    rd.ChangeRenderState(D3DRS_LIGHTING, 0);
    rd.ChangeRenderState(D3DRS_ALPHABLENDENABLE, 0);
    SetVertexFormat(SCENE_VERTEX_FVF);
    rd.SetStreamSource(0, vertexBuffer, sizeof(SceneVertex));
    const int faceCount = hasBottom ? SKYBOX_FACES : SKYBOX_FACES - 1;
    for (int face = 0; face < faceCount; ++face) {
        rd.SetTexture(0, faces[face].texture);
        rd.DrawPrimitive(D3DPT_TRIANGLESTRIP, uint32_t(face * VERTICES_PER_FACE), 2);
    }
    rd.RevertTextureStageState(0, D3DTSS_COLOROP);
    rd.RevertTextureStageState(0, D3DTSS_ALPHAOP);
    rd.RevertTextureStageState(0, D3DTSS_MIPFILTER);
    rd.RevertTextureStageState(0, D3DTSS_TEXCOORDINDEX);
    rd.RevertTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS);
    rd.RevertRenderState(D3DRS_ZENABLE);
    rd.RevertRenderState(D3DRS_ZWRITEENABLE);
    rd.RevertRenderState(D3DRS_LIGHTING);
    rd.RevertRenderState(D3DRS_ALPHABLENDENABLE);
}

bool Skybox::Restore()
{
    LogMessage("\nRestoring skybox...");
    for (Texture& face : faces)
        if (!face.Restore())
            return false;
    return BuildVertices();
}

void Skybox::Release()
{
    LogMessage("\nReleasing skybox...");
    ReleaseObject(vertexBuffer);
    for (Texture& face : faces)
        face.Release();
}
