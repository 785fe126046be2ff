// Per-vertex lighting read back from the device and compared with the
// fixed-function formula, and the log line for what the device cannot draw.

#include "GpuTestDevice.h"

#include "backend/gpu/GpuLog.h"
#include "backend/math/MatrixMath.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

namespace gputest {
namespace {

using namespace backend;

struct LitVertex {
    float x, y, z, nx, ny, nz;
    uint32_t color;
};

struct LightCase {
    const char* name;
    Vector3 direction; // world space, as the caller passes it
    ColorValue lightDiffuse;
    ColorValue lightAmbient;
    uint32_t globalAmbient;
    ColorValue matDiffuse, matAmbient, matEmissive, matSpecular;
    std::optional<uint32_t> vertexColor = std::nullopt;
    bool colorVertex = true;
    bool specularEnable = false;
};

float Channel(const ColorValue& c, int i)
{
    return i == 0 ? c.r : i == 1 ? c.g : c.b;
}

float Channel(uint32_t argb, int i)
{
    return float((argb >> (16 - 8 * i)) & 0xFF) / 255.0f;
}

// The world turns the quad's normal (0, 0, -1) to WORLD_NORMAL and the view turns it back to face the
// camera, so the light is only right when it is taken into camera space too.
const float HALF_ROOT2 = std::sqrt(0.5f);
const float WORLD_NORMAL[3] = {0.0f, HALF_ROOT2, -HALF_ROOT2};
const float TFACTOR = 128.0f / 255.0f; // the stage halves the lit colour, so an unclamped sum would show

// The fixed-function result for the quad's colour after the stage, the specular sum and blending over black.
GpuColor Expected(const LightCase& c)
{
    float length =
        std::sqrt(c.direction.x * c.direction.x + c.direction.y * c.direction.y + c.direction.z * c.direction.z);
    float toward[3] = {-c.direction.x / length, -c.direction.y / length, -c.direction.z / length};
    float nl = std::max(0.0f, WORLD_NORMAL[0] * toward[0] + WORLD_NORMAL[1] * toward[1] + WORLD_NORMAL[2] * toward[2]);
    bool vertexDiffuse = c.vertexColor && c.colorVertex;
    float alpha = vertexDiffuse ? float(*c.vertexColor >> 24) / 255.0f : c.matDiffuse.a;
    GpuColor out = 0xFF000000u;
    for (int i = 0; i < 3; ++i) {
        float md = vertexDiffuse ? Channel(*c.vertexColor, i) : Channel(c.matDiffuse, i);
        float ma = Channel(c.matAmbient, i);
        float lit = Channel(c.matEmissive, i) + Channel(c.globalAmbient, i) * ma + Channel(c.lightAmbient, i) * ma +
                    Channel(c.lightDiffuse, i) * md * nl;
        // Power 0: (N.H)^0 = 1 wherever the light and the half vector face the surface.
        float specular = c.specularEnable && nl > 0.0f ? Channel(c.matSpecular, i) : 0.0f;
        float value = std::min(1.0f, std::clamp(lit, 0.0f, 1.0f) * TFACTOR + specular) * alpha;
        out |= uint32_t(std::lround(value * 255.0f)) << (16 - 8 * i);
    }
    return out;
}

TEST_F(GpuDeviceTest, DirectionalLightFollowsTheFixedFunctionFormula)
{
    const float quarter = std::numbers::pi_v<float> / 4;
    Matrix world, view;
    MatrixRotationX(&world, quarter);
    MatrixRotationX(&view, -quarter);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF808080);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);

    const ColorValue o = {}, white = {1, 1, 1, 1}, grey = {0.4f, 0.4f, 0.4f, 1}, blue = {0.4f, 0.6f, 0.8f, 1};
    const Vector3 above = {0, -1, 1}, behind = {0, 1, -1};
    // clang-format off
    const LightCase cases[] = {
        // name, direction, light diffuse and ambient, global ambient, material diffuse, ambient, emissive, specular
        {"unit direction", {0, -HALF_ROOT2, HALF_ROOT2}, {0.6f, 0.4f, 0.2f, 1}, o, 0, white, o, o, o},
        {"unnormalised (0,-1,1)", above, {0.6f, 0.4f, 0.2f, 1}, o, 0, white, o, o, o},
        {"unnormalised (-1,-3,1)", {-1, -3, 1}, {0.5f, 0.5f, 0.5f, 1}, o, 0, {1, 0.8f, 0.6f, 1}, o, o, o},
        {"unnormalised (1,-1,0)", {1, -1, 0}, white, o, 0, {0.8f, 0.6f, 0.4f, 1}, o, o, o},
        {"global ambient x material ambient", above, o, o, 0xFF4D8020, white, {0.5f, 1, 1, 1}, o, o},
        {"light ambient, light behind", behind, white, {0.2f, 0.4f, 0.1f, 1}, 0xFF4D4D4D, white, {1, 0.5f, 1, 1}, o, o},
        {"emissive", above, grey, o, 0, white, o, {0.1f, 0.3f, 0.5f, 1}, o},
        {"sum above one saturates", above, {0.6f, 0.6f, 0.6f, 1}, o, 0, {1, 0.1f, 1, 1}, o, {0.8f, 0.8f, 0.2f, 1}, o},
        {"light behind gives no diffuse", behind, white, o, 0, white, o, {0.3f, 0.3f, 0.3f, 1}, o},
        {"material diffuse alpha", above, white, o, 0, {0.8f, 0.6f, 0.4f, 0.5f}, o, o, o},
        {"vertex colour replaces material diffuse", above, white, o, 0, blue, o, o, o, 0x80FF8020},
        {"vertex colour ignored without COLORVERTEX", above, white, o, 0, blue, o, o, o, 0x80FF8020, false},
        {"specular only when enabled", above, grey, o, 0, white, o, o, {0.5f, 0.5f, 0.5f, 1}},
        {"specular power 0 is flat", above, grey, o, 0, white, o, o, {0.1f, 0.2f, 0.3f, 1}, std::nullopt, true, true},
    };
    // clang-format on
    for (const LightCase& c : cases) {
        SCOPED_TRACE(c.name);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        GpuLight light;
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = c.lightDiffuse;
        light.Ambient = c.lightAmbient;
        light.Specular = white;
        light.Direction = c.direction;
        light.Range = 1000.0f;
        ASSERT_EQ(device->SetLight(0, &light), GPU_OK);
        device->LightEnable(0, true);
        GpuMaterial material;
        material.Diffuse = c.matDiffuse;
        material.Ambient = c.matAmbient;
        material.Emissive = c.matEmissive;
        material.Specular = c.matSpecular;
        device->SetMaterial(&material);
        device->SetRenderState(D3DRS_AMBIENT, c.globalAmbient);
        device->SetRenderState(D3DRS_COLORVERTEX, c.colorVertex);
        device->SetRenderState(D3DRS_SPECULARENABLE, c.specularEnable);

        uint32_t color = c.vertexColor.value_or(0);
        LitVertex quad[4] = {
            {-1, 1, 0.5f, 0, 0, -1, color},
            {1, 1, 0.5f, 0, 0, -1, color},
            {-1, -1, 0.5f, 0, 0, -1, color},
            {1, -1, 0.5f, 0, 0, -1, color},
        };
        uint32_t fvf = D3DFVF_XYZ | D3DFVF_NORMAL | (c.vertexColor ? uint32_t(D3DFVF_DIFFUSE) : 0u);
        ASSERT_EQ(device->SetVertexShader(fvf), GPU_OK);
        // Without a colour the vertex is one field shorter; the colour is then never read.
        uint32_t stride = c.vertexColor ? sizeof(LitVertex) : offsetof(LitVertex, color);
        std::vector<uint8_t> bytes(4 * stride);
        for (int v = 0; v < 4; ++v)
            std::memcpy(&bytes[size_t(v) * stride], &quad[v], stride);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, bytes.data(), stride), GPU_OK);
        EXPECT_TRUE(ColorNear(Pixel(width / 2, height / 2), Expected(c)));
    }
}

TEST_F(GpuDeviceTest, WhatTheDeviceCannotDrawIsLoggedOnce)
{
    std::vector<std::string> lines;
    SetGpuLogHook([&lines](const char* line) { lines.emplace_back(line); });
    struct Restore {
        ~Restore() { SetGpuLogHook(nullptr); }
    } restore;

    // Honoured states and unhonoured ones left at their default say nothing.
    device->SetRenderState(D3DRS_AMBIENT, 0xFF4D4D4D);
    device->SetRenderState(D3DRS_FOGENABLE, 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    GpuLight light;
    device->SetLight(0, &light);
    EXPECT_TRUE(lines.empty());

    const uint32_t lerp = 26;
    for (int twice = 0; twice < 2; ++twice) {
        device->SetRenderState(D3DRS_FOGENABLE, 1);
        light.Type = D3DLIGHT_POINT;
        device->SetLight(uint32_t(1 + twice), &light);
        device->SetTextureStageState(uint32_t(twice), D3DTSS_COLOROP, lerp);
    }
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("render state 28"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("light type 1"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("texture operation 26"), std::string::npos) << lines[2];
}

} // namespace
} // namespace gputest
