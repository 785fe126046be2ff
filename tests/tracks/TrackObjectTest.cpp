#include "engine/scene/SceneTestFixture.h"

#include "engine/models/ModelTestShapes.h"
#include "engine/models/QvxModel.h"
#include "engine/platform/BoxCorners.h"
#include "engine/platform/MathUtil.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/Texture.h"
#include "physics/PhysicsEngine.h"
#include "physics/TSimulator.h"
#include "tracks/DynamicObjectPlacement.h"
#include "tracks/DynamicTrackObject.h"
#include "tracks/StaticObjectPlacement.h"
#include "tracks/StaticTrackObject.h"
#include "tracks/Track.h"

#include "backend/gpu/GpuTexture.h"

#include <cmath>
#include <string>
#include <vector>

using backend::Matrix;
using backend::Vector3;

namespace {

// Corners of `box` through `world`, boxed: the bounds an object must report.
BoundingBox Transformed(const BoundingBox& box, const Matrix& world)
{
    BoxCorners corners;
    box.GetCorners(&corners);
    BoundingBox out;
    corners.GetTransformedBounds(&out, &world);
    return out;
}

BoundingBox Box(Vector3 min, Vector3 max)
{
    BoundingBox box;
    box.min = min;
    box.max = max;
    return box;
}

void ExpectVec3(const Vector3& actual, const Vector3& expected, float tolerance = 1e-5f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

void ExpectBox(const BoundingBox& actual, const BoundingBox& expected, float tolerance = 1e-4f)
{
    ExpectVec3(actual.min, expected.min, tolerance);
    ExpectVec3(actual.max, expected.max, tolerance);
}

void ExpectMatrix(const Matrix& actual, const Matrix& expected, float tolerance = 1e-5f)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tolerance) << "row " << r << " column " << c;
}

// A body's pose as a world matrix: rotation rows, then the position.
Matrix PoseOf(const TBody& body)
{
    const TMat44 pose = body.WorldTransform();
    Matrix world;
    for (int r = 0; r < 4; ++r)
        world.m[r][0] = pose.row[r].x, world.m[r][1] = pose.row[r].y, world.m[r][2] = pose.row[r].z;
    world.m[3][3] = 1.0f;
    return world;
}

Matrix WorldOf(Vector3 position, Vector3 rotation)
{
    Matrix world;
    BuildWorldMatrix(&world, &position, &rotation);
    return world;
}

// A track with nothing of its own: the objects come from the test's records.
class RecordTrack : public Track {
public:
    RecordTrack() : Track(TRACK_UK) {}
    ~RecordTrack() override
    {
        // The models and textures belong to the test.
        models.clear();
        textures.clear();
    }
    void SetupLighting() override {}
};

const TConvex& FirstGeometry(const TBody& body)
{
    return *body.bounds.next;
}

class TrackObjectTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        ASSERT_TRUE(OpenScene());
    }

    void TearDown() override
    {
        placed.clear();
        for (auto& model : models)
            model->Destroy();
        models.clear();
        for (auto& texture : textures)
            texture->Release();
        textures.clear();
        physics.Destroy();
        SceneTest::TearDown();
    }

    QvxModel* LoadModel(const std::string& file, const std::vector<datagen::QvxFrame>& frames)
    {
        const std::string path = TempPath(file);
        EXPECT_TRUE(datagen::WriteQvx(path, frames));
        models.push_back(std::make_unique<QvxModel>());
        EXPECT_TRUE(models.back()->Load(path.c_str(), nullptr, nullptr));
        return models.back().get();
    }

    QvxModel* LoadCube(const std::string& file) { return LoadModel(file, {datagen::QvxFrame{{QvxCube(1.0f, {})}}}); }

    Texture* LoadTexture(const std::string& file, uint32_t colour)
    {
        textures.push_back(std::make_unique<Texture>());
        EXPECT_TRUE(textures.back()->Load(WriteSolidTexture(file, colour).c_str()));
        return textures.back().get();
    }

    void CreateWorld(int rigidBodies, int animatedBodies, float gravity)
    {
        const TVec4 g = Vec(0.0f, gravity, 0.0f);
        ASSERT_TRUE(physics.Create(rigidBodies, animatedBodies, 0, 16, 0, 0, 0, 100, 0, 200, 0, &g));
    }

    // The static object the track's BuildObjects makes of the record, with the record's model and texture.
    StaticTrackObject& Place(const StaticObjectPlacement& record, Model* model, Texture* texture)
    {
        placed.push_back(std::make_unique<RecordTrack>());
        RecordTrack& track = *placed.back();
        track.models = {model};
        track.textures = {texture};
        track.staticPlacements = {record};
        const Vector3 centre{}, size{64.0f, 64.0f, 64.0f};
        EXPECT_TRUE(track.BuildObjects(1, &centre, &size));
        EXPECT_EQ(track.staticObjects.size(), 1u);
        return *track.staticObjects.front();
    }

    std::vector<std::unique_ptr<QvxModel>> models;
    std::vector<std::unique_ptr<Texture>> textures;
    std::vector<std::unique_ptr<RecordTrack>> placed;
    PhysicsEngine physics;
};

TEST_F(TrackObjectTest, StaticObjectStandsWhereItsRecordPutsItWithTheRecordsCollisionBox)
{
    // Two frames: the model's box is their union, x -0.5..1.5.
    QvxModel* model =
        LoadModel("two.qvx", {datagen::QvxFrame{{QvxCube(1.0f, {})}}, datagen::QvxFrame{{QvxCube(1.0f, {1, 0, 0})}}});
    Texture* texture = LoadTexture("t.dds", 0xFFFF0000u);
    const Vector3 position{3.0f, 2.0f, 5.0f}, rotation{0.05f, 0.0f, 0.28f}, boxSize{4.55f, 6.692f, 4.69f};
    const StaticObjectPlacement record(0, 0, "", &position, &rotation, 7, 1, &boxSize, 1, 0.5f);

    StaticTrackObject plain;
    ASSERT_TRUE(plain.Init(model, texture, "", &position, &rotation, 7));
    ExpectVec3(plain.boxSize, {2.0f, 1.0f, 1.0f});

    StaticTrackObject& object = Place(record, model, texture);

    // Rotation about z, then x (y is 0), then the translation; row vectors.
    const float cz = std::cos(0.28f), sz = std::sin(0.28f), cx = std::cos(0.05f), sx = std::sin(0.05f);
    Matrix expected;
    expected.m[0][0] = cz, expected.m[0][1] = sz * cx, expected.m[0][2] = sz * sx;
    expected.m[1][0] = -sz, expected.m[1][1] = cz * cx, expected.m[1][2] = cz * sx;
    expected.m[2][1] = -sx, expected.m[2][2] = cx;
    expected.m[3][0] = 3.0f, expected.m[3][1] = 2.0f, expected.m[3][2] = 5.0f, expected.m[3][3] = 1.0f;
    ExpectMatrix(object.world, expected);

    // The record's box is only the collision box: the drawn bounds stay the model's.
    ExpectVec3(object.boxSize, boxSize);
    ExpectBox(object.bounds, Transformed(Box({-0.5f, -0.5f, -0.5f}, {1.5f, 0.5f, 0.5f}), expected));

    CreateWorld(4, 4, -9.81f);
    ASSERT_TRUE(object.CreatePhysics(&physics));
    ASSERT_NE(object.body, nullptr);
    ExpectMatrix(PoseOf(*object.body), expected);
    EXPECT_EQ(object.body->collisionId, 7);
    const TConvex& geometry = FirstGeometry(*object.body);
    EXPECT_EQ(geometry.type, TCONVEX_BOX);
    EXPECT_EQ(geometry.materialIndex, 7);
    ExpectVec3({geometry.dims[0], geometry.dims[1], geometry.dims[2]}, {2.275f, 3.346f, 2.345f});
}

TEST_F(TrackObjectTest, DynamicObjectKnockedOverComesToRestAndResetPoseStandsItBackStill)
{
    QvxModel* cube = LoadCube("cube.qvx");
    Texture* texture = LoadTexture("t.dds", 0xFFFF0000u);
    CreateWorld(4, 4, -9.81f);

    // The ground: a pedestal 6 x 2 x 6, from a unit cube with the record's box.
    const Vector3 pedestalAt{0.0f, 1.0f, 0.0f}, flat{}, pedestalBox{6.0f, 2.0f, 6.0f};
    const StaticObjectPlacement pedestalRecord(0, 0, "", &pedestalAt, &flat, 3, 1, &pedestalBox, 0, 0.0f);
    StaticTrackObject& pedestal = Place(pedestalRecord, cube, texture);
    ASSERT_TRUE(pedestal.CreatePhysics(&physics));

    // A stone standing on top of it.
    const Vector3 stoneAt{0.0f, 2.5f, 0.0f}, stoneTurn{0.0f, 0.3f, 0.0f}, unused{};
    const DynamicObjectPlacement record(0, 0, "", &stoneAt, &stoneTurn, 20.0f, 4, 0, &unused, 0, 0.0f);
    DynamicTrackObject stone;
    ASSERT_TRUE(
        stone.Init(cube, texture, record.name, &record.position, &record.rotation, record.mass, record.materialIndex));
    EXPECT_GT(stone.bounds.min.x, stone.bounds.max.x) << "no box before the body is placed";
    ASSERT_TRUE(stone.CreatePhysics(&physics));
    TRigidBody* body = stone.body;
    ASSERT_NE(body, nullptr);
    EXPECT_FLOAT_EQ(body->mass, 20.0f);
    EXPECT_NEAR(body->inertia.row[1].y, 2.0f * 20.0f / 3.0f, 1e-4f);
    EXPECT_EQ(body->collisionId, 4);

    const Matrix placed = WorldOf(stoneAt, stoneTurn);
    const BoundingBox unit = Box({-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f});
    const BoundingBox placedBounds = Transformed(unit, placed);
    ExpectMatrix(stone.world, placed);
    ExpectBox(stone.bounds, placedBounds);

    auto run = [&](int steps) {
        for (int i = 0; i < steps; ++i) {
            physics.simulator->Advance(1.0f / 60.0f, 1, nullptr);
            stone.Update();
        }
    };

    // Knocked up and spinning, it tumbles and comes to rest on a face on top of the pedestal.
    const TVec4 knock = Vec(1.0f, 3.0f, 0.5f), spin = Vec(4.0f, 0.0f, 9.0f);
    body->SetVelocity(&knock);
    body->SetAngularMomentumAndWake(&spin);
    float highest = 0.0f;
    for (int i = 0; i < 30; ++i) {
        run(1);
        highest = std::fmax(highest, body->Position().y);
    }
    EXPECT_GT(highest, 2.8f);
    run(600);
    // The object follows its body.
    ExpectMatrix(stone.world, PoseOf(*body));
    ExpectBox(stone.bounds, Transformed(unit, stone.world));
    float turned = 0.0f;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            turned = std::fmax(turned, std::fabs(stone.world.m[r][c] - placed.m[r][c]));
    EXPECT_GT(turned, 0.1f);
    EXPECT_LT(Length3(body->GetVelocity()), 0.05f);
    EXPECT_LT(Length3(body->GetAngularVelocity()), 0.05f);
    EXPECT_NEAR(stone.bounds.min.y, 2.0f, 0.03f);

    // Knocked again and put back in flight: it stands at its placement, still, and stays there.
    body->SetVelocity(&knock);
    body->SetAngularMomentumAndWake(&spin);
    const TVec4 push = Vec(50.0f, 0.0f, 0.0f);
    body->SetForce(&push);
    body->SetTorque(&push);
    run(10);
    stone.ResetPose();
    ExpectMatrix(stone.world, placed);
    ExpectBox(stone.bounds, placedBounds);
    ExpectMatrix(PoseOf(*body), placed);
    EXPECT_EQ(Length3(body->GetVelocity()), 0.0f);
    EXPECT_EQ(Length3(body->GetAngularVelocity()), 0.0f);
    EXPECT_EQ(Length3(body->GetAngularMomentum()), 0.0f);
    EXPECT_EQ(Length3(body->force), 0.0f);
    EXPECT_EQ(Length3(body->torque), 0.0f);
    run(60);
    ExpectVec3({body->Position().x, body->Position().y, body->Position().z}, stoneAt, 0.02f);
    ExpectBox(stone.bounds, placedBounds, 0.03f);
}

TEST_F(TrackObjectTest, ObjectsDrawTheirFrameWithTheirTextureWhereTheyStand)
{
    // Frame 0 has the cube on the left, frame 1 on the right; "slide" runs 0 to 1.
    QvxModel* model = LoadModel("slide.qvx", {datagen::QvxFrame{{QvxCube(1.0f, {-1.5f, 0, 0})}},
                                              datagen::QvxFrame{{QvxCube(1.0f, {1.5f, 0, 0})}}});
    model->animations.AddAnimation("slide", 0, 1, 1.0f);
    Texture* red = LoadTexture("red.dds", 0xFFFF0000u);
    Texture* green = LoadTexture("green.dds", 0xFF00FF00u);
    Texture* blue = LoadTexture("blue.dds", 0xFF0000FFu);
    CreateWorld(1, 1, 0.0f);

    const Vector3 origin{}, flat{}, up{0.0f, 3.0f, 0.0f};
    StaticTrackObject still;
    ASSERT_TRUE(still.Init(model, red, "slide", &origin, &flat, 0));
    DynamicTrackObject loose;
    ASSERT_TRUE(loose.Init(model, green, "", &up, &flat, 1.0f, 0));
    ASSERT_TRUE(loose.CreatePhysics(&physics));

    const Camera camera = UseCamera({0.0f, 0.0f, -10.0f}, {0.0f, 0.0f, 0.0f});
    auto pixelAt = [&](const std::vector<uint32_t>& pixels, Vector3 point) {
        const backend::Vector2 p = ProjectToScreen(camera, point);
        return PixelAt(pixels, int(p.x), int(p.y));
    };
    auto draw = [&] {
        BeginFrame();
        g_RenderDevice.SetTexture(0, blue->texture);
        still.Render(false);
        loose.Render(false);
        EndFrame();
        return ReadBackBuffer();
    };

    std::vector<uint32_t> pixels = draw();
    EXPECT_TRUE(ColourNear(pixelAt(pixels, {-1.5f, 0, 0}), 0xFFFF0000u));
    EXPECT_TRUE(ColourNear(pixelAt(pixels, {1.5f, 0, 0}), 0xFF000000u));
    EXPECT_TRUE(ColourNear(pixelAt(pixels, {-1.5f, 3.0f, 0}), 0xFF00FF00u));
    EXPECT_EQ(g_RenderDevice.currentTexture[0], green->texture);

    // One update: the named object draws the frame its animation reached, the
    // unnamed one keeps frame 0 and follows its body down.
    still.Update();
    const TVec4 down = Vec(0.0f, -3.0f, 0.0f, 1.0f);
    loose.body->SetPosition(&down);
    loose.Update();
    ExpectVec3(loose.bounds.min, {-2.0f, -3.5f, -0.5f});
    pixels = draw();
    EXPECT_TRUE(ColourNear(pixelAt(pixels, {-1.5f, 0, 0}), 0xFF000000u));
    EXPECT_TRUE(ColourNear(pixelAt(pixels, {1.5f, 0, 0}), 0xFFFF0000u));
    EXPECT_TRUE(ColourNear(pixelAt(pixels, {-1.5f, 3.0f, 0}), 0xFF000000u));
    EXPECT_TRUE(ColourNear(pixelAt(pixels, {-1.5f, -3.0f, 0}), 0xFF00FF00u));
    EXPECT_TRUE(ColourNear(pixelAt(pixels, {1.5f, -3.0f, 0}), 0xFF000000u));
}

TEST_F(TrackObjectTest, ModelWithoutGeometryGetsAZeroBoxAndEmptyPoolsAndClearAreSafe)
{
    QvxModel empty; // no frames at all
    Texture* texture = LoadTexture("t.dds", 0xFFFF0000u);
    CreateWorld(1, 1, -9.81f);
    const Vector3 at{1.0f, 2.0f, 3.0f}, turn{0.1f, 0.2f, 0.3f};
    const std::string longName(80, 'n');
    const StaticObjectPlacement record(0, 0, longName.c_str(), &at, &turn, 2, 0, &at, 0, 0.0f);
    EXPECT_EQ(std::string(record.name), longName.substr(0, 63));

    StaticTrackObject still;
    ASSERT_TRUE(still.Init(&empty, texture, "", &at, &turn, 2));
    DynamicTrackObject loose;
    ASSERT_TRUE(loose.Init(&empty, texture, "", &at, &turn, 5.0f, 2));
    for (const Vector3& size : {still.boxSize, loose.boxSize})
        ExpectVec3(size, {0.0f, 0.0f, 0.0f}, 0.0f);
    ExpectBox(still.bounds, Box(at, at));
    loose.ResetPose(); // before the physics world: only the pose goes back
    ExpectBox(loose.bounds, Box(at, at));

    ASSERT_TRUE(still.CreatePhysics(&physics));
    ASSERT_TRUE(loose.CreatePhysics(&physics));
    for (const TBody* body : {static_cast<const TBody*>(still.body), static_cast<const TBody*>(loose.body)})
        EXPECT_EQ(Length3(FirstGeometry(*body).HalfExtents()), 0.0f);
    ExpectBox(loose.bounds, Box(at, at));

    // The pools held one body of each kind.
    StaticTrackObject secondStill;
    ASSERT_TRUE(secondStill.Init(&empty, texture, "", &at, &turn, 2));
    EXPECT_FALSE(secondStill.CreatePhysics(&physics));
    DynamicTrackObject secondLoose;
    ASSERT_TRUE(secondLoose.Init(&empty, texture, "", &at, &turn, 5.0f, 2));
    EXPECT_FALSE(secondLoose.CreatePhysics(&physics));

    for (int i = 0; i < 2; ++i) {
        still.Clear();
        loose.Clear();
    }
    EXPECT_TRUE(still.body == nullptr && still.model == nullptr && still.texture == nullptr && still.name[0] == 0);
    EXPECT_TRUE(loose.body == nullptr && loose.model == nullptr && loose.texture == nullptr);
}

} // namespace
