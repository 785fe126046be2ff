#include "backend/sound/SoundBuffer.h"

#include "backend/sound/SoundBuffer3D.h"
#include "backend/sound/SoundContext.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace backend {

namespace {

// Segments of a ring; a full ring of one second gives 125 ms each.
constexpr uint32_t RING_SEGMENTS = 8;

ALenum FormatOf(const WaveFormat& format, bool expandMono)
{
    if (format.channels == 1 && !expandMono)
        return format.bitsPerSample == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
    return format.bitsPerSample == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
}

bool IsValidFormat(const WaveFormat& format)
{
    return format.formatTag == WAVE_FORMAT_PCM && (format.channels == 1 || format.channels == 2) &&
           (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
           format.blockAlign == format.channels * format.bitsPerSample / 8 &&
           format.samplesPerSec >= DSBFREQUENCY_MIN && format.samplesPerSec <= DSBFREQUENCY_MAX;
}

} // namespace

std::unique_ptr<SoundBuffer> SoundBuffer::Create(const std::shared_ptr<SoundContext>& context,
                                                 const SoundBufferDesc& desc)
{
    if (!context || !desc.format || (desc.flags & DSBCAPS_PRIMARYBUFFER) || !IsValidFormat(*desc.format))
        return nullptr;
    const WaveFormat& format = *desc.format;
    bool is3D = (desc.flags & DSBCAPS_CTRL3D) != 0;
    // 3D buffers are mono; pan and 3D exclude each other.
    if (is3D && (format.channels != 1 || (desc.flags & DSBCAPS_CTRLPAN)))
        return nullptr;
    if (desc.bufferBytes < DSBSIZE_MIN || desc.bufferBytes < format.blockAlign || desc.bufferBytes > 0x0FFFFFFF)
        return nullptr;

    std::unique_ptr<SoundBuffer> buffer(new SoundBuffer());
    buffer->context = context;
    buffer->format = format;
    buffer->flags = desc.flags;
    buffer->size = desc.bufferBytes;
    buffer->usableBytes = desc.bufferBytes - desc.bufferBytes % format.blockAlign;
    buffer->expandMono = format.channels == 1 && !is3D;
    buffer->alFormat = FormatOf(format, buffer->expandMono);
    buffer->alFrameBytes = format.blockAlign * (buffer->expandMono ? 2 : 1);
    buffer->data.assign(desc.bufferBytes, 0);

    context->Use();
    alGetError();
    ALuint source = 0;
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR)
        return nullptr;
    buffer->source = source;
    ALuint staticBuffer = 0;
    alGenBuffers(1, &staticBuffer);
    if (alGetError() != AL_NO_ERROR)
        return nullptr;
    buffer->staticBuffer = staticBuffer;

    uint32_t frames = buffer->usableBytes / format.blockAlign;
    uint32_t segments = std::min(RING_SEGMENTS, frames);
    buffer->segmentBytes = frames / segments * format.blockAlign;
    buffer->segmentBuffers.resize(segments);
    buffer->segmentQueued.assign(segments, false);
    alGenBuffers(static_cast<ALsizei>(segments), buffer->segmentBuffers.data());
    alGenBuffers(1, &buffer->pieceBuffer);
    if (alGetError() != AL_NO_ERROR) {
        buffer->segmentBuffers.clear();
        return nullptr;
    }

    if (is3D) {
        buffer->buffer3D = std::make_unique<SoundBuffer3D>(*context, *buffer);
        buffer->buffer3D->Apply();
    } else {
        // A 2D sound sits on the listener and does not fade with distance.
        alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
        alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
        alSourcei(source, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
    }
    buffer->UploadStatic();
    if (alGetError() != AL_NO_ERROR)
        return nullptr;
    return buffer;
}

SoundBuffer::~SoundBuffer()
{
    if (!context)
        return;
    context->Use();
    buffer3D.reset();
    if (source) {
        alSourceStop(source);
        alSourcei(source, AL_BUFFER, 0);
        alDeleteSources(1, &source);
    }
    if (staticBuffer)
        alDeleteBuffers(1, &staticBuffer);
    if (pieceBuffer)
        alDeleteBuffers(1, &pieceBuffer);
    if (!segmentBuffers.empty())
        alDeleteBuffers(static_cast<ALsizei>(segmentBuffers.size()), segmentBuffers.data());
}

int SoundBuffer::SourceState() const
{
    ALint state = AL_INITIAL;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state;
}

uint32_t SoundBuffer::SegmentLength(uint32_t segment) const
{
    if (segment + 1 == segmentBuffers.size())
        return usableBytes - SegmentStart(segment);
    return segmentBytes;
}

uint32_t SoundBuffer::SegmentOf(uint32_t offset) const
{
    return std::min<uint32_t>(offset / segmentBytes, static_cast<uint32_t>(segmentBuffers.size()) - 1);
}

void SoundBuffer::UploadStatic()
{
    alSourcei(source, AL_BUFFER, 0);
    Upload(staticBuffer, 0, usableBytes);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(staticBuffer));
}

// Gives OpenAL bytes [start, start + length) of the buffer, a mono 2D buffer
// as stereo with DirectSound's pan: the side away from the pan is attenuated.
void SoundBuffer::Upload(uint32_t name, uint32_t start, uint32_t length)
{
    const uint8_t* bytes = data.data() + start;
    if (expandMono) {
        float gains[2] = {pan > 0 ? MillibelsToGain(-pan) : 1.0f, pan < 0 ? MillibelsToGain(pan) : 1.0f};
        scratch.resize(static_cast<size_t>(length) * 2);
        if (format.bitsPerSample == 8) {
            for (uint32_t i = 0; i < length; ++i) {
                for (int c = 0; c < 2; ++c)
                    scratch[2 * i + c] = static_cast<uint8_t>(std::lround((bytes[i] - 128) * gains[c]) + 128);
            }
        } else {
            for (uint32_t i = 0; i + 1 < length; i += 2) {
                int16_t sample;
                std::memcpy(&sample, bytes + i, 2);
                for (int c = 0; c < 2; ++c) {
                    auto scaled = static_cast<int16_t>(std::lround(sample * gains[c]));
                    std::memcpy(scratch.data() + 2 * i + 2 * c, &scaled, 2);
                }
            }
        }
        bytes = scratch.data();
        length *= 2;
    }
    alBufferData(name, alFormat, bytes, static_cast<ALsizei>(length), static_cast<ALsizei>(format.samplesPerSec));
}

uint32_t SoundBuffer::StaticCursor() const
{
    int state = SourceState();
    if (state != AL_PLAYING && state != AL_PAUSED)
        return position;
    ALint offset = 0;
    alGetSourcei(source, AL_BYTE_OFFSET, &offset);
    return FromAl(offset) % usableBytes;
}

// Queues the ring from `offset` on and plays it.
void SoundBuffer::StartRing(uint32_t offset)
{
    StopRing(offset);
    alSourcei(source, AL_LOOPING, AL_FALSE);
    uint32_t segment = SegmentOf(offset);
    nextSegment = segment;
    if (offset > SegmentStart(segment)) {
        uint32_t end = SegmentStart(segment) + SegmentLength(segment);
        Upload(pieceBuffer, offset, end - offset);
        alSourceQueueBuffers(source, 1, &pieceBuffer);
        queue.push_back({pieceBuffer, offset, -1});
        blockedSegment = static_cast<int>(segment);
        nextSegment = (segment + 1) % segmentBuffers.size();
    }
    RequeueRing();
    alSourcePlay(source);
}

void SoundBuffer::StopRing(uint32_t offset)
{
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, 0);
    queue.clear();
    std::fill(segmentQueued.begin(), segmentQueued.end(), false);
    blockedSegment = -1;
    nextSegment = SegmentOf(offset);
    position = offset;
    playingOut = false;
}

// Takes the pieces that finished playing off the source. A ring playing out
// stops where its last piece ended once all have played.
void SoundBuffer::ServiceRing()
{
    ALint processed = 0;
    if (!queue.empty())
        alGetSourcei(source, AL_BUFFERS_PROCESSED, &processed);
    for (ALint i = 0; i < processed && !queue.empty(); ++i) {
        ALuint done = 0;
        alSourceUnqueueBuffers(source, 1, &done);
        QueuedPiece piece = queue.front();
        queue.pop_front();
        if (piece.segment < 0)
            blockedSegment = -1;
        else
            segmentQueued[piece.segment] = false;
    }
    if (playingOut && queue.empty()) {
        playingOut = false;
        ringPlaying = false;
        position = SegmentStart(nextSegment);
    }
}

// Whether a play-out has still something to play: a ring's queue, a plain
// buffer's source that has not stopped.
bool SoundBuffer::PlayOutGoesOn()
{
    if (!playingOut)
        return false;
    if (ringMode) {
        ServiceRing();
    } else if (SourceState() == AL_STOPPED) {
        playingOut = false;
        UploadStatic(); // what was written meanwhile, for the next Play
    }
    return playingOut;
}

// Uploads the segments that have played since they were queued and queues them
// again in ring order, so that what was written behind the cursor plays next lap.
void SoundBuffer::RequeueRing()
{
    for (;;) {
        uint32_t segment = nextSegment;
        if (segmentQueued[segment] || static_cast<int>(segment) == blockedSegment)
            return;
        ALuint name = segmentBuffers[segment];
        Upload(name, SegmentStart(segment), SegmentLength(segment));
        alSourceQueueBuffers(source, 1, &name);
        queue.push_back({name, SegmentStart(segment), static_cast<int>(segment)});
        segmentQueued[segment] = true;
        nextSegment = (segment + 1) % segmentBuffers.size();
    }
}

uint32_t SoundBuffer::RingCursor()
{
    ServiceRing();
    if (queue.empty())
        return ringPlaying ? SegmentStart(nextSegment) : position;
    ALint offset = 0;
    alGetSourcei(source, AL_BYTE_OFFSET, &offset);
    return (queue.front().start + FromAl(offset)) % usableBytes;
}

bool SoundBuffer::Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1, void** part2, uint32_t* bytes2,
                       uint32_t lockFlags)
{
    if (!part1 || !bytes1 || locked || TakeSoundLockFailure())
        return false;
    if (lockFlags & DSBLOCK_ENTIREBUFFER) {
        offset = 0;
        bytes = size;
    }
    if (offset >= size || bytes == 0 || bytes > size)
        return false;
    uint32_t first = std::min(bytes, size - offset);
    if (bytes > first && (!part2 || !bytes2))
        return false;
    *part1 = data.data() + offset;
    *bytes1 = first;
    if (part2)
        *part2 = bytes > first ? data.data() : nullptr;
    if (bytes2)
        *bytes2 = bytes - first;
    locked = true;
    return true;
}

bool SoundBuffer::Unlock(void*, uint32_t, void*, uint32_t)
{
    if (!locked)
        return false;
    locked = false;
    context->Use();
    if (PlayOutGoesOn())
        return true; // never heard
    if (ringMode) {
        if (ringPlaying) {
            ServiceRing();
            RequeueRing();
            if (SourceState() != AL_PLAYING)
                alSourcePlay(source); // it ran dry; a ring never stops
        } else if (!queue.empty()) {
            // Paused: the queued copies are stale now; requeue at the next Play.
            StopRing(RingCursor());
        }
        return true;
    }
    int state = SourceState();
    if (state == AL_PLAYING) {
        ALint looping = AL_FALSE;
        alGetSourcei(source, AL_LOOPING, &looping);
        uint32_t cursor = StaticCursor();
        if (looping) {
            // Written while it loops: from now on a ring of segments.
            ringMode = true;
            ringPlaying = true;
            StartRing(cursor);
            return true;
        }
        alSourceStop(source);
        UploadStatic();
        alSourcei(source, AL_BYTE_OFFSET, ToAl(cursor));
        alSourcePlay(source);
    } else if (state == AL_PAUSED) {
        uint32_t cursor = StaticCursor();
        alSourceStop(source);
        UploadStatic();
        position = cursor;
    } else {
        UploadStatic();
    }
    return true;
}

bool SoundBuffer::Play(uint32_t playFlags)
{
    context->Use();
    alGetError(); // only this call's errors count
    bool looping = (playFlags & DSBPLAY_LOOPING) != 0;
    if (ringMode) {
        if (ringPlaying)
            return true;
        if (looping) {
            ringPlaying = true;
            if (!queue.empty())
                alSourcePlay(source); // resumes a pause
            else
                StartRing(position);
            position = 0;
            return true;
        }
        // Played once: back to one plain buffer.
        uint32_t cursor = RingCursor();
        StopRing(cursor);
        ringMode = false;
        UploadStatic();
    }
    int state = SourceState();
    alSourcei(source, AL_LOOPING, looping && !PlayOutGoesOn() ? AL_TRUE : AL_FALSE);
    if (state == AL_PLAYING)
        return true;
    if (state != AL_PAUSED && position != 0)
        alSourcei(source, AL_BYTE_OFFSET, ToAl(position));
    position = 0;
    alSourcePlay(source);
    return alGetError() == AL_NO_ERROR;
}

bool SoundBuffer::Stop()
{
    context->Use();
    if (ringMode) {
        if (!ringPlaying)
            return true;
        uint32_t cursor = RingCursor();
        ringPlaying = false;
        if (!queue.empty())
            alSourcePause(source);
        else
            position = cursor;
        return true;
    }
    if (SourceState() == AL_PLAYING)
        alSourcePause(source);
    return true;
}

void SoundBuffer::PlayOut()
{
    context->Use();
    if (ringMode) {
        if (!ringPlaying && queue.empty())
            return;
        playingOut = true;
        ServiceRing(); // a ring that ran dry ends here
        return;
    }
    const int state = SourceState();
    if (state != AL_PLAYING && state != AL_PAUSED)
        return;
    playingOut = true;
    alSourcei(source, AL_LOOPING, AL_FALSE);
}

bool SoundBuffer::GetStatus(uint32_t* status)
{
    if (!status)
        return false;
    context->Use();
    PlayOutGoesOn();
    bool playing = ringMode ? ringPlaying : SourceState() == AL_PLAYING;
    *status = 0;
    if (playing) {
        ALint looping = AL_FALSE;
        alGetSourcei(source, AL_LOOPING, &looping);
        *status = DSBSTATUS_PLAYING | ((ringMode || looping) ? DSBSTATUS_LOOPING : 0);
    }
    return true;
}

bool SoundBuffer::GetCurrentPosition(uint32_t* playCursor, uint32_t* writeCursor)
{
    context->Use();
    uint32_t cursor = ringMode ? RingCursor() : StaticCursor();
    if (playCursor)
        *playCursor = cursor;
    if (writeCursor)
        *writeCursor = cursor;
    return true;
}

bool SoundBuffer::SetCurrentPosition(uint32_t offset)
{
    if (offset >= size)
        return false;
    context->Use();
    offset -= offset % format.blockAlign;
    if (offset >= usableBytes)
        offset = 0;
    if (ringMode) {
        if (ringPlaying)
            StartRing(offset);
        else
            StopRing(offset);
        return true;
    }
    int state = SourceState();
    if (state == AL_PLAYING || state == AL_PAUSED)
        alSourcei(source, AL_BYTE_OFFSET, ToAl(offset));
    else
        position = offset;
    return true;
}

void SoundBuffer::ApplyGain()
{
    alSourcef(source, AL_GAIN, muted ? 0.0f : MillibelsToGain(volume));
}

void SoundBuffer::SetMuted(bool mute)
{
    muted = mute;
    ApplyGain();
}

bool SoundBuffer::SetVolume(int32_t newVolume)
{
    if (!(flags & DSBCAPS_CTRLVOLUME) || newVolume < DSBVOLUME_MIN || newVolume > DSBVOLUME_MAX)
        return false;
    volume = newVolume;
    context->Use();
    ApplyGain();
    return true;
}

bool SoundBuffer::GetVolume(int32_t* out) const
{
    if (!out)
        return false;
    *out = volume;
    return true;
}

// The pan is part of the uploaded data: upload again where the buffer stands.
void SoundBuffer::ApplyPan()
{
    if (!expandMono || PlayOutGoesOn())
        return; // a play-out keeps what it has
    if (ringMode) {
        if (ringPlaying)
            StartRing(RingCursor());
        else if (!queue.empty())
            StopRing(RingCursor());
        return;
    }
    int state = SourceState();
    if (state == AL_PLAYING || state == AL_PAUSED) {
        uint32_t cursor = StaticCursor();
        alSourceStop(source);
        UploadStatic();
        if (state == AL_PLAYING) {
            alSourcei(source, AL_BYTE_OFFSET, ToAl(cursor));
            alSourcePlay(source);
        } else {
            position = cursor;
        }
    } else {
        UploadStatic();
    }
}

bool SoundBuffer::SetPan(int32_t newPan)
{
    if (!(flags & DSBCAPS_CTRLPAN) || newPan < DSBPAN_LEFT || newPan > DSBPAN_RIGHT)
        return false;
    pan = newPan;
    context->Use();
    ApplyPan();
    return true;
}

bool SoundBuffer::GetPan(int32_t* out) const
{
    if (!out)
        return false;
    *out = pan;
    return true;
}

bool SoundBuffer::SetFrequency(uint32_t newFrequency)
{
    if (!(flags & DSBCAPS_CTRLFREQUENCY))
        return false;
    if (newFrequency != 0 && (newFrequency < DSBFREQUENCY_MIN || newFrequency > DSBFREQUENCY_MAX))
        return false;
    frequency = newFrequency;
    context->Use();
    float pitch = newFrequency == 0 ? 1.0f : static_cast<float>(newFrequency) / format.samplesPerSec;
    alSourcef(source, AL_PITCH, pitch);
    return true;
}

bool SoundBuffer::GetFrequency(uint32_t* out) const
{
    if (!out)
        return false;
    *out = frequency == 0 ? format.samplesPerSec : frequency;
    return true;
}

} // namespace backend
