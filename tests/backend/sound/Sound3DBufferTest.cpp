#include "LoopbackDevice.h"

#include "backend/math/MathTypes.h"

#include <vector>

using namespace soundtest;

namespace {

class Sound3DBufferTest : public LoopbackDevice {
protected:
    std::unique_ptr<backend::SoundBuffer> Tone3D()
    {
        auto format = Pcm(1, 16, OUTPUT_RATE);
        std::vector<int16_t> data(4000);
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<int16_t>(12000 * std::sin(i * 0.2));
        auto buffer = MakeBuffer(format, 8000, backend::DSBCAPS_CTRL3D | backend::DSBCAPS_MUTE3DATMAXDISTANCE);
        Fill(*buffer, 0, data.data(), 8000);
        EXPECT_TRUE(buffer->Play(backend::DSBPLAY_LOOPING));
        return buffer;
    }

    std::pair<double, double> Heard()
    {
        Render(512);
        Render(512);
        Frames out = Render(2048);
        return {out.Energy(0), out.Energy(1)};
    }
};

} // namespace

TEST_F(Sound3DBufferTest, ImmediateSettingsApplyAtOnceAndDeferredOnesAtTheCommit)
{
    auto buffer = Tone3D();
    backend::SoundBuffer3D* b3 = buffer->Get3DBuffer();
    ASSERT_NE(b3, nullptr);
    ASSERT_TRUE(b3->SetPosition(5, 0, 0, backend::DS3D_IMMEDIATE));
    auto right = Heard();
    EXPECT_GT(right.second, 4 * right.first);

    ASSERT_TRUE(b3->SetPosition(-5, 0, 0, backend::DS3D_DEFERRED));
    right = Heard();
    EXPECT_GT(right.second, 4 * right.first);
    ASSERT_TRUE(listener->CommitDeferredSettings());
    auto left = Heard();
    EXPECT_GT(left.first, 4 * left.second);

    // Head-relative: the listener's own place does not matter.
    ASSERT_TRUE(listener->SetPosition(-100, 0, 0, backend::DS3D_IMMEDIATE));
    ASSERT_TRUE(b3->SetMode(backend::DS3DMODE_HEADRELATIVE, backend::DS3D_IMMEDIATE));
    left = Heard();
    EXPECT_GT(left.first, 4 * left.second);
    // Disabled: centred, as a 2D sound.
    ASSERT_TRUE(b3->SetMode(backend::DS3DMODE_DISABLE, backend::DS3D_IMMEDIATE));
    auto centre = Heard();
    EXPECT_NEAR(centre.first / centre.second, 1.0, 0.1);
    EXPECT_FALSE(b3->SetMode(3, backend::DS3D_IMMEDIATE));
    EXPECT_FALSE(b3->SetConeAngles(361, 10, backend::DS3D_IMMEDIATE));
    EXPECT_FALSE(b3->SetMinDistance(0.0f, backend::DS3D_IMMEDIATE));
}

TEST_F(Sound3DBufferTest, MutesFromTheMaximumDistanceAsTheListenerMoves)
{
    auto buffer = Tone3D();
    backend::SoundBuffer3D* b3 = buffer->Get3DBuffer();
    ASSERT_TRUE(b3->SetMaxDistance(10.0f, backend::DS3D_DEFERRED));
    ASSERT_TRUE(b3->SetPosition(0, 0, 9.5f, backend::DS3D_DEFERRED));
    ASSERT_TRUE(listener->CommitDeferredSettings());
    EXPECT_FALSE(b3->IsMutedByDistance());
    EXPECT_GT(Heard().first, 1.0);
    ASSERT_TRUE(listener->SetPosition(0, 0, -0.5f, backend::DS3D_DEFERRED));
    EXPECT_FALSE(b3->IsMutedByDistance());
    ASSERT_TRUE(listener->CommitDeferredSettings());
    EXPECT_TRUE(b3->IsMutedByDistance());
    EXPECT_LT(Heard().first, 1.0);
    // The buffer's own volume comes back with it.
    ASSERT_TRUE(buffer->SetVolume(-602));
    EXPECT_LT(Heard().first, 1.0);
    ASSERT_TRUE(listener->SetPosition(0, 0, 0, backend::DS3D_IMMEDIATE));
    EXPECT_GT(Heard().first, 1.0);
}

TEST_F(Sound3DBufferTest, ListenerRefusesDegenerateValues)
{
    backend::Vector3 front{0, 0, 1};
    EXPECT_FALSE(listener->SetOrientation(front, front, backend::DS3D_IMMEDIATE));
    EXPECT_FALSE(listener->SetOrientation(front, backend::Vector3{}, backend::DS3D_IMMEDIATE));
    EXPECT_FALSE(listener->SetRolloffFactor(11.0f, backend::DS3D_IMMEDIATE));
    EXPECT_FALSE(listener->SetDistanceFactor(0.0f, backend::DS3D_IMMEDIATE));
    EXPECT_FALSE(listener->SetPosition(std::nanf(""), 0, 0, backend::DS3D_IMMEDIATE));
    EXPECT_TRUE(listener->SetDopplerFactor(2.0f, backend::DS3D_DEFERRED));
    EXPECT_EQ(listener->Committed().dopplerFactor, 1.0f);
    EXPECT_EQ(listener->Committed().front.z, 1.0f);
}

// The test programs run with OpenAL Soft's null output, which needs no sound card.
TEST(DirectSound, OpensTheDefaultDeviceByNullAndRefusesAnUnknownName)
{
    backend::UseLoopbackSoundDevice(false);
    std::unique_ptr<backend::DirectSound> sound;
    ASSERT_TRUE(backend::DirectSound::Create(nullptr, sound));
    std::unique_ptr<backend::PrimarySoundBuffer> primary;
    ASSERT_TRUE(sound->CreatePrimaryBuffer(backend::DSBCAPS_PRIMARYBUFFER, primary));
    EXPECT_EQ(primary->GetListener(), nullptr); // no DSBCAPS_CTRL3D
    EXPECT_TRUE(primary->SetFormat(Pcm(2, 16, 22050)));
    EXPECT_FALSE(primary->SetFormat(Pcm(2, 24, 22050)));
    auto format = Pcm(1, 16, 22050);
    backend::SoundBufferDesc desc;
    desc.flags = backend::DSBCAPS_CTRLVOLUME;
    desc.bufferBytes = 4410;
    desc.format = &format;
    std::unique_ptr<backend::SoundBuffer> buffer;
    ASSERT_TRUE(sound->CreateSoundBuffer(desc, buffer));
    EXPECT_TRUE(buffer->Play(0));
    buffer.reset();
    sound.reset();
    EXPECT_FALSE(backend::DirectSound::Create("No Such Device 42", sound));
}
