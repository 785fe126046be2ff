#pragma once
// The audio manager started as the game starts it, for the life of a bench; a
// failed start is reported and the bench runs without sound.

class BenchAudio {
public:
    BenchAudio();
    ~BenchAudio();
    BenchAudio(const BenchAudio&) = delete;
    BenchAudio& operator=(const BenchAudio&) = delete;
};
