#include "engine/models/FrameAnimation.h"

#include "backend/files/Files.h"
#include "engine/models/ByteReader.h"
#include "engine/platform/Log.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr char MAGIC[] = "QVXFRAMEANIMATION";
constexpr size_t MAGIC_SIZE = 18;
constexpr size_t NAME_SIZE = 64;
// A record is at least a one-byte name and three 32-bit values.
constexpr size_t MIN_RECORD_SIZE = 1 + 12;

// The bytes are no animation table: named on stderr when they came from a file.
bool Refuse(const char* path, const char* reason)
{
    return ReportRefusedData("Error loading animation data: File corrupted!", path, reason);
}

} // namespace

bool FrameAnimation::Load(const char* path)
{
    animations.clear();
    LogFormat("\nLoading animation data \"%s\"...", path ? path : "");
    std::vector<uint8_t> bytes;
    std::string refusal;
    if (path == nullptr || !backend::ReadWholeFile(path, bytes, backend::MAX_ASSET_FILE_BYTES, &refusal))
        return ReportFileError(MissingOrRefused(refusal, "Error loading animation data: File not found!",
                                                "Error loading animation data: Can't open file!"),
                               path, refusal);
    return LoadFromMemory(bytes.data(), bytes.size(), path);
}

bool FrameAnimation::LoadFromMemory(const uint8_t* data, size_t size, const char* path)
{
    animations.clear();
    ByteReader in(data, size);
    char magic[MAGIC_SIZE];
    if (!in.String(magic, MAGIC_SIZE) || std::strcmp(magic, MAGIC) != 0)
        return Refuse(path, "not an animation table");
    int32_t count = 0;
    if (!in.I32(count))
        return Refuse(path, "file cut short");
    if (count < 1)
        return true;
    if (size_t(count) > in.Remaining() / MIN_RECORD_SIZE)
        return Refuse(path, "more animations than the file holds");

    for (int32_t i = 0; i < count; ++i) {
        char name[NAME_SIZE];
        int32_t first = 0, last = 0;
        float speed = 0.0f;
        if (!in.String(name, NAME_SIZE) || !in.I32(first) || !in.I32(last) || !in.F32(speed)) {
            animations.clear();
            return Refuse(path, "file cut short");
        }
        AddAnimation(name, first, last, speed);
    }
    return true;
}

void FrameAnimation::AddAnimation(const char* name, int32_t first, int32_t last, float speed)
{
    if (name == nullptr || name[0] == 0)
        return;
    Animation animation;
    std::strncpy(animation.name, name, sizeof(animation.name) - 1);
    animation.first = first;
    animation.last = last;
    animation.speed = speed;
    animation.firstFrame = float(first);
    animation.lastFrame = float(last);
    animation.current = animation.firstFrame;
    animations.push_back(animation);
}

int32_t FrameAnimation::Find(const char* name) const
{
    if (name == nullptr)
        return -1;
    for (size_t i = 0; i < animations.size(); ++i) {
        if (std::strcmp(animations[i].name, name) == 0)
            return int32_t(i);
    }
    return -1;
}

float FrameAnimation::Advance(const char* name, uint32_t loop, float step)
{
    const int32_t index = Find(name);
    if (index < 0)
        return -1.0f;
    Animation& a = animations[size_t(index)];
    if (index != currentIndex) {
        currentIndex = index;
        a.current = a.firstFrame;
        return a.current;
    }
    // A one-frame range never moves.
    if (a.first == a.last) {
        a.current = a.firstFrame;
        return a.current;
    }
    float move = 0.0f;
    if (step == -1.0f)
        move = a.speed;
    else if (step >= 0.0f)
        move = step * a.speed;
    const bool forward = int64_t(a.last) - int64_t(a.first) > 0;
    a.current += forward ? move : -move;
    Wrap(a, loop, forward);
    return a.current;
}

void FrameAnimation::Wrap(Animation& a, uint32_t loop, bool forward)
{
    if (!std::isfinite(a.current)) {
        a.current = a.firstFrame;
        return;
    }
    const bool pastEnd = forward ? a.current > a.lastFrame : a.current < a.lastFrame;
    // Only a negative speed moves a frame back past the start of its range.
    const bool beforeStart = forward ? a.current < a.firstFrame : a.current > a.firstFrame;
    if (!pastEnd && !beforeStart)
        return;
    const float range = a.lastFrame - a.firstFrame;
    if (loop == 0 || range == 0.0f) {
        a.current = pastEnd ? a.lastFrame : a.firstFrame;
        return;
    }
    // As many whole ranges as it takes to come back into the range; one for
    // any step no longer than the range.
    if (pastEnd)
        a.current -= std::ceil((a.current - a.lastFrame) / range) * range;
    else
        a.current += std::ceil((a.firstFrame - a.current) / range) * range;
    const float low = std::min(a.firstFrame, a.lastFrame), high = std::max(a.firstFrame, a.lastFrame);
    if (!(a.current >= low))
        a.current = low;
    else if (a.current > high)
        a.current = high;
}

float FrameAnimation::GetFrame(const char* name) const
{
    const int32_t index = Find(name);
    return index < 0 ? -1.0f : animations[size_t(index)].current;
}
