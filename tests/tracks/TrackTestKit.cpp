#include "TrackTestKit.h"

#include "tracks/CreateTrack.h"

#include "audio/AudioManager.h"
#include "backend/sound/SoundTestHooks.h"

#include "datagen/writers/FileWriter.h"
#include "datagen/writers/PngWriter.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/Camera.h"

#include "backend/files/Files.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuSurface.h"
#include "backend/gpu/GpuTexture.h"
#include "physics/ComputeInertiaFromSize.h"
#include "physics/TConvex.h"
#include "physics/TRigidBody.h"
#include "physics/TSimulator.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>

using backend::Vector3;

void TrackTest::TearDown()
{
    FreeTrack();
    physics.Destroy();
    if (GetAudioManager()->IsInitialized())
        GetAudioManager()->Shutdown();
    backend::UseLoopbackSoundDevice(false);
    SceneTest::TearDown();
}

bool TrackTest::LoadTrack(TrackId id)
{
    FreeTrack();
    // The rain tracks make their sound through the audio manager; it mixes only when a test asks.
    if (!GetAudioManager()->IsInitialized()) {
        backend::UseLoopbackSoundDevice(true);
        const AudioInitParams params;
        if (!GetAudioManager()->Init(&params))
            return false;
    }
    track.reset(CreateTrack(id));
    return track != nullptr && track->Load();
}

bool TrackTest::OpenTrack(TrackId id)
{
    return OpenScene() && LoadTrack(id);
}

void TrackTest::FreeTrack()
{
    if (track == nullptr)
        return;
    track->Release();
    track->Destroy();
    track.reset();
}

bool TrackTest::CreateWorld(int32_t extraRigid)
{
    const TVec4 gravity = Vec(0.0f, -9.81f, 0.0f, 0.0f);
    const int32_t rigid = track->GetRigidBodyCount() + extraRigid;
    const int32_t animated = track->GetAnimatedBodyCount();
    const int32_t geometries = track->GetGeometryCount() + extraRigid;
    if (!physics.Create(rigid, animated, 0, geometries, 0, 0, 0, 2000, 0, track->terrain.vertexCount, -1, &gravity))
        return false;
    return track->CreatePhysics(&physics);
}

TRigidBody* TrackTest::ThrowBox(const TVec4& size, float mass, const TVec4& position, const TVec4& velocity)
{
    TRigidBody* box = physics.simulator->CreateRigidBody();
    if (box == nullptr)
        return nullptr;
    box->AddGeometry()->SetBoxSize(&size);
    TVec4 inertia;
    box->SetMass(mass);
    box->SetInertiaTensor(ComputeInertiaFromSize(&inertia, &size, mass));
    box->SetPosition(&position);
    box->SetVelocity(&velocity);
    box->UpdateBoundingInfo();
    return box;
}

Camera TrackTest::StartCamera(int slot)
{
    // Behind and above start place `slot`, as a chase camera, looking at the start line.
    const TrackStartPosition& start = track->trackData.startPositions[slot];
    Vector3 standing = {start.x, 0.0f, start.z};
    const TrackSegment* cell = track->trackData.FindSegment(&standing);
    const Vector3 direction = cell != nullptr ? cell->direction : Vector3{0.0f, 0.0f, 1.0f};
    Vector3 eye = {start.x - direction.x * 12.0f, 0.0f, start.z - direction.z * 12.0f};
    track->terrain.SnapToGroundXZ(&eye, 2.5f);
    Vector3 line = track->trackData.firstSegment->centre;
    track->terrain.SnapToGroundXZ(&line, 0.0f);
    const float dx = line.x - eye.x, dz = line.z - eye.z;
    // Looking down a little less than at the line, which then sits below the middle of the picture.
    const float lookDown = std::atan2(eye.y - line.y, std::hypot(dx, dz)) - 0.1f;
    const Vector3 angles = {-lookDown, std::atan2(dx, dz), 0.0f};
    Camera camera;
    camera.Set(SCENE_PI / 4, 800.0f / 600.0f, 0.5f, track->viewValues.z, &eye, &angles);
    SetCameraMatrices(camera);
    return camera;
}

std::vector<uint32_t> TrackTest::DrawTrack(const Camera& camera)
{
    track->SetupLighting();
    SetCameraMatrices(camera);
    BeginFrame(0xFF000000u);
    track->Render(&camera);
    track->RenderTransparent(&camera);
    track->RenderLensFlare(&camera);
    track->RenderParticles(&camera);
    EndFrame();
    return ReadBackBuffer();
}

void TrackTest::ExpectWaterOnlyBelowItsLevel(Water& water, const Camera& camera, float level, backend::Vector2 size,
                                             Vector3 below, Vector3 above, const std::string& artifact)
{
    EXPECT_EQ(water.position.x, 0.0f);
    EXPECT_EQ(water.position.y, level);
    EXPECT_EQ(water.position.z, 0.0f);
    EXPECT_EQ(water.sizeX, size.x);
    EXPECT_EQ(water.sizeZ, size.y);
    const std::vector<uint32_t> withWater = DrawTrack(camera);
    if (!artifact.empty())
        SaveArtifact(artifact, withWater);
    water.position.y -= 100.0f;
    const std::vector<uint32_t> withoutWater = DrawTrack(camera);
    water.position.y += 100.0f;

    ASSERT_TRUE(track->terrain.SnapToGroundXZ(&below, 0.0f));
    ASSERT_TRUE(track->terrain.SnapToGroundXZ(&above, 0.0f));
    ASSERT_LT(below.y, level - 0.3f);
    ASSERT_GT(above.y, level + 0.3f);
    EXPECT_FALSE(ColourNear(PixelOf(withWater, camera, below), PixelOf(withoutWater, camera, below), 16));
    EXPECT_TRUE(ColourNear(PixelOf(withWater, camera, above), PixelOf(withoutWater, camera, above), 2));
}

Box Footprint(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int tolerance)
{
    Box box;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            const size_t i = size_t(y) * 800 + size_t(x);
            if (ColourNear(a[i], b[i], tolerance))
                continue;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
            box.sumX += x;
            box.sumY += y;
            ++box.count;
        }
    return box;
}

uint32_t PixelOf(const std::vector<uint32_t>& picture, const Camera& camera, const Vector3& point)
{
    const backend::Vector2 p = ProjectToScreen(camera, point);
    return picture[size_t(std::clamp(p.y, 0.0f, 599.0f)) * 800 + size_t(std::clamp(p.x, 0.0f, 799.0f))];
}

int Brightness(uint32_t colour)
{
    return int(colour >> 16 & 0xFF) + int(colour >> 8 & 0xFF) + int(colour & 0xFF);
}

namespace {

// Camera angles (pitch, yaw, roll) looking along `direction`.
Vector3 AnglesAlong(const Vector3& direction)
{
    const float length = std::sqrt(direction.x * direction.x + direction.y * direction.y + direction.z * direction.z);
    return {std::asin(direction.y / length), std::atan2(direction.x, direction.z), 0.0f};
}

// The red of the flare's measured intensity, 0 when the sun is hidden.
uint32_t FlareIntensity(LensFlare& flare)
{
    backend::GpuSurface* surface = nullptr;
    std::vector<backend::GpuColor> pixels;
    EXPECT_TRUE(backend::GpuSucceeded(flare.intensityMap.texture->GetSurfaceLevel(0, &surface)));
    EXPECT_TRUE(backend::GpuSucceeded(g_RenderDevice.device->ReadPixels(surface, pixels)));
    surface->Release();
    return pixels.empty() ? 0u : (pixels[0] >> 16) & 0xFF;
}

} // namespace

std::vector<const Billboard*> BillboardKinds(const Track& track)
{
    std::vector<const Billboard*> kinds;
    for (const std::unique_ptr<BillboardInstance>& instance : track.billboards.instances)
        if (std::find(kinds.begin(), kinds.end(), instance->billboard) == kinds.end())
            kinds.push_back(instance->billboard);
    return kinds;
}

const std::vector<TrackId>& BuiltTracks()
{
    static const std::vector<TrackId> built = {TRACK_FINLAND, TRACK_CAMBODIA, TRACK_MEXICO,   TRACK_UK,
                                               TRACK_EGYPT,   TRACK_HAWAII,   TRACK_TANZANIA, TRACK_USA,
                                               TRACK_GERMANY, TRACK_FINLAND2};
    return built;
}

std::string TrackTestName(const ::testing::TestParamInfo<TrackId>& info)
{
    return g_TrackDirectoryNames[info.param];
}

size_t RoadPassIndex(TrackId id, size_t count)
{
    // Mexico's mountain rock is drawn over its asphalt; the USA's streets are its base.
    if (id == TRACK_USA)
        return 0;
    return id == TRACK_MEXICO ? 1 : count - 1;
}

namespace {

// " <stem>.ext <stem>2.ext ... <stem><count>.ext"
std::string Numbered(const std::string& stem, int count, const std::string& ext)
{
    std::string names = " " + stem + ext;
    for (int i = 2; i <= count; ++i)
        names += " " + stem + std::to_string(i) + ext;
    return names;
}

// The files a track loads after its road, in load order, separated by spaces: below the track's
// graphics folder unless they are shared ones under "Graphics\" or "Audio\".
std::string OwnFiles(TrackId id)
{
    const std::string pole = " Graphics\\Models\\FinishPole.x", poleSkin = " Graphics\\Textures\\FinishPole.dds";
    const std::string rain = " Graphics\\Textures\\Rain.dds", rainSound = " Audio\\Sounds\\Rain.wav";
    std::string flares;
    for (int i = 0; i < 6; ++i)
        flares += " Graphics\\Textures\\LensFlare\\Flare" + std::to_string(i) + ".dds";
    switch (id) {
    case TRACK_FINLAND:
        return "Textures\\Grass.dds Textures\\Gravel.dds Textures\\GravelAlpha.dds Textures\\Fir.dds FirTrees.raw "
               "Textures\\Pine.dds PineTrees.raw Textures\\Birch.dds BirchTrees.raw Models\\Cottage.x "
               "Models\\Cottage2.x Models\\Fence.x" +
               Numbered("Models\\Rock", 7, ".qvx") + Numbered("Models\\Stone", 7, ".qvx") + pole +
               " Textures\\Cottage.dds Textures\\Cottage2.dds Textures\\Fence.dds" +
               Numbered("Textures\\Rock", 6, ".dds") + poleSkin;
    case TRACK_UK:
        return "Textures\\Sand.dds Textures\\Mud.dds Textures\\MudAlpha.dds Textures\\Fir.dds Trees.raw" + pole +
               poleSkin;
    case TRACK_CAMBODIA:
        return "Textures\\Grass.dds Textures\\Sand.dds Textures\\SandAlpha.dds Textures\\Tree.dds Trees.raw "
               "Textures\\FxGrass.dds FxGrass.raw" +
               rain + " Models\\Hut1.x Models\\Hut2.x Models\\Hut3.x" + pole + " Textures\\Hut.dds" + poleSkin +
               rainSound;
    case TRACK_GERMANY:
        return "Textures\\Grass.dds Textures\\Sand.dds Textures\\SandAlpha.dds Textures\\Asphalt.dds "
               "Textures\\AsphaltAlpha.dds" +
               rain + " Models\\Seats.x Models\\TyreStack.x" + pole +
               " Textures\\Seats.dds Textures\\TyreStackRed.dds Textures\\TyreStackWhite.dds" + poleSkin + rainSound;
    case TRACK_MEXICO:
        return "Textures\\Sand.dds Textures\\Asphalt.dds Textures\\AsphaltAlpha.dds Textures\\MountainRock.dds "
               "Textures\\MountainRockAlpha.dds Textures\\Fog.dds Textures\\Cactus.dds Cacti.raw" +
               flares + pole + poleSkin;
    case TRACK_EGYPT:
        return "Textures\\Sand.dds Textures\\Asphalt.dds Textures\\AsphaltAlpha.dds Textures\\Water.dds "
               "Textures\\Palm.dds Trees.raw" +
               flares + " Models\\Pyramid.x" + pole + " Textures\\Pyramid.dds" + poleSkin;
    case TRACK_HAWAII:
        return "Textures\\Sand.dds Textures\\Grass.dds Textures\\GrassAlpha.dds Textures\\Rock.dds "
               "Textures\\RockAlpha.dds Textures\\Asphalt.dds Textures\\AsphaltAlpha.dds Textures\\Water.dds "
               "Textures\\Palm.dds Trees.raw Textures\\VolcanoSmoke.dds" +
               pole + poleSkin;
    case TRACK_TANZANIA:
        return "Textures\\Grass.dds Textures\\Sand.dds Textures\\SandAlpha.dds Textures\\Acacia.dds Trees.raw "
               "Textures\\FxGrass.dds FxGrass.raw" +
               pole + poleSkin;
    case TRACK_USA:
        return "Textures\\Asphalt.dds Textures\\Pavement.dds Textures\\PavementAlpha.dds Textures\\Grass.dds "
               "Textures\\GrassAlpha.dds" +
               Numbered("Models\\Building", 5, ".x") + Numbered("Models\\Skyscraper", 8, ".x") +
               " Models\\TrafficSign.x Models\\TrafficLightOneSide.x Models\\TrafficLightTwoSides.x Models\\Car.qvx "
               "Models\\Block.x Models\\Ramp.x" +
               pole + Numbered("Textures\\Building", 5, ".dds") +
               " Textures\\Skyscraper.dds Textures\\Skyscraper2.dds Textures\\Skyscraper5.dds "
               "Textures\\Skyscraper6.dds Textures\\Skyscraper7.dds Textures\\Skyscraper8.dds "
               "Textures\\TrafficSignToLeft.dds "
               "Textures\\TrafficSignToRight.dds Textures\\TrafficLight.dds "
               "Textures\\CarRed.dds Textures\\CarBlue.dds Textures\\CarYellow.dds Textures\\CarWhite.dds "
               "Textures\\CarSilver.dds Textures\\Block.dds Textures\\Ramp.dds" +
               poleSkin;
    case TRACK_FINLAND2:
        return "Textures\\Snow.dds Textures\\Sand.dds Textures\\SandAlpha.dds Textures\\Fir.dds Trees.raw "
               "Textures\\SnowFlake.dds Models\\Cottage.x Models\\Cottage2.x" +
               pole + " Textures\\Cottage.dds Textures\\Cottage2.dds" + poleSkin;
    default:
        return {};
    }
}

std::vector<std::string> LoadList(TrackId id)
{
    std::vector<std::string> list;
    for (const char* sky : {"Front", "Back", "Left", "Right", "Up", "Down"})
        list.push_back(BuildTrackGraphicsPath(id) + "Textures\\Skybox" + sky + ".dds");
    list.push_back(BuildTrackGraphicsPath(id) + "Textures\\EnvMap.dds");
    list.push_back(BuildTrackGraphicsPath(id) + "HeightMap.raw");
    list.push_back(BuildTrackDataPath(id) + "TrackData.tda");
    std::istringstream own(OwnFiles(id));
    for (std::string name; own >> name;)
        list.push_back(
            name.starts_with("Graphics\\") || name.starts_with("Audio\\") ? name : BuildTrackGraphicsPath(id) + name);
    return list;
}

} // namespace

const std::vector<std::string>& TrackLoadList(TrackId id)
{
    static std::vector<std::string> lists[TRACK_COUNT];
    static const std::vector<std::string> none;
    if (uint32_t(id) >= TRACK_COUNT)
        return none;
    if (lists[id].empty())
        lists[id] = LoadList(id);
    return lists[id];
}

void SaveArtifact(const std::string& name, const std::vector<uint32_t>& pixels, uint32_t width, uint32_t height)
{
    datagen::RgbaImage image(width, height);
    image.pixels = pixels;
    const std::filesystem::path folder = std::filesystem::path(backend::BaseDirectory()) / "artifacts";
    std::filesystem::create_directories(folder);
    datagen::WriteFileBytes((folder / (name + ".png")).string(), datagen::EncodePng(image, false));
}

std::vector<const TrackSegment*> RoadCells(const TrackData& road)
{
    std::vector<const TrackSegment*> cells;
    const TrackSegment* cell = road.firstSegment;
    do {
        cells.push_back(cell);
        cell = cell->next;
    } while (cell != road.firstSegment);
    return cells;
}

std::vector<Vector3> CentreLine(const TrackData& road, float spacing, int laps)
{
    const Vector3 from = {road.startPositions[0].x, 0.0f, road.startPositions[0].z};
    const TrackSegment* cell = road.FindSegment(&from);
    std::vector<Vector3> corners = {from};
    const int gates = int(RoadCells(road).size());
    for (int i = 0; i <= gates * laps + 4; ++i) {
        cell = cell->next;
        corners.push_back(cell->centre);
    }
    std::vector<Vector3> points;
    float carried = 0.0f;
    for (size_t i = 1; i < corners.size(); ++i) {
        const float dx = corners[i].x - corners[i - 1].x, dz = corners[i].z - corners[i - 1].z;
        const float length = std::hypot(dx, dz);
        for (; carried < length; carried += spacing)
            points.push_back(
                {corners[i - 1].x + dx * carried / length, 0.0f, corners[i - 1].z + dz * carried / length});
        carried -= length;
    }
    return points;
}

uint32_t TrackTest::FlareSeenFrom(LensFlare& flare, const Vector3& eye, const Vector3& sun)
{
    DrawTrack(UseCamera(eye, AnglesAlong(sun)));
    EXPECT_TRUE(flare.visible);
    return FlareIntensity(flare);
}

Vector3 Origin(const backend::Matrix& world)
{
    return {world.m[3][0], world.m[3][1], world.m[3][2]};
}
