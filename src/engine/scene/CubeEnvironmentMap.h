#pragma once
// A cube texture of the surroundings, put on a texture stage with camera-space
// reflection vectors turned into world directions, so models reflect it.

#include <cstdint>

namespace backend {
class GpuCubeTexture;
}
class Camera;

enum CubeMapSource { CUBE_MAP_SOURCE_NONE = 0, CUBE_MAP_SOURCE_FILE = 2 };

class CubeEnvironmentMap {
public:
    CubeEnvironmentMap() = default;
    ~CubeEnvironmentMap();
    CubeEnvironmentMap(const CubeEnvironmentMap&) = delete;
    CubeEnvironmentMap& operator=(const CubeEnvironmentMap&) = delete;

    bool Load(const char* path);
    // Does nothing while a stage is in use.
    void Apply(uint32_t stage, uint32_t colourOp, const Camera* camera, bool twoCoordinates);
    // Does nothing when not applied.
    void Remove();
    // True when nothing was loaded: there is nothing to restore.
    bool Restore();
    void Release();

    char name[260] = {};
    int32_t stageInUse = -1;
    int32_t source = CUBE_MAP_SOURCE_NONE;
    backend::GpuCubeTexture* cubeTexture = nullptr;
};
