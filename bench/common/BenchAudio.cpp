#include "BenchAudio.h"

#include "audio/AudioManager.h"
#include "engine/platform/Log.h"

#include <cstdio>

BenchAudio::BenchAudio()
{
    const AudioInitParams audio;
    if (!GetAudioManager()->Init(&audio))
        std::fprintf(stderr, "no audio: %s\n", g_LastError.c_str());
}

BenchAudio::~BenchAudio()
{
    if (GetAudioManager()->IsInitialized())
        GetAudioManager()->Shutdown();
}
