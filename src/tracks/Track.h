#pragma once
// The base of the ten track classes: sky, environment map, terrain,
// billboards, placed objects, light and road network. The base loads what
// every track has in the same form; each track's Load adds its own content
// through the protected steps below, stopping at the first failure.

#include "tracks/DynamicObjectPlacement.h"
#include "tracks/DynamicTrackObject.h"
#include "tracks/StaticObjectPlacement.h"
#include "tracks/StaticTrackObject.h"
#include "tracks/TrackData.h"
#include "tracks/TrackDefs.h"
#include "tracks/TrackTable.h"

#include "engine/platform/Light.h"
#include "engine/scene/BillboardSystem.h"
#include "engine/scene/CubeEnvironmentMap.h"
#include "engine/scene/LensFlare.h"
#include "engine/scene/Octree.h"
#include "engine/scene/Skybox.h"
#include "engine/scene/Terrain.h"

#include <span>
#include <string>
#include <vector>

class Billboard;
class Camera;
class Model;
class PhysicsEngine;
class Texture;
class Water;

class Track {
public:
    explicit Track(TrackId id);
    virtual ~Track();
    Track(const Track&) = delete;
    Track& operator=(const Track&) = delete;

    virtual bool Load();
    virtual bool CreatePhysics(PhysicsEngine* physics);
    virtual void Reset(const backend::Vector3* mopedPosition);
    virtual void SetupLighting() = 0;
    virtual void StartSounds() {}
    virtual void Update(const backend::Vector3* mopedPosition);
    virtual void Render(const Camera* camera);
    virtual void RenderTransparent(const Camera* camera);
    virtual void RenderParticles(const Camera*) {}
    virtual void RenderLensFlare(const Camera*) {}
    virtual bool Restore();
    virtual void Release();
    virtual void Destroy();
    virtual int32_t GetAnimatedBodyCount() const;
    virtual int32_t GetRigidBodyCount() const;
    virtual int32_t GetGeometryCount() const;

    // False when a placement names a model or texture the track doesn't have.
    bool BuildObjects(int32_t octreeDepth, const backend::Vector3* centre, const backend::Vector3* size);
    void RenderObjects(const Camera* camera, bool flatColour);
    bool CreateObjectPhysics(PhysicsEngine* physics);
    void ResetObjects();
    void UpdateObjects();
    void ClearObjects();

    std::string graphicsDir;
    std::string dataDir;
    backend::Vector3 worldSize;
    int32_t terrainCellsX = 0, terrainCellsZ = 0;
    int32_t terrainPatchesX = 0, terrainPatchesZ = 0;
    int32_t heightMapWidth = 0, heightMapHeight = 0;
    backend::Vector3 viewValues;
    Skybox skybox;
    CubeEnvironmentMap environmentMap;
    Terrain terrain;
    BillboardSystem billboards;
    std::vector<Model*> models;
    std::vector<Texture*> textures;
    Light light;
    std::vector<StaticObjectPlacement> staticPlacements;
    std::vector<DynamicObjectPlacement> dynamicPlacements;
    std::vector<StaticTrackObject*> staticObjects;
    std::vector<DynamicTrackObject*> dynamicObjects;
    Octree<StaticTrackObject> objectTree;
    TrackData trackData;

protected:
    // Steps of a track's Load, each false at the first failure.
    void SetConstants(const TrackConstants& constants);
    bool AddTerrainPasses(std::span<const TerrainPassDef> passes);
    // Loads the sprite, sets its collision radius and material, then places it from its mask.
    bool LoadBillboard(Billboard& billboard, const BillboardDef& def);
    void BuildBillboardTree(const TreeDef& tree);
    // Creates the surface and puts it at its centre.
    bool CreateWater(Water& water, const WaterDef& def);
    // Adds the elements, then creates the flare from the textures.
    // The sun's flare with the shared elements and pictures.
    bool CreateLensFlare(LensFlare& flare, const LensFlareDef& def);
    // The sun, then when it shows: the occluders drawn flat into the sun map, the intensity, the flare.
    void RenderSunFlare(LensFlare& flare, const Camera* camera);
    // What hides the sun, drawn flat through the flare's camera.
    virtual void RenderFlareOccluders(const Camera*) {}
    bool LoadModels(std::span<const char* const> paths);
    bool LoadTextures(std::span<const char* const> paths);
    void AppendPlacements(std::span<const PlacementDef> statics, std::span<const PlacementDef> dynamics);
    bool BuildObjects(const TreeDef& tree);
    // Models, textures, placements and the objects built from them, stopping at the first failure.
    bool LoadObjects(std::span<const char* const> modelPaths, std::span<const char* const> texturePaths,
                     std::span<const PlacementDef> statics, std::span<const PlacementDef> dynamics,
                     const TreeDef& tree);
    void SetLight(const LightDef& def);
    // The body of every track's SetupLighting: lights 0-7 off, the ambient, light 0 on.
    void ApplyLighting(uint32_t ambient);
    // The base physics, then the ground's friction.
    bool CreatePhysicsWithGround(PhysicsEngine* physics, float groundFriction);

private:
    std::string GraphicsPath(const char* name) const { return graphicsDir + name; }
    void RenderSkyBehindTerrain(const Camera* camera);
    bool PlacementIndicesValid(uint32_t modelIndex, uint32_t textureIndex) const;
    backend::Vector3 PlacedPosition(const backend::Vector3& position, uint8_t snapToGround,
                                    float heightAboveGround) const;
};
