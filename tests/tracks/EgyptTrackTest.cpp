#include "TrackTestKit.h"

#include "tracks/EgyptDefs.h"
#include "tracks/EgyptTrack.h"

#include "backend/math/Vector.h"

#include <cmath>

using backend::Vector3;

class EgyptTrackTest : public TrackTest {};

// From above the oasis: the water covers the ground below its level and not
// the sand above it.
TEST_F(EgyptTrackTest, WaterCoversOnlyTheGroundBelowItsLevel)
{
    ASSERT_TRUE(OpenTrack(TRACK_EGYPT)) << g_LastError;
    const Camera camera = UseCamera({-15.0f, 45.0f, -25.0f}, {-0.8f, 0.0f, 0.0f});
    ExpectWaterOnlyBelowItsLevel(Loaded<EgyptTrack>().water, camera, 1.7f, {262.5f, 384.0f}, {-15.0f, 0.0f, 20.0f},
                                 {-15.0f, 0.0f, -8.0f}, "track-Egypt-oasis");
}

// Facing the low sun, the great pyramid and a palm each hide it; seen from
// high above them, the sun shines. The terrain is no occluder here.
TEST_F(EgyptTrackTest, SunFlareDimsBehindThePyramidAndBehindAPalm)
{
    ASSERT_TRUE(OpenTrack(TRACK_EGYPT)) << g_LastError;
    Vector3 sun;
    Vec3Normalize(&sun, &EgyptDefs::LENS_FLARE.sunDirection);
    const Vector3 flat = {sun.x, 0.0f, sun.z};
    auto intensity = [&](Vector3 eye) { return FlareSeenFrom(Loaded<EgyptTrack>().lensFlare, eye, sun); };

    const Vector3 pyramid = EgyptDefs::STATIC_PLACEMENTS[0].position;
    const Vector3 behindPyramid = pyramid - flat * 25.0f + Vector3{0.0f, -4.0f, 0.0f};
    const uint32_t aboveThePyramid = intensity(behindPyramid + Vector3{0.0f, 50.0f, 0.0f});
    EXPECT_GT(aboveThePyramid, 100u);
    EXPECT_LT(intensity(behindPyramid), aboveThePyramid / 4);

    // Looking through the crown of the first palm, from six units away.
    const BillboardInstance& palm = *track->billboards.instances.front();
    const float crown = EgyptDefs::PALM.height * 0.7f;
    const Vector3 behindPalm = palm.position - flat * 6.0f + Vector3{0.0f, crown - sun.y * 6.0f, 0.0f};
    const uint32_t abovePalms = intensity(behindPalm + Vector3{0.0f, 50.0f, 0.0f});
    EXPECT_LT(intensity(behindPalm), abovePalms * 3 / 4);
}
