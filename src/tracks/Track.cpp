#include "tracks/Track.h"

#include "tracks/SunFlareDefs.h"

#include "engine/models/LoadModel.h"
#include "engine/models/Model.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/Texture.h"
#include "engine/scene/Billboard.h"
#include "engine/scene/Camera.h"
#include "engine/scene/LensFlare.h"
#include "engine/scene/Water.h"

#include "backend/gpu/GpuDevice.h"
#include "physics/PhysicsEngine.h"
#include "physics/TSimulator.h"
#include "physics/TTerrainMesh.h"

#include <new>

using backend::Vector3;

namespace {

constexpr float SKYBOX_SIZE = 200.0f;
constexpr float SKYBOX_FACE_TEXTURE_SIZE = 1024.0f;
constexpr float SKYBOX_VERTICAL_LAG = 0.005f;
constexpr uint32_t HEIGHT_MAP_FORMAT = 41; // one unsigned byte per sample
constexpr float LIGHT_RANGE = 1000.0f;
constexpr uint32_t DEVICE_LIGHTS = 8;

} // namespace

Track::Track(TrackId id) : graphicsDir(BuildTrackGraphicsPath(id)), dataDir(BuildTrackDataPath(id)) {}

Track::~Track()
{
    Destroy();
}

bool Track::Load()
{
    if (!skybox.Create(
            GraphicsPath("Textures\\SkyboxFront.dds").c_str(), GraphicsPath("Textures\\SkyboxBack.dds").c_str(),
            GraphicsPath("Textures\\SkyboxLeft.dds").c_str(), GraphicsPath("Textures\\SkyboxRight.dds").c_str(),
            GraphicsPath("Textures\\SkyboxUp.dds").c_str(), GraphicsPath("Textures\\SkyboxDown.dds").c_str(),
            0xFFFFFFFFu, SKYBOX_SIZE, SKYBOX_FACE_TEXTURE_SIZE, SKYBOX_VERTICAL_LAG, true))
        return false;
    if (!environmentMap.Load(GraphicsPath("Textures\\EnvMap.dds").c_str()))
        return false;
    if (!terrain.Init(&worldSize, terrainCellsX, terrainCellsZ, terrainPatchesX, terrainPatchesZ))
        return false;
    if (!terrain.LoadHeightMap(GraphicsPath("HeightMap.raw").c_str(), heightMapWidth, heightMapHeight,
                               HEIGHT_MAP_FORMAT))
        return false;
    terrain.position = Vector3{0.0f, 0.0f, 0.0f};
    if (!terrain.Build(true, false))
        return false;
    return trackData.Load((dataDir + "TrackData.tda").c_str());
}

bool Track::CreatePhysics(PhysicsEngine* physics)
{
    TTerrainMesh mesh;
    terrain.BuildCollisionMesh(&mesh, 0);
    physics->simulator->SetTerrainMesh(&mesh);
    // The simulator keeps its own copy.
    delete[] mesh.vertices;
    delete[] mesh.triangles;
    if (!billboards.AddToPhysics(physics->simulator))
        return false;
    return CreateObjectPhysics(physics);
}

void Track::Reset(const Vector3*)
{
    ResetObjects();
}

void Track::Update(const Vector3*)
{
    UpdateObjects();
}

void Track::Render(const Camera* camera)
{
    if (terrain.DrawsOnePass() && g_RenderDevice.device->TargetHasStencil()) {
        RenderSkyBehindTerrain(camera);
    } else {
        skybox.Render(camera);
        terrain.Render(camera, false);
    }
    RenderObjects(camera, false);
}

// The opaque terrain marks the stencil wherever it is drawn, then the sky
// fills only the unmarked rest: the picture of sky then terrain, without
// shading the sky the terrain covers. A fragment that fails the depth test
// leaves no mark, as the sky would have shown there. The frame starts with a
// clear stencil, and the test is off again for what follows.
void Track::RenderSkyBehindTerrain(const Camera* camera)
{
    RenderDevice& rd = g_RenderDevice;
    rd.ChangeRenderState(backend::D3DRS_STENCILENABLE, 1);
    rd.ChangeRenderState(backend::D3DRS_STENCILREF, 1);
    rd.ChangeRenderState(backend::D3DRS_STENCILFUNC, backend::D3DCMP_ALWAYS);
    rd.ChangeRenderState(backend::D3DRS_STENCILZFAIL, backend::D3DSTENCILOP_KEEP);
    rd.ChangeRenderState(backend::D3DRS_STENCILPASS, backend::D3DSTENCILOP_REPLACE);
    terrain.Render(camera, false);
    rd.SetRenderState(backend::D3DRS_STENCILFUNC, backend::D3DCMP_NOTEQUAL);
    rd.SetRenderState(backend::D3DRS_STENCILPASS, backend::D3DSTENCILOP_KEEP);
    skybox.Render(camera);
    rd.RevertRenderState(backend::D3DRS_STENCILPASS);
    rd.RevertRenderState(backend::D3DRS_STENCILZFAIL);
    rd.RevertRenderState(backend::D3DRS_STENCILFUNC);
    rd.RevertRenderState(backend::D3DRS_STENCILREF);
    rd.RevertRenderState(backend::D3DRS_STENCILENABLE);
}

void Track::RenderTransparent(const Camera* camera)
{
    billboards.Update(camera);
    billboards.Render(camera, false);
}

bool Track::Restore()
{
    if (!skybox.Restore() || !environmentMap.Restore() || !terrain.Restore())
        return false;
    for (Model* model : models)
        if (!model->Restore())
            return false;
    for (Texture* texture : textures)
        if (!texture->Restore())
            return false;
    return true;
}

void Track::Release()
{
    for (Texture* texture : textures)
        texture->Release();
    for (Model* model : models)
        model->Release();
    terrain.Release();
    environmentMap.Release();
    skybox.Release();
}

void Track::Destroy()
{
    ClearObjects();
    // Released here too, so that a track destroyed without Release leaves no device texture behind.
    for (Texture* texture : textures) {
        texture->Release();
        delete texture;
    }
    textures.clear();
    for (Model* model : models) {
        model->Destroy();
        delete model;
    }
    models.clear();
    billboards.Destroy();
    terrain.Destroy();
    trackData.Free();
}

int32_t Track::GetAnimatedBodyCount() const
{
    return billboards.collidingCount + int32_t(staticPlacements.size());
}

int32_t Track::GetRigidBodyCount() const
{
    return int32_t(dynamicPlacements.size());
}

int32_t Track::GetGeometryCount() const
{
    return GetAnimatedBodyCount() + GetRigidBodyCount();
}

bool Track::PlacementIndicesValid(uint32_t modelIndex, uint32_t textureIndex) const
{
    if (modelIndex < models.size() && textureIndex < textures.size())
        return true;
    return ReportError("Error building track objects: a placement names a missing model or texture!", false, nullptr);
}

Vector3 Track::PlacedPosition(const Vector3& position, uint8_t snapToGround, float heightAboveGround) const
{
    Vector3 placed = position;
    if (snapToGround != 0)
        terrain.SnapToGround(&placed, heightAboveGround); // outside the terrain the record's y stays
    return placed;
}

bool Track::BuildObjects(int32_t octreeDepth, const Vector3* centre, const Vector3* size)
{
    objectTree.Begin(*centre, *size, octreeDepth);
    for (const StaticObjectPlacement& placement : staticPlacements) {
        if (!PlacementIndicesValid(placement.modelIndex, placement.textureIndex))
            return false;
        const Vector3 position =
            PlacedPosition(placement.position, placement.snapToGround, placement.heightAboveGround);
        StaticTrackObject* object = new (std::nothrow) StaticTrackObject();
        if (object == nullptr)
            return false;
        if (!object->Init(models[placement.modelIndex], textures[placement.textureIndex], placement.name, &position,
                          &placement.rotation, placement.materialIndex)) {
            delete object;
            return false;
        }
        if (placement.hasBoxSize != 0)
            object->boxSize = placement.boxSize;
        staticObjects.push_back(object);
        objectTree.Place(object);
    }
    if (!objectTree.root.children.empty())
        objectTree.Prune();
    for (const DynamicObjectPlacement& placement : dynamicPlacements) {
        if (!PlacementIndicesValid(placement.modelIndex, placement.textureIndex))
            return false;
        const Vector3 position =
            PlacedPosition(placement.position, placement.snapToGround, placement.heightAboveGround);
        DynamicTrackObject* object = new (std::nothrow) DynamicTrackObject();
        if (object == nullptr)
            return false;
        if (!object->Init(models[placement.modelIndex], textures[placement.textureIndex], placement.name, &position,
                          &placement.rotation, placement.mass, placement.materialIndex)) {
            delete object;
            return false;
        }
        if (placement.hasBoxSize != 0)
            object->boxSize = placement.boxSize;
        dynamicObjects.push_back(object);
    }
    return true;
}

void Track::RenderObjects(const Camera* camera, bool flatColour)
{
    for (StaticTrackObject* object : objectTree.CollectVisible(*camera))
        object->Render(flatColour);
    for (DynamicTrackObject* object : dynamicObjects)
        if (camera->IsBoxInFrustum(&object->bounds))
            object->Render(flatColour);
}

bool Track::CreateObjectPhysics(PhysicsEngine* physics)
{
    for (StaticTrackObject* object : staticObjects)
        if (!object->CreatePhysics(physics))
            return false;
    for (DynamicTrackObject* object : dynamicObjects)
        if (!object->CreatePhysics(physics))
            return false;
    return true;
}

void Track::ResetObjects()
{
    for (DynamicTrackObject* object : dynamicObjects)
        object->ResetPose();
}

void Track::UpdateObjects()
{
    for (StaticTrackObject* object : staticObjects)
        object->Update();
    for (DynamicTrackObject* object : dynamicObjects)
        object->Update();
}

void Track::ClearObjects()
{
    // The root keeps its box and the tree its depth.
    objectTree.visible.clear();
    objectTree.root.children.clear();
    objectTree.root.elements.clear();
    for (DynamicTrackObject* object : dynamicObjects) {
        object->Clear();
        delete object;
    }
    dynamicObjects.clear();
    for (StaticTrackObject* object : staticObjects) {
        object->Clear();
        delete object;
    }
    staticObjects.clear();
}

void Track::SetConstants(const TrackConstants& constants)
{
    worldSize = constants.worldSize;
    terrainCellsX = constants.terrainCellsX;
    terrainCellsZ = constants.terrainCellsZ;
    terrainPatchesX = constants.terrainPatchesX;
    terrainPatchesZ = constants.terrainPatchesZ;
    heightMapWidth = constants.heightMapWidth;
    heightMapHeight = constants.heightMapHeight;
    viewValues = constants.viewValues;
}

bool Track::AddTerrainPasses(std::span<const TerrainPassDef> passes)
{
    for (const TerrainPassDef& pass : passes) {
        const std::string texture = GraphicsPath(pass.texture);
        const std::string alphaMap = pass.alphaMap != nullptr ? GraphicsPath(pass.alphaMap) : std::string();
        if (!terrain.AddPass(texture.c_str(), pass.alphaMap != nullptr ? alphaMap.c_str() : nullptr, pass.tileU,
                             pass.tileV, pass.alphaMap == nullptr))
            return false;
    }
    return true;
}

bool Track::LoadBillboard(Billboard& billboard, const BillboardDef& def)
{
    static constexpr float WHOLE_TEXTURE[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    if (!billboard.Load(GraphicsPath(def.texture).c_str(), def.width, def.height, def.colour, WHOLE_TEXTURE))
        return false;
    // Before any placement: the system counts the colliding ones as they are added.
    billboard.collisionRadius = def.collisionRadius;
    billboard.material = def.material;
    const Vector3 centre = {0.0f, 0.0f, 0.0f};
    return billboards.AddFromMask(GraphicsPath(def.mask).c_str(), heightMapWidth, heightMapHeight, &billboard, &terrain,
                                  def.yOffset, &centre, &worldSize);
}

bool Track::CreateWater(Water& water, const WaterDef& def)
{
    const std::string texture = def.texture != nullptr ? GraphicsPath(def.texture) : std::string();
    if (!water.Create(def.texture != nullptr ? texture.c_str() : nullptr, def.sizeX, def.sizeZ, def.alpha, def.tileU,
                      def.tileV, def.sourceBlend, def.scrollSpeed))
        return false;
    water.position = def.centre;
    return true;
}

bool Track::CreateLensFlare(LensFlare& flare, const LensFlareDef& def)
{
    // Before Create, which sizes the flare's buffer by the element count.
    for (const FlareElementDef& e : SUN_FLARE_ELEMENTS)
        flare.AddElement(e.size, e.colour[0], e.colour[1], e.colour[2], e.colour[3], e.position, e.textureIndex);
    return flare.Create(SUN_FLARE_TEXTURES, def.distance, def.size, &def.sunDirection, def.colour);
}

void Track::RenderSunFlare(LensFlare& flare, const Camera* camera)
{
    flare.Update(*camera);
    flare.RenderSun(false);
    if (!flare.visible || !flare.BeginSunMap())
        return;
    RenderFlareOccluders(camera);
    flare.ComputeIntensity(*camera);
    flare.Render();
}

void Track::BuildBillboardTree(const TreeDef& tree)
{
    billboards.BuildTree(tree.depth, &tree.centre, &tree.size);
}

bool Track::LoadModels(std::span<const char* const> paths)
{
    for (const char* path : paths) {
        Model* model = LoadModel(path, nullptr);
        if (model == nullptr)
            return false;
        models.push_back(model);
    }
    return true;
}

bool Track::LoadTextures(std::span<const char* const> paths)
{
    for (const char* path : paths) {
        Texture* texture = new (std::nothrow) Texture();
        if (texture == nullptr)
            return false;
        if (!texture->Load(path)) {
            delete texture;
            return false;
        }
        textures.push_back(texture);
    }
    return true;
}

void Track::AppendPlacements(std::span<const PlacementDef> statics, std::span<const PlacementDef> dynamics)
{
    for (const PlacementDef& p : statics)
        staticPlacements.emplace_back(p.modelIndex, p.textureIndex, p.name, &p.position, &p.rotation, p.materialIndex,
                                      p.hasBoxSize, &p.boxSize, p.snapToGround, p.heightAboveGround);
    for (const PlacementDef& p : dynamics)
        dynamicPlacements.emplace_back(p.modelIndex, p.textureIndex, p.name, &p.position, &p.rotation, p.mass,
                                       p.materialIndex, p.hasBoxSize, &p.boxSize, p.snapToGround, p.heightAboveGround);
}

bool Track::LoadObjects(std::span<const char* const> modelPaths, std::span<const char* const> texturePaths,
                        std::span<const PlacementDef> statics, std::span<const PlacementDef> dynamics,
                        const TreeDef& tree)
{
    if (!LoadModels(modelPaths) || !LoadTextures(texturePaths))
        return false;
    AppendPlacements(statics, dynamics);
    return BuildObjects(tree);
}

bool Track::BuildObjects(const TreeDef& tree)
{
    return BuildObjects(tree.depth, &tree.centre, &tree.size);
}

void Track::SetLight(const LightDef& def)
{
    light.SetDirectional(&def.direction, LIGHT_RANGE, def.diffuse[0], def.diffuse[1], def.diffuse[2], def.diffuse[3],
                         def.ambient[0], def.ambient[1], def.ambient[2], def.ambient[3], def.specular[0],
                         def.specular[1], def.specular[2], def.specular[3]);
}

void Track::ApplyLighting(uint32_t ambient)
{
    backend::GpuDevice* device = g_RenderDevice.device;
    for (uint32_t i = 0; i < DEVICE_LIGHTS; ++i)
        device->LightEnable(i, false);
    device->SetRenderState(backend::D3DRS_AMBIENT, ambient);
    device->SetLight(0, &light);
    device->LightEnable(0, true);
}

bool Track::CreatePhysicsWithGround(PhysicsEngine* physics, float groundFriction)
{
    if (!Track::CreatePhysics(physics))
        return false;
    physics->simulator->SetMaterial(0, groundFriction, 0.0f);
    return true;
}
