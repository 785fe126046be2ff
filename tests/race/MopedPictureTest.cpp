#include "MopedTestKit.h"

#include "engine/platform/RenderDevice.h"
#include "engine/scene/Camera.h"

#include "backend/gpu/GpuDevice.h"

#include <cmath>

using backend::Vector2;
using backend::Vector3;

namespace {

Vector3 ToVector3(const TVec4& v)
{
    return {v.x, v.y, v.z};
}

// Mean x of the topmost tenth of the rows where two pictures differ by more than a little.
float TopX(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
{
    const Box box = Footprint(a, b, 24);
    double sum = 0;
    int count = 0;
    for (int y = box.top; y <= box.top + std::max(1, (box.bottom - box.top) / 10); ++y)
        for (int x = 0; x < 800; ++x)
            if (!ColourNear(a[size_t(y) * 800 + x], b[size_t(y) * 800 + x], 24)) {
                sum += x;
                ++count;
            }
    return float(sum / std::max(count, 1));
}

} // namespace

class MopedPicture : public MopedTest {
protected:
    // 4.3 m behind the moped and 1.8 m above the ground there, looking at it.
    Camera ChaseCamera()
    {
        const float length = std::hypot(moped->forward.x, moped->forward.z);
        const float fx = moped->forward.x / length, fz = moped->forward.z / length;
        Vector3 eye = {moped->position.x - 4.3f * fx, 0.0f, moped->position.z - 4.3f * fz};
        track->terrain.SnapToGroundXZ(&eye, 1.8f);
        const float lookDown = std::atan2(eye.y - moped->position.y, 4.3f);
        const Vector3 angles = {-lookDown, std::atan2(fx, fz), 0.0f};
        Camera camera;
        camera.Set(SCENE_PI / 4, 800.0f / 600.0f, 0.5f, track->viewValues.z, &eye, &angles);
        return camera;
    }

    // The race's drawing order: track, moped bodies under the environment map,
    // rider, transparent track parts, effects.
    std::vector<uint32_t> Draw(Camera& camera, bool bodies, bool rider, bool effects)
    {
        RenderDevice& rd = g_RenderDevice;
        track->SetupLighting();
        SetCameraMatrices(camera);
        BeginFrame(0xFF000000u);
        track->Render(&camera);
        rd.device->SetTextureStageState(0, backend::D3DTSS_ALPHAOP, backend::D3DTOP_SELECTARG1);
        track->environmentMap.Apply(1, backend::D3DTOP_BLENDCURRENTALPHA, &camera, false);
        if (bodies)
            moped->Render(&camera, false);
        track->environmentMap.Remove();
        if (rider)
            moped->RenderRider(&camera, false);
        track->RenderTransparent(&camera);
        track->RenderLensFlare(&camera);
        if (effects)
            moped->RenderEffects(&camera);
        track->RenderParticles(&camera);
        EndFrame();
        return ReadBackBuffer();
    }
};

// On the UK start grid: the moped and its rider show where the moped stands,
// and nowhere else; looking away, nothing of it is drawn.
TEST_F(MopedPicture, MopedAndRiderShowWhereTheMopedStands)
{
    ASSERT_TRUE(StartMoped(TRACK_UK)) << g_LastError;
    Step(60);
    Camera camera = ChaseCamera();
    const std::vector<uint32_t> full = Draw(camera, true, true, true);
    SaveArtifact("moped-UK", full);
    const std::vector<uint32_t> empty = Draw(camera, false, false, false);

    const Box moped = Footprint(full, empty, 24);
    const Vector2 at = ProjectToScreen(camera, ToVector3(this->moped->position));
    EXPECT_GT(moped.count, 4000);
    EXPECT_NEAR(moped.CentreX(), at.x, 40.0f);
    EXPECT_NEAR(moped.CentreY(), at.y, 60.0f);
    // The moped skin is drawn: its red paint shows.
    int red = 0;
    for (size_t i = 0; i < full.size(); ++i)
        if (!ColourNear(full[i], empty[i], 24) && (full[i] >> 16 & 0xFF) > 2 * (full[i] >> 8 & 0xFF) + 20)
            ++red;
    EXPECT_GT(red, 300);

    // The rider sits above the body.
    const Box rider = Footprint(full, Draw(camera, true, false, true), 24);
    EXPECT_GT(rider.count, 1500);
    EXPECT_LT(rider.CentreY(), moped.CentreY());

    // Turned round, the camera sees none of it.
    camera.angles.y += SCENE_PI;
    camera.Update();
    const uint32_t before = g_RenderDevice.primitiveCount;
    Draw(camera, false, false, false);
    const uint32_t trackOnly = g_RenderDevice.primitiveCount - before;
    Draw(camera, true, true, false);
    EXPECT_EQ(g_RenderDevice.primitiveCount - before, 2 * trackOnly);
}

// Steering left draws the rider leaning to the left of the picture, steering
// right to the right, against the upright frame in the same pose.
TEST_F(MopedPicture, RiderLeansWithTheSteering)
{
    ASSERT_TRUE(StartMoped(TRACK_UK)) << g_LastError;
    const TrackStartPosition& start = track->trackData.startPositions[0];
    const TVec4 place = Vec(start.x, start.y, start.z, 1.0f);
    for (int32_t steering : {STEER_LEFT, STEER_RIGHT}) {
        moped->SetPosition(&place);
        moped->Reset();
        Step(60);
        moped->steering = steering;
        Step(30);
        const int32_t frame = moped->riderFrame;
        EXPECT_EQ(frame < 20, steering == STEER_LEFT);
        EXPECT_EQ(frame > 40, steering == STEER_RIGHT);
        Camera camera = ChaseCamera();
        const std::vector<uint32_t> noRider = Draw(camera, true, false, false);
        const float leaning = TopX(Draw(camera, true, true, false), noRider);
        moped->riderFrame = 30;
        const float upright = TopX(Draw(camera, true, true, false), noRider);
        if (steering == STEER_LEFT)
            EXPECT_LT(leaning, upright - 15.0f);
        else
            EXPECT_GT(leaning, upright + 15.0f);
    }
}

// The back light shines only while braking forward in a gear, and then shows
// red at its place in the picture.
TEST_F(MopedPicture, BackLightShinesWhileBrakingForwardInGear)
{
    ASSERT_TRUE(StartMoped(TRACK_UK)) << g_LastError;
    moped->throttle = THROTTLE_ACCELERATE;
    Step(120);
    moped->throttle = THROTTLE_BRAKE;
    Step(2);
    ASSERT_EQ(moped->driveDirection, 1);
    ASSERT_NE(moped->gear, 0);
    Camera camera = ChaseCamera();
    const std::vector<uint32_t> braking = Draw(camera, true, true, true);
    moped->throttle = THROTTLE_NONE;
    const std::vector<uint32_t> rolling = Draw(camera, true, true, true);
    SaveArtifact("moped-braking-UK", braking);
    const Vector2 lamp = ProjectToScreen(camera, moped->backLight.basePosition);
    int brighter = 0;
    for (int y = int(lamp.y) - 6; y <= int(lamp.y) + 6; ++y)
        for (int x = int(lamp.x) - 6; x <= int(lamp.x) + 6; ++x) {
            const uint32_t lit = braking[size_t(y) * 800 + x], dark = rolling[size_t(y) * 800 + x];
            brighter += (lit >> 16 & 0xFF) > (dark >> 16 & 0xFF) + 20 ? 1 : 0;
        }
    EXPECT_GT(brighter, 40);
    EXPECT_GT(moped->backLight.intensity, 0.5f);

    // Every combination of throttle, direction and gear.
    const Vector3 away = {1e6f, 1e6f, 1e6f};
    for (int32_t throttle = THROTTLE_NONE; throttle <= THROTTLE_HANDBRAKE; ++throttle)
        for (int32_t direction = 0; direction <= 2; ++direction)
            for (int32_t gear : {-1, 0, 1, 4}) {
                moped->throttle = throttle;
                moped->driveDirection = direction;
                moped->gear = gear;
                moped->backLight.position = away;
                moped->RenderEffects(&camera);
                const bool drawn = moped->backLight.position.x != away.x;
                const bool braking = throttle == THROTTLE_BRAKE || throttle == THROTTLE_HANDBRAKE;
                EXPECT_EQ(drawn, braking && direction == 1 && gear != 0) << throttle << " " << direction << " " << gear;
            }
}
