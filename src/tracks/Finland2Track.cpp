#include "tracks/Finland2Track.h"

#include "tracks/Finland2Defs.h"

using namespace Finland2Defs;

Finland2Track::Finland2Track() : Track(TRACK_FINLAND2)
{
    SetConstants(CONSTANTS);
}

bool Finland2Track::Load()
{
    if (!Track::Load() || !AddTerrainPasses(PASSES) || !LoadBillboard(firBillboard, FIR))
        return false;
    BuildBillboardTree(BILLBOARD_TREE);
    if (!snow.Create(SNOW_COUNT, SNOW_FLAKE_SIZE, (graphicsDir + SNOW_TEXTURE).c_str(), &SNOW_POSITION, SNOW_RADIUS,
                     SNOW_TOP, SNOW_BOTTOM, SNOW_JITTER, SNOW_FALL_VARIANCE, &SNOW_WIND))
        return false;
    if (!LoadObjects(MODELS, TEXTURES, STATIC_PLACEMENTS, DYNAMIC_PLACEMENTS, OBJECT_TREE))
        return false;
    SetLight(LIGHT);
    return true;
}

bool Finland2Track::CreatePhysics(PhysicsEngine* physics)
{
    return CreatePhysicsWithGround(physics, GROUND_FRICTION);
}

void Finland2Track::Reset(const backend::Vector3* mopedPosition)
{
    Track::Reset(mopedPosition);
    snow.position = {mopedPosition->x, SNOW_HEIGHT, mopedPosition->z};
    snow.Reset();
}

void Finland2Track::SetupLighting()
{
    ApplyLighting(LIGHT.deviceAmbient);
}

void Finland2Track::Update(const backend::Vector3* mopedPosition)
{
    Track::Update(mopedPosition);
    snow.position = {mopedPosition->x, SNOW_HEIGHT, mopedPosition->z};
    snow.Update();
}

void Finland2Track::RenderParticles(const Camera* camera)
{
    snow.Render(camera);
}

bool Finland2Track::Restore()
{
    return Track::Restore() && firBillboard.Restore() && snow.Restore();
}

void Finland2Track::Release()
{
    snow.Release();
    firBillboard.Release();
    Track::Release();
}

void Finland2Track::Destroy()
{
    snow.Clear();
    Track::Destroy();
}
