#include "tracks/HawaiiTrack.h"

#include "tracks/HawaiiDefs.h"

using namespace HawaiiDefs;

HawaiiTrack::HawaiiTrack() : Track(TRACK_HAWAII)
{
    SetConstants(CONSTANTS);
}

bool HawaiiTrack::Load()
{
    if (!Track::Load() || !AddTerrainPasses(PASSES) || !CreateWater(water, SEA) || !LoadBillboard(palmBillboard, PALM))
        return false;
    BuildBillboardTree(BILLBOARD_TREE);
    const SmokeDef& smoke = VOLCANO_SMOKE;
    if (!volcanoSmoke.Create(smoke.count, (graphicsDir + smoke.texture).c_str(), &smoke.position, &smoke.direction,
                             smoke.sourceBlend, smoke.size, smoke.speed, smoke.shrink, smoke.fade, smoke.spread,
                             smoke.looping))
        return false;
    if (!LoadObjects(MODELS, TEXTURES, {}, DYNAMIC_PLACEMENTS, OBJECT_TREE))
        return false;
    SetLight(LIGHT);
    return true;
}

bool HawaiiTrack::CreatePhysics(PhysicsEngine* physics)
{
    return CreatePhysicsWithGround(physics, GROUND_FRICTION);
}

void HawaiiTrack::Reset(const backend::Vector3* mopedPosition)
{
    Track::Reset(mopedPosition);
    volcanoSmoke.Reset();
}

void HawaiiTrack::SetupLighting()
{
    ApplyLighting(LIGHT.deviceAmbient);
}

void HawaiiTrack::Update(const backend::Vector3* mopedPosition)
{
    Track::Update(mopedPosition);
    water.Update();
    volcanoSmoke.Update();
}

void HawaiiTrack::RenderTransparent(const Camera* camera)
{
    water.Render(false);
    Track::RenderTransparent(camera);
}

void HawaiiTrack::RenderParticles(const Camera* camera)
{
    volcanoSmoke.Render(camera);
}

bool HawaiiTrack::Restore()
{
    return Track::Restore() && water.Restore() && palmBillboard.Restore() && volcanoSmoke.Restore();
}

void HawaiiTrack::Release()
{
    volcanoSmoke.Release();
    palmBillboard.Release();
    water.Release();
    Track::Release();
}

void HawaiiTrack::Destroy()
{
    volcanoSmoke.Clear();
    Track::Destroy();
}
