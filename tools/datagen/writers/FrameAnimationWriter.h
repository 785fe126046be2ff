#pragma once
// Frame animation tables ("QVXFRAMEANIMATION"): named frame ranges with a speed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace datagen {

struct FrameAnimationRecord {
    std::string name; // at most 63 characters; the terminating zero is added
    int32_t firstFrame = 0;
    int32_t lastFrame = 0; // below firstFrame: played backwards
    float speed = 1.0f;    // frames per step
};

// Ways to break the file for tests; the defaults give a correct one.
struct FrameAnimationFaults {
    bool badMagic = false;
    std::optional<int32_t> count;
    bool unterminatedName = false; // the first name runs 64 bytes without its zero
    size_t truncateTo = SIZE_MAX;
};

std::vector<uint8_t> EncodeFrameAnimation(const std::vector<FrameAnimationRecord>& records,
                                          const FrameAnimationFaults& faults = {});
bool WriteFrameAnimation(const std::string& path, const std::vector<FrameAnimationRecord>& records);

} // namespace datagen
