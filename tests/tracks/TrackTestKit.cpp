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

uint32_t PixelOf(const std::vector<uint32_t>& picture, const Camera& camera, const Vector3& point)
{
    const backend::Vector2 p = ProjectToScreen(camera, point);
    return picture[size_t(std::clamp(p.y, 0.0f, 599.0f)) * 800 + size_t(std::clamp(p.x, 0.0f, 799.0f))];
}

int Brightness(uint32_t colour)
{
    return int(colour >> 16 & 0xFF) + int(colour >> 8 & 0xFF) + int(colour & 0xFF);
}

Vector3 AnglesAlong(const Vector3& direction)
{
    const float length = std::sqrt(direction.x * direction.x + direction.y * direction.y + direction.z * direction.z);
    return {std::asin(direction.y / length), std::atan2(direction.x, direction.z), 0.0f};
}

uint32_t FlareIntensity(LensFlare& flare)
{
    backend::GpuSurface* surface = nullptr;
    std::vector<backend::GpuColor> pixels;
    EXPECT_TRUE(backend::GpuSucceeded(flare.intensityMap.texture->GetSurfaceLevel(0, &surface)));
    EXPECT_TRUE(backend::GpuSucceeded(g_RenderDevice.device->ReadPixels(surface, pixels)));
    surface->Release();
    return pixels.empty() ? 0u : (pixels[0] >> 16) & 0xFF;
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

const std::vector<std::string>& TrackLoadList(TrackId id)
{
    static const std::vector<std::string> base = {
        "Textures\\SkyboxFront.dds", "Textures\\SkyboxBack.dds",
        "Textures\\SkyboxLeft.dds",  "Textures\\SkyboxRight.dds",
        "Textures\\SkyboxUp.dds",    "Textures\\SkyboxDown.dds",
        "Textures\\EnvMap.dds",      "HeightMap.raw",
    };
    auto build = [](TrackId track, std::vector<std::string> own) {
        std::vector<std::string> list;
        for (const std::string& name : base)
            list.push_back(BuildTrackGraphicsPath(track) + name);
        list.push_back(BuildTrackDataPath(track) + "TrackData.tda");
        for (std::string& name : own)
            list.push_back(name.starts_with("Graphics\\") || name.starts_with("Audio\\")
                               ? name
                               : BuildTrackGraphicsPath(track) + name);
        return list;
    };
    static const std::vector<std::string> finland = build(TRACK_FINLAND, {"Textures\\Grass.dds",
                                                                          "Textures\\Gravel.dds",
                                                                          "Textures\\GravelAlpha.dds",
                                                                          "Textures\\Fir.dds",
                                                                          "FirTrees.raw",
                                                                          "Textures\\Pine.dds",
                                                                          "PineTrees.raw",
                                                                          "Textures\\Birch.dds",
                                                                          "BirchTrees.raw",
                                                                          "Models\\Cottage.x",
                                                                          "Models\\Cottage2.x",
                                                                          "Models\\Fence.x",
                                                                          "Models\\Rock.qvx",
                                                                          "Models\\Rock2.qvx",
                                                                          "Models\\Rock3.qvx",
                                                                          "Models\\Rock4.qvx",
                                                                          "Models\\Rock5.qvx",
                                                                          "Models\\Rock6.qvx",
                                                                          "Models\\Rock7.qvx",
                                                                          "Models\\Stone.qvx",
                                                                          "Models\\Stone2.qvx",
                                                                          "Models\\Stone3.qvx",
                                                                          "Models\\Stone4.qvx",
                                                                          "Models\\Stone5.qvx",
                                                                          "Models\\Stone6.qvx",
                                                                          "Models\\Stone7.qvx",
                                                                          "Graphics\\Models\\FinishPole.x",
                                                                          "Textures\\Cottage.dds",
                                                                          "Textures\\Cottage2.dds",
                                                                          "Textures\\Fence.dds",
                                                                          "Textures\\Rock.dds",
                                                                          "Textures\\Rock2.dds",
                                                                          "Textures\\Rock3.dds",
                                                                          "Textures\\Rock4.dds",
                                                                          "Textures\\Rock5.dds",
                                                                          "Textures\\Rock6.dds",
                                                                          "Graphics\\Textures\\FinishPole.dds"});
    static const std::vector<std::string> uk =
        build(TRACK_UK, {"Textures\\Sand.dds", "Textures\\Mud.dds", "Textures\\MudAlpha.dds", "Textures\\Fir.dds",
                         "Trees.raw", "Graphics\\Models\\FinishPole.x", "Graphics\\Textures\\FinishPole.dds"});
    static const std::vector<std::string> cambodia = build(
        TRACK_CAMBODIA, {"Textures\\Grass.dds", "Textures\\Sand.dds", "Textures\\SandAlpha.dds", "Textures\\Tree.dds",
                         "Trees.raw", "Textures\\FxGrass.dds", "FxGrass.raw", "Graphics\\Textures\\Rain.dds",
                         "Models\\Hut1.x", "Models\\Hut2.x", "Models\\Hut3.x", "Graphics\\Models\\FinishPole.x",
                         "Textures\\Hut.dds", "Graphics\\Textures\\FinishPole.dds", "Audio\\Sounds\\Rain.wav"});
    static const std::vector<std::string> germany =
        build(TRACK_GERMANY,
              {"Textures\\Grass.dds", "Textures\\Sand.dds", "Textures\\SandAlpha.dds", "Textures\\Asphalt.dds",
               "Textures\\AsphaltAlpha.dds", "Graphics\\Textures\\Rain.dds", "Models\\Seats.x", "Models\\TyreStack.x",
               "Graphics\\Models\\FinishPole.x", "Textures\\Seats.dds", "Textures\\TyreStackRed.dds",
               "Textures\\TyreStackWhite.dds", "Graphics\\Textures\\FinishPole.dds", "Audio\\Sounds\\Rain.wav"});
    static const std::vector<std::string> mexico =
        build(TRACK_MEXICO, {"Textures\\Sand.dds", "Textures\\Asphalt.dds", "Textures\\AsphaltAlpha.dds",
                             "Textures\\MountainRock.dds", "Textures\\MountainRockAlpha.dds", "Textures\\Fog.dds",
                             "Textures\\Cactus.dds", "Cacti.raw", "Graphics\\Textures\\LensFlare\\Flare0.dds",
                             "Graphics\\Textures\\LensFlare\\Flare1.dds", "Graphics\\Textures\\LensFlare\\Flare2.dds",
                             "Graphics\\Textures\\LensFlare\\Flare3.dds", "Graphics\\Textures\\LensFlare\\Flare4.dds",
                             "Graphics\\Textures\\LensFlare\\Flare5.dds", "Graphics\\Models\\FinishPole.x",
                             "Graphics\\Textures\\FinishPole.dds"});
    static const std::vector<std::string> egypt =
        build(TRACK_EGYPT,
              {"Textures\\Sand.dds", "Textures\\Asphalt.dds", "Textures\\AsphaltAlpha.dds", "Textures\\Water.dds",
               "Textures\\Palm.dds", "Trees.raw", "Graphics\\Textures\\LensFlare\\Flare0.dds",
               "Graphics\\Textures\\LensFlare\\Flare1.dds", "Graphics\\Textures\\LensFlare\\Flare2.dds",
               "Graphics\\Textures\\LensFlare\\Flare3.dds", "Graphics\\Textures\\LensFlare\\Flare4.dds",
               "Graphics\\Textures\\LensFlare\\Flare5.dds", "Models\\Pyramid.x", "Graphics\\Models\\FinishPole.x",
               "Textures\\Pyramid.dds", "Graphics\\Textures\\FinishPole.dds"});
    static const std::vector<std::string> hawaii = build(
        TRACK_HAWAII, {"Textures\\Sand.dds", "Textures\\Grass.dds", "Textures\\GrassAlpha.dds", "Textures\\Rock.dds",
                       "Textures\\RockAlpha.dds", "Textures\\Asphalt.dds", "Textures\\AsphaltAlpha.dds",
                       "Textures\\Water.dds", "Textures\\Palm.dds", "Trees.raw", "Textures\\VolcanoSmoke.dds",
                       "Graphics\\Models\\FinishPole.x", "Graphics\\Textures\\FinishPole.dds"});
    static const std::vector<std::string> tanzania =
        build(TRACK_TANZANIA, {"Textures\\Grass.dds", "Textures\\Sand.dds", "Textures\\SandAlpha.dds",
                               "Textures\\Acacia.dds", "Trees.raw", "Textures\\FxGrass.dds", "FxGrass.raw",
                               "Graphics\\Models\\FinishPole.x", "Graphics\\Textures\\FinishPole.dds"});
    static const std::vector<std::string> usa = [&build] {
        std::vector<std::string> own = {"Textures\\Asphalt.dds", "Textures\\Pavement.dds",
                                        "Textures\\PavementAlpha.dds", "Textures\\Grass.dds",
                                        "Textures\\GrassAlpha.dds"};
        for (const char* name :
             {"Building.x", "Building2.x", "Building3.x", "Building4.x", "Building5.x", "Skyscraper.x", "Skyscraper2.x",
              "Skyscraper3.x", "Skyscraper4.x", "Skyscraper5.x", "Skyscraper6.x", "Skyscraper7.x", "Skyscraper8.x",
              "TrafficSign.x", "TrafficLightOneSide.x", "TrafficLightTwoSides.x", "Car.qvx", "Block.x", "Ramp.x"})
            own.push_back(std::string("Models\\") + name);
        own.push_back("Graphics\\Models\\FinishPole.x");
        for (const char* name :
             {"Building",           "Building2",    "Building3",   "Building4",   "Building5",   "Skyscraper",
              "Skyscraper2",        "Skyscraper5",  "Skyscraper6", "Skyscraper7", "Skyscraper8", "TrafficSignToLeft",
              "TrafficSignToRight", "TrafficLight", "CarRed",      "CarBlue",     "CarYellow",   "CarWhite",
              "CarSilver",          "Block",        "Ramp"})
            own.push_back(std::string("Textures\\") + name + ".dds");
        own.push_back("Graphics\\Textures\\FinishPole.dds");
        return build(TRACK_USA, own);
    }();
    static const std::vector<std::string> finland2 =
        build(TRACK_FINLAND2,
              {"Textures\\Snow.dds", "Textures\\Sand.dds", "Textures\\SandAlpha.dds", "Textures\\Fir.dds", "Trees.raw",
               "Textures\\SnowFlake.dds", "Models\\Cottage.x", "Models\\Cottage2.x", "Graphics\\Models\\FinishPole.x",
               "Textures\\Cottage.dds", "Textures\\Cottage2.dds", "Graphics\\Textures\\FinishPole.dds"});
    static const std::vector<std::string> none;
    switch (id) {
    case TRACK_USA:
        return usa;
    case TRACK_MEXICO:
        return mexico;
    case TRACK_EGYPT:
        return egypt;
    case TRACK_HAWAII:
        return hawaii;
    case TRACK_FINLAND:
        return finland;
    case TRACK_CAMBODIA:
        return cambodia;
    case TRACK_GERMANY:
        return germany;
    case TRACK_TANZANIA:
        return tanzania;
    case TRACK_FINLAND2:
        return finland2;
    case TRACK_UK:
        return uk;
    default:
        return none;
    }
}

void SaveArtifact(const std::string& name, const std::vector<uint32_t>& pixels)
{
    datagen::RgbaImage image(800, 600);
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
