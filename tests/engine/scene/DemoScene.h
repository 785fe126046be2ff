#pragma once
// A whole track scene for the device-loss test: terrain with two passes, sky,
// water, billboards from a mask, weather, a flare light and the lens flare
// with its occluder pass. Its data files are generated into a folder.

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

#include <string>

class DemoScene {
public:
    // Writes the data files into `folder` (which must exist) and builds the
    // scene on g_RenderDevice; false with g_LastError on failure.
    bool Create(const std::string& folder);
    // A camera over the terrain looking toward the sun, 800 x 600.
    Camera MakeCamera() const;
    // The sun and the ambient light the scene is lit by.
    static void Light();
    // The race's order: sky, terrain, billboards, weather, water, lens flare.
    void Draw(const Camera& camera);
    void Release();
    bool Restore();

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
