#include "datagen/writers/FrameAnimationWriter.h"

#include "datagen/writers/ByteWriter.h"
#include "datagen/writers/FileWriter.h"

namespace datagen {

namespace {

constexpr size_t NAME_LIMIT = 64; // bytes including the zero

} // namespace

std::vector<uint8_t> EncodeFrameAnimation(const std::vector<FrameAnimationRecord>& records,
                                          const FrameAnimationFaults& faults)
{
    ByteWriter out;
    out.Text(faults.badMagic ? "QVXFRAMEANIMATIOM" : "QVXFRAMEANIMATION");
    out.U8(0);
    out.I32(faults.count.value_or(static_cast<int32_t>(records.size())));
    for (size_t i = 0; i < records.size(); ++i) {
        const FrameAnimationRecord& r = records[i];
        if (i == 0 && faults.unterminatedName) {
            out.FixedText(std::string(NAME_LIMIT, 'x'), NAME_LIMIT);
        } else {
            out.Text(r.name.substr(0, NAME_LIMIT - 1));
            out.U8(0);
        }
        out.I32(r.firstFrame);
        out.I32(r.lastFrame);
        out.F32(r.speed);
    }
    out.TruncateTo(faults.truncateTo);
    return out.bytes;
}

bool WriteFrameAnimation(const std::string& path, const std::vector<FrameAnimationRecord>& records)
{
    return WriteFileBytes(path, EncodeFrameAnimation(records));
}

} // namespace datagen
