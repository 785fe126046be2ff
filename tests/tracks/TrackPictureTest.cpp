#include "TrackTestKit.h"

#include "engine/platform/RenderDevice.h"
#include "engine/scene/Billboard.h"
#include "engine/scene/Camera.h"

#include "backend/gpu/GpuDevice.h"

#include <cstdlib>
#include <string>

using backend::Vector3;

namespace {

int Red(uint32_t c)
{
    return int(c >> 16 & 0xFF);
}
int Green(uint32_t c)
{
    return int(c >> 8 & 0xFF);
}
int Blue(uint32_t c)
{
    return int(c & 0xFF);
}

// Pixels of the two pictures that differ by more than a little, within a square around (x, y).
int DifferingPixels(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, backend::Vector2 centre, int radius)
{
    int count = 0;
    for (int y = int(centre.y) - radius; y <= int(centre.y) + radius; ++y)
        for (int x = int(centre.x) - radius; x <= int(centre.x) + radius; ++x) {
            if (x < 0 || x >= 800 || y < 0 || y >= 600)
                continue;
            const size_t i = size_t(y) * 800 + size_t(x);
            if (!ColourNear(a[i], b[i], 24))
                ++count;
        }
    return count;
}

} // namespace

class TrackPicture : public TrackTest, public ::testing::WithParamInterface<TrackId> {};

// From start place 0, looking along the road: sky above, ground below, the
// road layer where the road is, and both finish poles where they stand.
TEST_P(TrackPicture, StartGridViewShowsSkyGroundRoadAndBothFinishPoles)
{
    ASSERT_TRUE(OpenTrack(GetParam())) << g_LastError;
    ASSERT_TRUE(CreateWorld());
    const char* const faces[] = {"Front", "Back", "Left", "Right", "Up", "Down"};
    for (int face = 0; face < 6; ++face)
        EXPECT_TRUE(std::string(track->skybox.faces[face].name).ends_with(std::string("Skybox") + faces[face] + ".dds"))
            << track->skybox.faces[face].name;
    const TrackStartPosition& start = track->trackData.startPositions[0];
    const Vector3 moped = {start.x, 0.0f, start.z};
    track->Reset(&moped);
    track->Update(&moped);
    const Camera camera = StartCamera(0);
    const std::vector<uint32_t> full = DrawTrack(camera);
    SaveArtifact(std::string("track-") + g_TrackDirectoryNames[GetParam()], full);

    // Sky: the top rows are lit and blue leads; in the town only the gap over the street.
    int skyColumns = 0;
    for (int x = 0; x < 800; x += 10) {
        const uint32_t sky = full[size_t(5) * 800 + size_t(x)];
        skyColumns += Blue(sky) > Red(sky) && Blue(sky) > 80 ? 1 : 0;
    }
    EXPECT_GE(skyColumns, GetParam() == TRACK_USA ? 12 : 72);
    // Ground: the bottom rows are lit, not black and not sky.
    for (int x = 0; x < 800; x += 100) {
        const uint32_t ground = full[size_t(595) * 800 + size_t(x)];
        EXPECT_GT(Red(ground) + Green(ground) + Blue(ground), 60) << "x " << x;
        EXPECT_FALSE(Blue(ground) > Red(ground) + 30 && Blue(ground) > Green(ground) + 30) << "x " << x;
    }

    // The road layer shows on the road ahead and not beside it.
    const TrackSegment* ahead = track->trackData.firstSegment->next;
    Vector3 onRoad = {ahead->centre.x, 0.0f, ahead->centre.z};
    ASSERT_TRUE(track->terrain.SnapToGroundXZ(&onRoad, 0.0f));
    auto& passes = track->terrain.passes;
    const size_t roadIndex = RoadPassIndex(GetParam(), passes.size());
    auto roadPass = std::move(passes[roadIndex]);
    passes.erase(passes.begin() + std::ptrdiff_t(roadIndex));
    const std::vector<uint32_t> withoutRoad = DrawTrack(camera);
    passes.insert(passes.begin() + std::ptrdiff_t(roadIndex), std::move(roadPass));
    EXPECT_GT(DifferingPixels(full, withoutRoad, ProjectToScreen(camera, onRoad), 3), 20);

    // Each finish pole leaves its mark: drawing without them changes the picture where they stand.
    std::vector<DynamicTrackObject*> objects = track->dynamicObjects;
    std::vector<DynamicTrackObject*> poles(objects.end() - 2, objects.end());
    track->dynamicObjects.erase(track->dynamicObjects.end() - 2, track->dynamicObjects.end());
    const std::vector<uint32_t> withoutPoles = DrawTrack(camera);
    track->dynamicObjects = objects;
    for (const DynamicTrackObject* pole : poles) {
        const Vector3 middle = {pole->world.m[3][0], pole->world.m[3][1], pole->world.m[3][2]};
        EXPECT_TRUE(camera.IsPointInFrustum(&middle));
        EXPECT_GT(DifferingPixels(full, withoutPoles, ProjectToScreen(camera, middle), 4), 8);
    }
}

// Released and restored around two device resets, the track gives back every
// billboard texture and makes each again without a leak, and draws the same
// pictures: from the grid, and where the sea or the fog sheets are in view,
// each frame after one that saw only the ground. The first reset brings a
// depth buffer without stencil, where the sky is drawn first and the terrain
// over it; with stencil the terrain marks where the sky need not be drawn.
TEST_P(TrackPicture, ReleaseAndRestoreLeaveThePictureUnchangedWithOrWithoutStencil)
{
    ASSERT_TRUE(OpenTrack(GetParam())) << g_LastError;
    const Camera start = StartCamera(0);
    std::vector<Camera> cameras = {start};
    if (GetParam() == TRACK_HAWAII)
        cameras.push_back(UseCamera({0.0f, 70.0f, 180.0f}, {-0.6f, 0.0f, 0.0f}));
    if (GetParam() == TRACK_MEXICO)
        cameras.push_back(UseCamera({40.0f, 50.0f, 64.0f}, {-0.45f, SCENE_PI / 2, 0.0f}));
    const Camera ground = UseCamera(start.eye, {-1.2f, start.angles.y, 0.0f});
    auto drawAfterGround = [&](const Camera& camera) {
        DrawTrack(ground);
        return DrawTrack(camera);
    };
    std::vector<std::vector<uint32_t>> before;
    for (const Camera& camera : cameras)
        before.push_back(drawAfterGround(camera));
    backend::GpuDevice* device = g_RenderDevice.device;
    const uint32_t defaultPool = device->GetLiveDefaultPoolCount();
    const uint32_t live = device->GetLiveResourceCount();
    const std::vector<const Billboard*> billboards = BillboardKinds(*track);
    for (int round = 0; round < 2; ++round) {
        device->ForceDeviceLoss(1);
        EXPECT_EQ(device->TestCooperativeLevel(), backend::GPUERR_DEVICELOST);
        track->Release();
        EXPECT_EQ(device->GetLiveDefaultPoolCount(), 0u);
        for (const Billboard* billboard : billboards)
            EXPECT_EQ(billboard->texture.texture, nullptr) << billboard->texture.name;
        g_RenderDevice.presentParameters.AutoDepthStencilFormat =
            round == 0 ? backend::D3DFMT_D24X8 : backend::D3DFMT_D24S8;
        ASSERT_TRUE(backend::GpuSucceeded(device->Reset(&g_RenderDevice.presentParameters)));
        EXPECT_EQ(device->TargetHasStencil(), round == 1);
        g_RenderDevice.ResetStateCache();
        ApplyFixedStates();
        ASSERT_TRUE(track->Restore()) << g_LastError;
        EXPECT_EQ(device->GetLiveDefaultPoolCount(), defaultPool) << "round " << round;
        EXPECT_EQ(device->GetLiveResourceCount(), live) << "round " << round;
        for (const Billboard* billboard : billboards)
            EXPECT_NE(billboard->texture.texture, nullptr) << billboard->texture.name;
        for (size_t view = 0; view < cameras.size(); ++view)
            EXPECT_TRUE(drawAfterGround(cameras[view]) == before[view]) << "round " << round << " view " << view;
    }
}

// The terrain's layers folded into texture stages draw the picture its passes
// blended one over another draw, to within a step per channel: from the grid
// and turned three ways round.
TEST_P(TrackPicture, FoldedTerrainLayersDrawThePictureOfBlendedPasses)
{
    ASSERT_TRUE(OpenTrack(GetParam())) << g_LastError;
    const Camera start = StartCamera(0);
    for (int quarter = 0; quarter < 4; ++quarter) {
        const Vector3 angles = {start.angles.x, start.angles.y + float(quarter) * SCENE_PI / 2, 0.0f};
        const Camera camera = UseCamera(start.eye, angles);
        const std::vector<uint32_t> folded = DrawTrack(camera);
        std::vector<uint32_t> blended;
        {
            TextureStageLimit limit(2);
            blended = DrawTrack(camera);
        }
        EXPECT_TRUE(SameUpToLayerRounding(folded, blended)) << "turned " << quarter << " quarters";
    }
}

INSTANTIATE_TEST_SUITE_P(BuiltTracks, TrackPicture, ::testing::ValuesIn(BuiltTracks()), TrackTestName);
