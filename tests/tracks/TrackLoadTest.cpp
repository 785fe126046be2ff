#include "TrackTestKit.h"

#include "backend/files/Files.h"
#include "backend/gpu/GpuDevice.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/Billboard.h"
#include "physics/TSimulator.h"

#include <cmath>
#include <filesystem>
#include <ostream>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct BuiltTrack {
    TrackId id;
    int32_t staticCount, dynamicCount;
    float groundFriction;
    uint32_t ambient;
    backend::Vector3 lightDirection;
    bool trees = true; // colliding billboards from its masks
};

const BuiltTrack BUILT_TRACKS[] = {{TRACK_FINLAND, 33, 14, 5.0f, 0xFF4D4D4D, {-0.682f, -0.55484f, 0.78228f}},
                                   {TRACK_CAMBODIA, 9, 2, 3.0f, 0xFF333333, {0.0f, -1.0f, 1.0f}},
                                   {TRACK_MEXICO, 0, 2, 6.0f, 0xFF666666, {-0.72312f, -0.55775f, -0.40746f}},
                                   {TRACK_UK, 0, 2, 4.0f, 0xFF4D4D4D, {-0.22281f, -0.94888f, -0.22359f}},
                                   {TRACK_EGYPT, 3, 2, 6.0f, 0xFF666666, {-1.0f, -3.0f, 1.0f}},
                                   {TRACK_HAWAII, 0, 2, 6.0f, 0xFF4D4D4D, {0.2739f, -0.87462f, 0.40002f}},
                                   {TRACK_TANZANIA, 0, 2, 4.0f, 0xFF666666, {-0.74216f, -0.55775f, 0.37165f}},
                                   {TRACK_FINLAND2, 8, 2, 2.2f, 0xFF4D4D4D, {-0.682f, -0.47716f, 0.55425f}},
                                   {TRACK_USA, 333, 224, 6.0f, 0xFF4D4D4D, {1.0f, -1.0f, 0.0f}, false},
                                   {TRACK_GERMANY, 1428, 2, 5.0f, 0xFF4D4D4D, {-0.74216f, -0.55775f, 0.37165f}, false}};

// What a rider feels and sees of each track: the collision radius of each of its
// billboard kinds (0 for grass, which does not collide) and the tiling of each
// terrain layer, base first.
struct TrackFeel {
    std::vector<float> collisionRadii;
    std::vector<std::pair<float, float>> tiling;
};

TrackFeel FeelOf(TrackId id)
{
    switch (id) {
    case TRACK_FINLAND:
        return {{0.5f, 0.42f, 0.57f}, {{278.26f, 400.0f}, {400.0f, 575.0f}}};
    case TRACK_CAMBODIA:
        return {{0.25f, 0.0f}, {{240.0f, 375.0f}, {100.0f, 156.25f}}};
    case TRACK_MEXICO:
        return {{0.3f}, {{330.0f, 484.0f}, {330.0f, 484.0f}, {82.5f, 121.0f}}};
    case TRACK_UK:
        return {{0.32f}, {{50.0f, 66.66f}, {50.0f, 66.66f}}};
    case TRACK_TANZANIA:
        return {{0.66f, 0.0f}, {{180.0f, 264.0f}, {180.0f, 264.0f}}};
    case TRACK_USA:
        return {{}, {{209.0f, 473.83f}, {700.0f, 1586.99f}, {120.0f, 272.06f}}};
    case TRACK_GERMANY:
        return {{}, {{200.0f, 275.0f}, {200.0f, 275.0f}, {400.0f, 550.0f}}};
    case TRACK_EGYPT:
        return {{0.32f}, {{100.0f, 146.29f}, {120.0f, 175.0f}}};
    case TRACK_HAWAII:
        return {{0.42f}, {{120.0f, 123.6f}, {300.0f, 309.0f}, {40.0f, 41.2f}, {600.0f, 618.0f}}};
    case TRACK_FINLAND2:
        return {{0.37f}, {{80.0f, 120.0f}, {80.0f, 120.0f}}};
    default:
        return {};
    }
}

void PrintTo(const BuiltTrack& built, std::ostream* out)
{
    *out << g_TrackDirectoryNames[built.id];
}

// The error each kind of missing file leaves behind.
std::string MissingFileError(const std::string& path)
{
    if (path.find("\\LensFlare\\") != std::string::npos)
        return "Error creating a lens flare!";
    if (path.ends_with("EnvMap.dds"))
        return "Error loading a cubic environment map!";
    if (path.ends_with(".dds"))
        return "Error loading a texture!";
    if (path.ends_with(".raw"))
        return "Error loading RAW file: File not found!";
    if (path.ends_with(".qvx"))
        return "Error loading QVX file: File not found!";
    if (path.ends_with(".x"))
        return "Error loading X file!";
    if (path.ends_with(".wav"))
        return "Error reading wave file MMIO: file not found!";
    return "Error loading track data";
}

} // namespace

// Inside every plane of the cell, with a margin.
bool InsideCell(const TrackSegment& cell, float x, float z, float margin)
{
    for (const float* plane : {cell.leftPlane, cell.rightPlane, cell.gatePlane, cell.nextGatePlane})
        if (plane[0] * x + plane[2] * z + plane[3] < margin)
            return false;
    return true;
}

class TrackLoad : public TrackTest, public ::testing::WithParamInterface<BuiltTrack> {
protected:
    // Six start places behind the start line: inside the last cells of the ring,
    // on the terrain, apart from each other and clear of every placed object.
    void ExpectStartGrid()
    {
        const TrackData& road = track->trackData;
        ASSERT_GE(road.startPositionCount, 6);
        const TrackSegment* last = road.firstSegment->prev;
        for (int slot = 0; slot < 6; ++slot) {
            const TrackStartPosition& start = road.startPositions[slot];
            backend::Vector3 point = {start.x, 0.0f, start.z};
            const TrackSegment* cell = road.FindSegment(&point);
            ASSERT_NE(cell, nullptr) << "slot " << slot;
            EXPECT_TRUE(cell == last || cell == last->prev) << "slot " << slot << " in cell " << cell->index;
            EXPECT_TRUE(InsideCell(*cell, start.x, start.z, 0.5f)) << "slot " << slot;
            EXPECT_TRUE(track->terrain.SnapToGroundXZ(&point, 0.0f)) << "slot " << slot;
            for (int other = 0; other < slot; ++other)
                EXPECT_GE(std::hypot(start.x - road.startPositions[other].x, start.z - road.startPositions[other].z),
                          2.0f);
            auto clear = [&](const BoundingBox& box) {
                return start.x < box.min.x - 1.0f || start.x > box.max.x + 1.0f || start.z < box.min.z - 1.0f ||
                       start.z > box.max.z + 1.0f;
            };
            for (const StaticTrackObject* object : track->staticObjects)
                EXPECT_TRUE(clear(object->bounds)) << "slot " << slot;
            for (const DynamicTrackObject* object : track->dynamicObjects)
                EXPECT_TRUE(clear(object->bounds)) << "slot " << slot;
        }
    }
};

TEST_P(TrackLoad, LoadsItsGridBodiesAndLightAndStandsInThePhysicsWorld)
{
    ASSERT_TRUE(OpenScene());
    {
        const BuiltTrack& built = GetParam();
        ASSERT_TRUE(LoadTrack(built.id)) << g_LastError;
        if (built.trees)
            EXPECT_GT(track->billboards.collidingCount, 100);
        else
            EXPECT_TRUE(track->billboards.instances.empty());
        EXPECT_LE(track->billboards.collidingCount, 1500);
        EXPECT_EQ(track->GetAnimatedBodyCount(), track->billboards.collidingCount + built.staticCount);
        EXPECT_EQ(track->GetRigidBodyCount(), built.dynamicCount);
        EXPECT_EQ(track->GetGeometryCount(), track->GetAnimatedBodyCount() + track->GetRigidBodyCount());
        ExpectStartGrid();

        const TrackFeel feel = FeelOf(built.id);
        std::vector<float> radii;
        for (const Billboard* kind : BillboardKinds(*track))
            radii.push_back(kind->collisionRadius);
        EXPECT_EQ(radii, feel.collisionRadii);
        std::vector<std::pair<float, float>> tiling;
        for (const std::unique_ptr<TerrainPass>& pass : track->terrain.passes)
            tiling.emplace_back(pass->tileU, pass->tileV);
        EXPECT_EQ(tiling, feel.tiling);

        // Pools sized exactly by the counts are enough, and all of them are used.
        ASSERT_TRUE(CreateWorld());
        EXPECT_EQ(physics.simulator->CreateAnimatedBody(), nullptr);
        EXPECT_EQ(physics.simulator->CreateRigidBody(), nullptr);
        float friction = 0.0f, restitution = 1.0f, density = 0.0f;
        ASSERT_TRUE(physics.simulator->GetMaterial(0, &friction, &restitution, &density));
        EXPECT_EQ(friction, built.groundFriction);
        EXPECT_EQ(restitution, 0.0f);

        // The lighting: only light 0, the track's sun, over the track's ambient.
        backend::GpuDevice* device = g_RenderDevice.device;
        device->SetRenderState(backend::D3DRS_AMBIENT, 0);
        device->LightEnable(3, true);
        track->SetupLighting();
        uint32_t ambient = 0;
        ASSERT_TRUE(backend::GpuSucceeded(device->GetRenderState(backend::D3DRS_AMBIENT, &ambient)));
        EXPECT_EQ(ambient, built.ambient);
        backend::GpuLight sun;
        ASSERT_TRUE(backend::GpuSucceeded(device->GetLight(0, &sun)));
        EXPECT_EQ(sun.Type, backend::D3DLIGHT_DIRECTIONAL);
        EXPECT_NEAR(sun.Direction.x, built.lightDirection.x, 1e-5f);
        EXPECT_NEAR(sun.Direction.y, built.lightDirection.y, 1e-5f);
        EXPECT_NEAR(sun.Direction.z, built.lightDirection.z, 1e-5f);
        for (uint32_t i = 0; i < 8; ++i) {
            bool enabled = false;
            ASSERT_TRUE(backend::GpuSucceeded(device->GetLightEnable(i, &enabled)));
            EXPECT_EQ(enabled, i == 0) << "light " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BuiltTracks, TrackLoad, ::testing::ValuesIn(BUILT_TRACKS),
                         [](const ::testing::TestParamInfo<BuiltTrack>& info) {
                             return std::string(g_TrackDirectoryNames[info.param.id]);
                         });

struct MissingFile {
    TrackId track;
    size_t index;
};

class TrackMissingFile : public TrackTest, public ::testing::WithParamInterface<MissingFile> {};

// Every file of the load list in turn is missing: Load fails with that
// file's message, and the partly loaded track gives every device object back.
TEST_P(TrackMissingFile, LoadFailsWithTheFilesMessageAndLeavesNothingBehind)
{
    ASSERT_TRUE(OpenScene());
    const std::vector<std::string>& files = TrackLoadList(GetParam().track);
    const std::string& missing = files[GetParam().index];
    const std::string original = backend::BaseDirectory();
    const fs::path folder = TempPath("game");
    for (const std::string& file : files) {
        if (&file == &missing)
            continue;
        fs::path target = folder / backend::ResolvePath(file).substr(original.size() + 1);
        fs::create_directories(target.parent_path());
        fs::create_symlink(backend::ResolvePath(file), target);
    }
    const uint32_t liveBefore = g_RenderDevice.device->GetLiveResourceCount();
    backend::SetBaseDirectory(folder.string());
    g_LastError.clear();
    const bool loaded = LoadTrack(GetParam().track);
    backend::SetBaseDirectory(original);

    EXPECT_FALSE(loaded) << missing;
    EXPECT_EQ(g_LastError, MissingFileError(missing)) << missing;
    FreeTrack();
    EXPECT_EQ(g_RenderDevice.device->GetLiveResourceCount(), liveBefore) << missing;
}

std::vector<MissingFile> EveryLoadedFile()
{
    std::vector<MissingFile> cases;
    for (TrackId id : BuiltTracks())
        for (size_t i = 0; i < TrackLoadList(id).size(); ++i)
            cases.push_back({id, i});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(LoadList, TrackMissingFile, ::testing::ValuesIn(EveryLoadedFile()),
                         [](const ::testing::TestParamInfo<MissingFile>& info) {
                             return std::string(g_TrackDirectoryNames[info.param.track]) + "_" +
                                    std::to_string(info.param.index);
                         });
