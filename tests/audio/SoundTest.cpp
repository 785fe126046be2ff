#include "AudioFixture.h"
#include "DamagedOggInputs.h"

#include "audio/AudioListener.h"
#include "audio/OggVorbisReader.h"
#include "audio/Sound.h"
#include "backend/sound/SoundBuffer.h"
#include "datagen/writers/FileWriter.h"

#include <cmath>
#include <cstring>

using namespace audiotest;

namespace {

class SoundTest : public AudioFixture {
protected:
    // A 16-bit WAV whose frame n holds (7n mod 28000, -(7n mod 28000)), or
    // only the first of the two in mono; `heard` gets what the output should hold.
    std::string CounterWav(const std::string& file, uint32_t frames, std::vector<int16_t>& heard, uint16_t channels = 2)
    {
        std::vector<int16_t> samples;
        heard.resize(frames * 2);
        for (uint32_t n = 0; n < frames; ++n) {
            heard[2 * n] = CounterSample(n);
            heard[2 * n + 1] = static_cast<int16_t>(channels == 2 ? -heard[2 * n] : heard[2 * n]);
            samples.push_back(heard[2 * n]);
            if (channels == 2)
                samples.push_back(heard[2 * n + 1]);
        }
        std::vector<uint8_t> bytes(samples.size() * 2);
        std::memcpy(bytes.data(), samples.data(), bytes.size());
        datagen::WavSpec spec;
        spec.channels = channels;
        EXPECT_TRUE(datagen::WriteWav(Path(file), spec, bytes));
        return Path(file);
    }
};

// The decoded samples of an Ogg file, interleaved 16-bit.
std::vector<int16_t> Decode(const std::string& file)
{
    OggVorbis_File vf;
    std::vector<int16_t> out;
    FILE* f = std::fopen(file.c_str(), "rb");
    if (!f || ov_open(f, &vf, nullptr, 0) < 0)
        return out;
    char buffer[4096];
    int bitstream = 0;
    long got = 0;
    while ((got = ov_read(&vf, buffer, sizeof(buffer), 0, 2, 1, &bitstream)) > 0) {
        size_t at = out.size();
        out.resize(at + got / 2);
        std::memcpy(out.data() + at, buffer, got);
    }
    ov_clear(&vf);
    return out;
}

} // namespace

TEST_F(SoundTest, WholeWavesPlayWithTheirSamplesIntact)
{
    for (uint16_t bits : {8, 16}) {
        for (uint16_t channels : {1, 2}) {
            for (uint32_t rate : {11025u, 22050u, 44100u}) {
                SCOPED_TRACE(testing::Message() << bits << " bits, " << channels << " channels, " << rate << " Hz");
                std::vector<float> left = datagen::SynthTone(440.0f, 0.3f, rate, 0.5f);
                std::vector<float> right = datagen::SynthTone(660.0f, 0.3f, rate, 0.4f, datagen::Waveform::Triangle);
                std::vector<float> data = channels == 2 ? datagen::Interleave(left, right) : left;
                Sound* sound = Load(Wav("w.wav", data, channels, rate, bits));
                ASSERT_TRUE(sound->IsLoaded());
                sound->Play();
                Frames out = Render(4000);
                // The source at the output rate, by linear interpolation.
                for (int c = 0; c < 2; ++c) {
                    const std::vector<float>& source = (channels == 2 && c == 1) ? right : left;
                    std::vector<double> expected;
                    for (size_t n = 0; n < 3000; ++n) {
                        double t = static_cast<double>(n) * rate / soundtest::OUTPUT_RATE;
                        size_t i = static_cast<size_t>(t);
                        double f = t - i;
                        double a = source[i], b = i + 1 < source.size() ? source[i + 1] : 0.0;
                        expected.push_back(a + (b - a) * f);
                    }
                    soundtest::Match match = BestMatch(out, c, expected);
                    EXPECT_LT(match.worst, 0.04) << "channel " << c;
                    EXPECT_GT(match.gain, channels == 2 ? 30000 : 15000);
                }
                sound->Release();
                GetAudioManager()->DestroySound(sound);
            }
        }
    }
}

TEST_F(SoundTest, OneShotEndsLoopingGoesOnAndStopThenPlayResumes)
{
    Sound* once = Load(Tone("once.wav", 0.1f));
    once->Play();
    EXPECT_TRUE(once->IsPlaying());
    Frame(2205 + 600);
    EXPECT_FALSE(once->IsPlaying());
    EXPECT_EQ(once->GetCurrentPosition(), 0u);

    SoundLoadParams looping{0, 0, 1};
    Sound* loop = Load(Tone("loop.wav", 0.1f), looping);
    EXPECT_TRUE(loop->IsLooping());
    loop->Play();
    Frame(2205 * 3 + 500);
    EXPECT_TRUE(loop->IsPlaying());
    EXPECT_EQ(loop->GetCurrentPosition(), 1000u);

    loop->Pause();
    EXPECT_TRUE(loop->IsPaused());
    EXPECT_FALSE(loop->IsPlaying());
    Frame(1000);
    EXPECT_EQ(loop->GetCurrentPosition(), 1000u);
    loop->Play();
    EXPECT_FALSE(loop->IsPaused());
    Frame(100);
    EXPECT_EQ(loop->GetCurrentPosition(), 1200u);

    // Stop rewinds a whole sound.
    loop->Stop();
    EXPECT_FALSE(loop->IsPlaying());
    EXPECT_EQ(loop->GetCurrentPosition(), 0u);
    EXPECT_EQ(GetAudioManager()->loadedSounds.size(), 2u);
}

TEST_F(SoundTest, StreamedWavLoopsSeamlesslyAtFineAndCoarseSteps)
{
    for (uint16_t channels : {2, 1}) {
        std::vector<int16_t> samples;
        std::string file = CounterWav("stream" + std::to_string(channels) + ".wav", 33075, samples, channels); // 1.5 s
        for (uint32_t step : {353u, 4410u}) {
            SCOPED_TRACE(testing::Message() << channels << " channels, steps of " << step);
            Sound* sound = Load(file, SoundLoadParams{1, 1, 1});
            ASSERT_TRUE(sound->params.streamed);
            EXPECT_EQ(sound->bufferBytes, 44100u * channels);
            EXPECT_EQ(sound->GetDataSize(), 33075u * 2 * channels);
            sound->Play();
            std::vector<int16_t> heard;
            uint32_t position = 0;
            uint64_t counted = 0; // the position's steps, lap after lap
            for (int i = 0; heard.size() < 2 * (3 * 33075 + 3000); ++i) {
                Frames out = Frame(i % 3 == 0 ? 0 : step); // now and then the cursor has not moved
                heard.insert(heard.end(), out.samples.begin(), out.samples.end());
                ASSERT_LT(sound->GetCurrentPosition(), sound->GetDataSize());
                counted += (sound->GetCurrentPosition() + sound->GetDataSize() - position) % sound->GetDataSize();
                position = sound->GetCurrentPosition();
            }
            ExpectHeard(heard, samples, StartOf(heard, samples), 3 * samples.size() / 2);
            EXPECT_TRUE(sound->IsPlaying());
            // The position keeps pace with what was played, to within a step.
            const double played = double(heard.size() / 2) * sound->format.avgBytesPerSec / soundtest::OUTPUT_RATE;
            EXPECT_NEAR(double(counted), played, double(step) * sound->format.avgBytesPerSec / soundtest::OUTPUT_RATE);
            sound->Release();
            EXPECT_TRUE(GetAudioManager()->streamingSounds.empty());
            GetAudioManager()->DestroySound(sound);
        }
    }
}

TEST_F(SoundTest, StreamedOggLoopsSeamlessly)
{
    std::vector<float> left = datagen::SynthSweep(220.0f, 880.0f, 1.3f, 22050, 0.5f);
    std::vector<float> right = datagen::SynthTone(330.0f, 1.3f, 22050, 0.4f, datagen::Waveform::Triangle);
    std::string file = Ogg("music.ogg", datagen::Interleave(left, right), 2, 22050);
    std::vector<int16_t> decoded = Decode(file);
    ASSERT_EQ(decoded.size(), left.size() * 2);

    Sound* music = Load(file, SoundLoadParams{1, 1, 1});
    ASSERT_TRUE(music->params.streamed);
    music->Play();
    std::vector<int16_t> heard;
    const uint32_t steps[] = {0, 353, 0, 1000, 2205, 4410, 17};
    for (int i = 0; heard.size() < decoded.size() * 3 + 6000; ++i) {
        Frames out = Frame(steps[i % 7]);
        heard.insert(heard.end(), out.samples.begin(), out.samples.end());
    }
    ExpectHeard(heard, decoded, StartOf(heard, decoded), 3 * decoded.size() / 2);
}

TEST_F(SoundTest, StreamThatDoesNotLoopEndsInSilenceAndStopsItself)
{
    std::vector<float> tone = datagen::SynthTone(500.0f, 1.2f, 22050, 0.5f);
    Sound* sound = Load(Wav("end.wav", tone, 1, 22050, 8), SoundLoadParams{0, 1, 0});
    ASSERT_TRUE(sound->params.streamed);
    sound->Play();
    int frames = 0;
    std::vector<int16_t> heard;
    Frame(0);
    while (sound->IsPlaying() && frames < 3 * 22050) {
        Frames out = Frame(353);
        heard.insert(heard.end(), out.samples.begin(), out.samples.end());
        frames += 353;
    }
    EXPECT_FALSE(sound->IsPlaying());
    EXPECT_GE(frames, static_cast<int>(tone.size()));
    EXPECT_LT(frames, static_cast<int>(tone.size()) + 2000);
    // The tail after the data is silence, not the ring's stale start.
    Frames all{heard};
    for (size_t i = tone.size() + 100; i < all.Count(); ++i)
        ASSERT_LT(std::abs(all.Left(i)), 200) << "frame " << i;
    EXPECT_TRUE(GetAudioManager()->streamingSounds.empty());
    EXPECT_EQ(sound->GetCurrentPosition(), 0u);
}

TEST_F(SoundTest, ShortStreamLoadsWholeAndStopRewindsAStream)
{
    std::vector<float> shortTone = datagen::SynthTone(500.0f, 0.8f, 22050, 0.5f);
    Sound* whole = Load(Ogg("short.ogg", shortTone, 1, 22050), SoundLoadParams{1, 1, 0});
    EXPECT_FALSE(whole->params.streamed);
    EXPECT_EQ(whole->reader, nullptr);
    whole->Play();
    Frame(1000);
    EXPECT_TRUE(GetAudioManager()->streamingSounds.empty());
    EXPECT_EQ(whole->GetCurrentPosition(), 2000u); // the buffer's cursor

    std::vector<int16_t> samples;
    Sound* stream = Load(CounterWav("s.wav", 30000, samples), SoundLoadParams{0, 1, 1});
    stream->Play();
    for (int i = 0; i < 40; ++i)
        Frame(1000);
    stream->Pause();
    EXPECT_TRUE(GetAudioManager()->streamingSounds.empty());
    stream->Stop();
    EXPECT_EQ(stream->GetCurrentPosition(), 0u);
    EXPECT_FALSE(stream->IsPaused());
    stream->Play();
    Frames out = Render(3000);
    std::vector<double> head;
    for (size_t i = 0; i < 2000; ++i)
        head.push_back(samples[2 * i]);
    EXPECT_LT(BestMatch(out, 0, head).worst, 0.01);
}

TEST_F(SoundTest, SettersConvertToBufferUnits)
{
    Sound* mono = Load(Tone("mono.wav", 0.5f));
    Sound* stereo = Load(Tone("stereo.wav", 0.5f, 2));
    mono->SetPan(0.5f);
    int32_t pan = 0;
    ASSERT_TRUE(mono->buffer->GetPan(&pan));
    EXPECT_EQ(pan, 5000);
    stereo->SetPan(0.5f);
    EXPECT_EQ(stereo->GetPan(), 0.0f);
    mono->SetPan(-3.0f);
    EXPECT_EQ(mono->GetPan(), -1.0f);

    // The rate times the file's own, within the buffer's limits.
    for (const auto& [factor, hertz] : {std::pair{2.0f, 44100u}, {10.0f, 100000u}, {0.001f, 100u}, {-1.0f, 100u}}) {
        mono->SetFrequency(factor);
        EXPECT_EQ(BufferFrequency(mono), hertz) << factor;
    }
    EXPECT_EQ(mono->GetFrequency(), -1.0f);

    mono->SetVolume(0.5f);
    EXPECT_EQ(BufferVolume(mono), -602);
    mono->SetVolume(7.0f);
    EXPECT_EQ(mono->GetVolume(), 1.0f);
    EXPECT_EQ(BufferVolume(mono), 0);

    // Values set before loading apply at the load.
    Sound* later = GetAudioManager()->CreateSound();
    later->SetVolume(0.01f);
    later->SetFrequency(0.5f);
    SoundLoadParams params{};
    ASSERT_TRUE(later->Load(Tone("later.wav", 0.2f).c_str(), &params));
    EXPECT_EQ(BufferVolume(later), -4000);
    EXPECT_EQ(BufferFrequency(later), 11025u);
}

TEST_F(SoundTest, PlainSoundsIgnoreTheListener)
{
    Sound* sound = Load(Tone("click.wav", 0.5f), SoundLoadParams{0, 0, 1});
    sound->Play();
    Frame();
    Render(512);
    const Frames before = Render(2048);
    ASSERT_GT(before.Energy(0), 1.0);
    EXPECT_NEAR(before.Energy(1) / before.Energy(0), 1.0, 0.01);

    // Far off to one side, turned round and with a steep rolloff: a mono 2D
    // sound stays in the middle at the same level.
    AudioListener* listener = GetAudioManager()->GetListener();
    backend::Vector3 away{300, 0, 40}, back{0, 0, -1}, up{0, 1, 0};
    listener->SetPosition(&away);
    listener->SetOrientation(&back, &up);
    listener->SetRolloffFactor(4.0f);
    Frame();
    Render(512);
    const Frames after = Render(2048);
    for (int c = 0; c < 2; ++c)
        EXPECT_NEAR(after.Energy(c) / before.Energy(c), 1.0, 0.05) << "channel " << c;
}

TEST_F(SoundTest, FadesStepOncePerUpdate)
{
    Sound* sound = Load(Tone("fade.wav", 0.5f), SoundLoadParams{0, 0, 1});
    sound->Play();
    sound->FadeOut(0.1f, true);
    EXPECT_TRUE(sound->IsFading());
    for (int i = 0; i < 9; ++i)
        Frame(10);
    EXPECT_TRUE(sound->IsPlaying());
    Frame(10);
    EXPECT_FALSE(sound->IsPlaying());
    EXPECT_TRUE(sound->IsPaused());
    EXPECT_FALSE(sound->IsFading());
    EXPECT_EQ(sound->GetVolume(), 0.0f);
    EXPECT_TRUE(GetAudioManager()->fadingSounds.empty());
    sound->Play();
    EXPECT_TRUE(sound->IsPlaying());
    EXPECT_EQ(sound->GetVolume(), 0.0f);

    sound->FadeIn(0.25f);
    for (int i = 0; i < 3; ++i)
        Frame(10);
    EXPECT_FLOAT_EQ(sound->GetVolume(), 0.75f);
    Frame(10);
    EXPECT_EQ(sound->GetVolume(), 1.0f);
    EXPECT_FALSE(sound->IsFading());

    // A fade out to the end stops (and rewinds) without pauseAtEnd.
    sound->FadeOut(0.5f, false);
    Frame(10);
    Frame(10);
    EXPECT_FALSE(sound->IsPlaying());
    EXPECT_FALSE(sound->IsPaused());
    EXPECT_EQ(sound->GetCurrentPosition(), 0u);
}

TEST_F(SoundTest, BadFilesFailClearlyAndPlayNothing)
{
    struct Case {
        std::string file;
        const char* error;
    };
    datagen::WavSpec truncated;
    truncated.truncateTo = 300;
    std::vector<uint8_t> pcm(2000, 128);
    ASSERT_TRUE(datagen::WriteWav(Path("cut.wav"), truncated, pcm));
    datagen::WavSpec empty;
    ASSERT_TRUE(datagen::WriteWav(Path("empty.wav"), empty, {}));
    std::vector<uint8_t> junk(3000, 0x4F);
    ASSERT_TRUE(datagen::WriteFileBytes(Path("junk.ogg"), junk));
    const Case cases[] = {
        {Path("cut.wav"), "Error reading wave file MMIO: mmioDescend failed!"},
        {Path("empty.wav"), "Error loading a sound: buffer creation failed!"},
        {Path("junk.ogg"), "Error opening an ogg vorbis file: ov_open failed!"},
        {Path("x.OGG"), "Error loading a sound: unsupported file type!"},
        {Path("x.Wav"), "Error loading a sound: unsupported file type!"},
        {"ab", "Error loading a sound: unsupported file type!"},
    };
    SoundLoadParams params{0, 1, 1};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        g_LastError.clear();
        Sound* sound = GetAudioManager()->CreateSound();
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(sound->Load(c.file.c_str(), &params));
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(g_LastError, c.error);
        // Of the many sounds a race loads, stderr names the one refused.
        EXPECT_EQ(said.rfind("Vantrel: " + std::string(c.error) + " (" + c.file + ": ", 0), 0u) << said;
        EXPECT_FALSE(sound->IsLoaded());
        EXPECT_EQ(sound->reader, nullptr);
        sound->Play();
        EXPECT_FALSE(sound->IsPlaying());
        GetAudioManager()->DestroySound(sound);
    }
    EXPECT_TRUE(GetAudioManager()->loadedSounds.empty());
    EXPECT_LT(Frame(500).MaxAbs(), 4);
}

// Music that can't be read on while it plays: a file cut short under it (found
// at the first refill, and after many) and a file whose chained second stream
// is damaged. What was queued plays out as one unbroken start of the music,
// then silence, with one line on stderr; the sound lets go of everything, the
// other sounds play on and the next piece of music plays.
TEST_F(SoundTest, MusicThatFailsMidPlayPlaysOutWhatItQueuedAndLetsGo)
{
    std::vector<uint8_t> good;
    const std::vector<float> left = datagen::SynthNoise(3.0f, 22050, 0.5f, 3);
    const std::vector<float> right = datagen::SynthNoise(3.0f, 22050, 0.5f, 5);
    ASSERT_TRUE(datagen::EncodeOggVorbis(datagen::Interleave(left, right), 2, 22050, good, 0.4f, 1));
    ASSERT_TRUE(datagen::WriteFileBytes(Path("good.ogg"), good));
    const std::vector<int16_t> decoded = Decode(Path("good.ogg"));
    std::vector<uint8_t> chained = good;
    chained.insert(chained.end(), std::begin(damagedogg::FAILED_SET_UP_THEN_REWIND),
                   std::end(damagedogg::FAILED_SET_UP_THEN_REWIND));
    struct Case {
        std::string file;
        const std::vector<uint8_t>& bytes;
        uint32_t step;     // output frames per game frame
        uint32_t cutAfter; // frames played before the file is cut short, if it is
        uint64_t cutTo;    // its size then
        const char* reason;
        bool pause; // and Play again while it plays out
    };
    const char* cut = "the file was cut short while it played";
    const Case cases[] = {
        {Path("cut-at-once.ogg"), good, 11025, 0, good.size() / 2, cut, false},
        {Path("cut-later.ogg"), good, 353, 22050, good.size() * 4 / 5, cut, true},
        {Path("chained.ogg"), chained, 1000, UINT32_MAX, 0, "decoding failed (vorbisfile error -137)", false},
    };
    Sound* music = GetAudioManager()->CreateSound();
    const SoundLoadParams params{1, 1, 1};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(datagen::WriteFileBytes(c.file, c.bytes));
        ::testing::internal::CaptureStderr();
        ASSERT_TRUE(music->Load(c.file.c_str(), &params));
        music->Play();
        std::vector<int16_t> heard;
        auto hear = [&heard](const Frames& out) { heard.insert(heard.end(), out.samples.begin(), out.samples.end()); };
        while (music->reader && heard.size() < 2 * 5 * soundtest::OUTPUT_RATE) {
            if (heard.size() / 2 >= c.cutAfter && std::filesystem::file_size(c.file) > c.cutTo)
                std::filesystem::resize_file(c.file, c.cutTo);
            hear(Frame(c.step));
        }
        const size_t failedAt = heard.size() / 2;
        if (c.cutAfter == 0) {
            EXPECT_EQ(failedAt, c.step) << "not at the first refill, while the buffer still loops whole";
        }
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  "Vantrel: Error reading an ogg vorbis file! (" + c.file + ": " + c.reason + ")\n");
        if (c.pause) {
            // A pause keeps what is left of the music for the Play after it.
            music->Pause();
            EXPECT_TRUE(music->IsPaused());
            music->Play();
        }
        // Played out without updates; a Play then has nothing left to start.
        while (music->IsPlaying() && heard.size() < 2 * 7 * soundtest::OUTPUT_RATE)
            hear(Render(353));
        music->Play();
        hear(Render(soundtest::OUTPUT_RATE));
        Frame(0);
        EXPECT_FALSE(music->IsLoaded());
        EXPECT_TRUE(GetAudioManager()->streamingSounds.empty());

        size_t end = heard.size() / 2;
        while (end > 0 && std::abs(heard[2 * end - 1]) <= 8 && std::abs(heard[2 * end - 2]) <= 8)
            --end;
        ASSERT_LT(end + soundtest::OUTPUT_RATE / 2, heard.size() / 2) << "no silence at the end";
        const size_t start = StartOf(heard, decoded);
        ASSERT_LE(start, end);
        ExpectHeard(heard, decoded, start, end - start);
        EXPECT_GE(end, failedAt + soundtest::OUTPUT_RATE / 4) << "the queued music was cut off";

        Sound* click = Load(Tone("click.wav", 0.2f));
        click->Play();
        EXPECT_GT(Frame(2000).MaxAbs(), 5000);
        GetAudioManager()->DestroySound(click);
        ASSERT_TRUE(music->Load(Path("good.ogg").c_str(), &params));
        music->Play();
        heard.clear();
        for (int i = 0; i < 10; ++i)
            hear(Frame(353));
        ExpectHeard(heard, decoded, StartOf(heard, decoded), 3000);
        music->Release();
    }
}

TEST_F(SoundTest, FailedRefillWhileStoppingReleasesTheWholeSound)
{
    std::vector<int16_t> samples;
    Sound* stream = Load(CounterWav("s.wav", 30000, samples), SoundLoadParams{0, 1, 1});
    stream->Play();
    stream->FadeOut(0.01f, false);
    Frame(1000);
    backend::FailNextSoundBufferLocks(1);
    stream->Stop();
    EXPECT_FALSE(stream->IsLoaded());
    EXPECT_EQ(stream->buffer, nullptr);
    AudioManager* manager = GetAudioManager();
    EXPECT_TRUE(manager->loadedSounds.empty());
    EXPECT_TRUE(manager->streamingSounds.empty());
    EXPECT_TRUE(manager->fadingSounds.empty());
    Frame(1000);
    ASSERT_TRUE(stream->Reload());
    stream->Play();
    EXPECT_TRUE(stream->IsPlaying());
}
