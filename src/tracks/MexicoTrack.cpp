#include "tracks/MexicoTrack.h"

#include "tracks/MexicoDefs.h"

#include "engine/platform/RenderDevice.h"

#include "backend/gpu/GpuTexture.h"

using namespace MexicoDefs;

MexicoTrack::MexicoTrack() : Track(TRACK_MEXICO)
{
    SetConstants(CONSTANTS);
}

MexicoTrack::~MexicoTrack()
{
    // A texture doesn't give its device object back by itself.
    fogTexture.Release();
}

bool MexicoTrack::Load()
{
    if (!Track::Load() || !AddTerrainPasses(PASSES))
        return false;
    if (!CreateWater(fogLayers[0], FOG_LAYERS[0]) || !CreateWater(fogLayers[1], FOG_LAYERS[1]))
        return false;
    if (!fogTexture.Load((graphicsDir + FOG_TEXTURE).c_str()) || !LoadBillboard(cactusBillboard, CACTUS))
        return false;
    BuildBillboardTree(BILLBOARD_TREE);
    if (!CreateLensFlare(lensFlare, LENS_FLARE))
        return false;
    if (!LoadObjects(MODELS, TEXTURES, {}, DYNAMIC_PLACEMENTS, OBJECT_TREE))
        return false;
    SetLight(LIGHT);
    return true;
}

bool MexicoTrack::CreatePhysics(PhysicsEngine* physics)
{
    return CreatePhysicsWithGround(physics, GROUND_FRICTION);
}

void MexicoTrack::SetupLighting()
{
    ApplyLighting(LIGHT.deviceAmbient);
}

void MexicoTrack::Update(const backend::Vector3* mopedPosition)
{
    Track::Update(mopedPosition);
    fogLayers[0].Update();
    fogLayers[1].Update();
}

void MexicoTrack::RenderTransparent(const Camera* camera)
{
    // The sheets have no texture of their own: they show the fog.
    g_RenderDevice.SetTexture(0, fogTexture.texture);
    fogLayers[0].Render(false);
    fogLayers[1].Render(false);
    Track::RenderTransparent(camera);
}

void MexicoTrack::RenderLensFlare(const Camera* camera)
{
    RenderSunFlare(lensFlare, camera);
}

void MexicoTrack::RenderFlareOccluders(const Camera*)
{
    terrain.Render(&lensFlare.flareCamera, true);
}

bool MexicoTrack::Restore()
{
    return Track::Restore() && fogLayers[0].Restore() && fogLayers[1].Restore() && fogTexture.Restore() &&
           cactusBillboard.Restore() && lensFlare.Restore();
}

void MexicoTrack::Release()
{
    lensFlare.Release();
    cactusBillboard.Release();
    fogTexture.Release();
    fogLayers[1].Release();
    fogLayers[0].Release();
    Track::Release();
}
