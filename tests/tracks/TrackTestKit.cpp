#include "TrackTestKit.h"

#include "tracks/CreateTrack.h"

#include "datagen/writers/FileWriter.h"
#include "datagen/writers/PngWriter.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/Camera.h"

#include "backend/files/Files.h"
#include "backend/gpu/GpuDevice.h"
#include "physics/TSimulator.h"

#include <cmath>
#include <filesystem>

using backend::Vector3;

void TrackTest::TearDown()
{
    FreeTrack();
    physics.Destroy();
    SceneTest::TearDown();
}

bool TrackTest::LoadTrack(TrackId id)
{
    FreeTrack();
    track.reset(CreateTrack(id));
    return track != nullptr && track->Load();
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

const std::vector<TrackId>& BuiltTracks()
{
    static const std::vector<TrackId> built = {TRACK_FINLAND, TRACK_UK};
    return built;
}

std::string TrackTestName(const ::testing::TestParamInfo<TrackId>& info)
{
    return g_TrackDirectoryNames[info.param];
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
            list.push_back(name.starts_with("Graphics\\") ? name : BuildTrackGraphicsPath(track) + name);
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
    static const std::vector<std::string> none;
    return id == TRACK_FINLAND ? finland : id == TRACK_UK ? uk : none;
}

void SaveArtifact(const std::string& name, const std::vector<uint32_t>& pixels)
{
    datagen::RgbaImage image(800, 600);
    image.pixels = pixels;
    const std::filesystem::path folder = std::filesystem::path(backend::BaseDirectory()) / "artifacts";
    std::filesystem::create_directories(folder);
    datagen::WriteFileBytes((folder / (name + ".png")).string(), datagen::EncodePng(image, false));
}
