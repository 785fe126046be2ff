#pragma once
// A whole track scene for the device-loss test and the benchmark: terrain
// with two passes, sky, water, billboards from a mask, weather, a flare light
// and the lens flare with its occluder pass. Its data files are generated into
// a folder.

#include "engine/scene/Billboard.h"
#include "engine/scene/BillboardSystem.h"
#include "engine/scene/Camera.h"
#include "engine/scene/CubeEnvironmentMap.h"
#include "engine/scene/FlareLight.h"
#include "engine/scene/LensFlare.h"
#include "engine/scene/RainSystem.h"
#include "engine/scene/Skybox.h"
#include "engine/scene/SmokeSystem.h"
#include "engine/scene/SnowSystem.h"
#include "engine/scene/Terrain.h"
#include "engine/scene/Water.h"

#include "datagen/writers/RgbaImage.h"

#include <string>

struct DemoSceneOptions {
    int cells = 256;
    int patches = 32;
    int billboards = 2000;
    bool effects = true;
};

class DemoScene {
public:
    // Writes the data files into `folder` (which must exist) and builds the
    // scene on g_RenderDevice; false with g_LastError on failure.
    bool Create(const std::string& folder, const DemoSceneOptions& options);
    // A camera over the terrain looking toward the sun, 800 x 600.
    Camera MakeCamera(float yaw = 0.3f) const;
    // The race's order: sky, terrain, billboards, weather, water, lens flare.
    void Draw(const Camera& camera);
    // The culling part of Draw: the terrain's patches and the billboards.
    void Cull(const Camera& camera);
    void Release();
    bool Restore();

    DemoSceneOptions options;
    Terrain terrain;
    Skybox sky;
    CubeEnvironmentMap environment;
    Water water;
    Billboard tree;
    BillboardSystem billboards;
    LensFlare flare;
    SnowSystem snow;
    RainSystem rain;
    SmokeSystem smoke;
    FlareLight lamp;
    backend::Vector3 worldSize = {400.0f, 40.0f, 400.0f};
};

// A disc of the colour on a clear square, as flare and sun textures are.
datagen::RgbaImage Disc(uint32_t size, uint32_t colour);

// Puts back the fixed render states the game sets after start-up and resets.
void ApplySceneStates();
