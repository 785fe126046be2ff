#pragma once
// A secondary sound buffer with DirectSound's behaviour on an OpenAL source:
// Stop pauses, Play never restarts a playing buffer, locked bytes take effect
// at Unlock, and a looping buffer that is written while it plays becomes a
// ring of queued segments whose play cursor wraps like DirectSound's.

#include "backend/sound/SoundTypes.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace backend {

class SoundBuffer3D;
class SoundContext;

class SoundBuffer {
public:
    ~SoundBuffer();
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    // Null when the description is refused or no OpenAL source is left.
    static std::unique_ptr<SoundBuffer> Create(const std::shared_ptr<SoundContext>& context,
                                               const SoundBufferDesc& desc);

    // One or two regions starting at `offset`, wrapping at the end.
    bool Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1, void** part2, uint32_t* bytes2,
              uint32_t flags);
    bool Unlock(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2);

    bool Play(uint32_t flags);
    // Pauses: the position stays and Play resumes from it.
    bool Stop();
    // Ends a looping buffer whose writer has nothing more for it: what lies
    // ahead of the cursor plays (a ring what it has queued, a plain buffer up to
    // its end), nothing written from now on is heard, and then it stops. A
    // pause and Play in between resume the play-out; a Play after it starts afresh.
    void PlayOut();
    bool GetStatus(uint32_t* status);
    bool GetCurrentPosition(uint32_t* playCursor, uint32_t* writeCursor);
    bool SetCurrentPosition(uint32_t position);

    // Hundredths of a decibel, DSBVOLUME_MIN..DSBVOLUME_MAX.
    bool SetVolume(int32_t volume);
    bool GetVolume(int32_t* volume) const;
    // Hundredths of a decibel, DSBPAN_LEFT..DSBPAN_RIGHT; needs DSBCAPS_CTRLPAN.
    bool SetPan(int32_t pan);
    bool GetPan(int32_t* pan) const;
    // Samples per second, DSBFREQUENCY_MIN..DSBFREQUENCY_MAX; 0 is the data's rate.
    bool SetFrequency(uint32_t frequency);
    bool GetFrequency(uint32_t* frequency) const;

    // The 3D interface; null unless the buffer was made with DSBCAPS_CTRL3D.
    SoundBuffer3D* Get3DBuffer() { return buffer3D.get(); }

    const WaveFormat& Format() const { return format; }
    uint32_t Size() const { return size; }
    uint32_t Flags() const { return flags; }

    // Used by the 3D side.
    uint32_t Source() const { return source; }
    void SetMuted(bool mute);

private:
    SoundBuffer() = default;

    int SourceState() const;
    void ApplyGain();
    void ApplyPan();
    void UploadStatic();
    void Upload(uint32_t name, uint32_t start, uint32_t length);
    uint32_t FromAl(int32_t alOffset) const
    {
        return static_cast<uint32_t>(alOffset) / alFrameBytes * format.blockAlign;
    }
    int32_t ToAl(uint32_t offset) const { return static_cast<int32_t>(offset / format.blockAlign * alFrameBytes); }
    uint32_t SegmentStart(uint32_t segment) const { return segment * segmentBytes; }
    uint32_t SegmentLength(uint32_t segment) const;
    uint32_t SegmentOf(uint32_t position) const;
    void StartRing(uint32_t position);
    void StopRing(uint32_t position);
    void ServiceRing();
    bool PlayOutGoesOn();
    void RequeueRing();
    uint32_t RingCursor();
    uint32_t StaticCursor() const;

    std::shared_ptr<SoundContext> context;
    WaveFormat format;
    uint32_t flags = 0;
    uint32_t size = 0;
    uint32_t usableBytes = 0; // whole frames only
    int alFormat = 0;
    // A mono 2D buffer plays as stereo with its pan baked in, at full level on
    // both sides when centred, as DirectSound plays it.
    bool expandMono = false;
    uint32_t alFrameBytes = 0;
    std::vector<uint8_t> data;
    std::vector<uint8_t> scratch;
    bool locked = false;
    bool playingOut = false;

    uint32_t source = 0;
    uint32_t staticBuffer = 0;
    // Where a buffer that is not playing or paused in OpenAL starts next.
    uint32_t position = 0;

    // The ring: the buffer cut into segments that are queued on the source in
    // ring order. Starting mid-segment queues the rest of that segment as a
    // separate piece first (an offset would make OpenAL fade in).
    struct QueuedPiece {
        uint32_t name;
        uint32_t start;
        int segment; // -1 for the piece
    };
    bool ringMode = false;
    bool ringPlaying = false;
    std::vector<uint32_t> segmentBuffers;
    std::vector<bool> segmentQueued;
    uint32_t pieceBuffer = 0;
    std::deque<QueuedPiece> queue;
    uint32_t segmentBytes = 0;
    uint32_t nextSegment = 0;
    int blockedSegment = -1; // the segment the piece belongs to, until it has played

    int32_t volume = DSBVOLUME_MAX;
    int32_t pan = 0;
    uint32_t frequency = 0;
    bool muted = false;
    std::unique_ptr<SoundBuffer3D> buffer3D;
};

} // namespace backend
