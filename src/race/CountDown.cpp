#include "race/CountDown.h"

#include "audio/AudioManager.h"
#include "audio/Sound.h"

namespace {

// Half a texel of the 256 x 128 "go" picture and of the 128 x 128 digits.
constexpr float GO_UV[4] = {1.0f / 512, 1.0f / 256, 1.0f + 1.0f / 512, 1.0f + 1.0f / 256};
constexpr float DIGIT_UV[4] = {1.0f / 256, 1.0f / 256, 1.0f + 1.0f / 256, 1.0f + 1.0f / 256};

constexpr const char* DIGIT_FILES[] = {
    "Graphics\\Textures\\CountDown\\one.dds",   "Graphics\\Textures\\CountDown\\two.dds",
    "Graphics\\Textures\\CountDown\\three.dds", "Graphics\\Textures\\CountDown\\four.dds",
    "Graphics\\Textures\\CountDown\\five.dds",
};

bool LoadSound(Sound*& sound, const char* file)
{
    sound = GetAudioManager()->CreateSound();
    const SoundLoadParams params{};
    return sound != nullptr && sound->Load(file, &params);
}

void FreeSound(Sound*& sound)
{
    if (sound == nullptr)
        return;
    sound->Release();
    GetAudioManager()->DestroySound(sound);
}

} // namespace

bool CountDown::Load()
{
    if (!images[0].Load("Graphics\\Textures\\CountDown\\go.dds", 256.0f, 128.0f, 0xFFFFFFFFu, GO_UV))
        return false;
    for (int32_t i = 1; i < COUNTDOWN_IMAGE_COUNT; ++i)
        if (!images[i].Load(DIGIT_FILES[i - 1], 128.0f, 128.0f, 0xFFFFFFFFu, DIGIT_UV))
            return false;
    return LoadSound(countDownSound, "Audio\\Sounds\\CountDown.wav") && LoadSound(goSound, "Audio\\Sounds\\Go.wav");
}

void CountDown::Reset()
{
    stepTimer.Init(true, false, 0, 1, 0);
    stepTimer.Start();
    counter = 6;
    go = false;
}

void CountDown::Update()
{
    if (counter < 0)
        return;
    stepTimer.Update();
    if (!stepTimer.expired)
        return;
    --counter;
    stepTimer.Reset();
    Sound* sound = counter == 0 ? goSound : counter > 0 ? countDownSound : nullptr;
    if (counter == 0)
        go = true;
    if (sound != nullptr)
        sound->Play();
}

void CountDown::Render()
{
    if (counter < 0 || counter >= COUNTDOWN_IMAGE_COUNT)
        return;
    images[counter].SetPosition(0.0f, 0.0f, 3);
    images[counter].Render();
}

bool CountDown::Restore()
{
    for (VertexImage& image : images)
        image.Restore();
    return true;
}

void CountDown::Release()
{
    for (VertexImage& image : images)
        image.Release();
}

void CountDown::Destroy()
{
    FreeSound(countDownSound);
    FreeSound(goSound);
}
