#include "engine/platform/ColorPulseTable.h"

#include "engine/platform/ClampValue.h"

#include <cmath>

ColorPulseTable g_ColorPulses;

namespace {

constexpr float TWO_PI = 6.2831855f;
constexpr float START_PHASE = 4.712389f; // 3/2 pi: the sine starts at its low end, colour A

} // namespace

int ColorPulseTable::Add(const float colourA[4], const float colourB[4], const float speeds[4])
{
    ColorPulse pulse;
    for (int c = 0; c < 4; ++c) {
        float a = colourA[c], b = colourB[c];
        ClampValue(a, 0.0f, 255.0f);
        ClampValue(b, 0.0f, 255.0f);
        pulse.amplitude[c] = (b - a) * 0.5f;
        pulse.mid[c] = a + pulse.amplitude[c];
        pulse.constant[c] = (b - a == 0.0f);
        pulse.phase[c] = START_PHASE;
        pulse.speed[c] = speeds[c];
        pulse.value[c] = a;
    }
    pulses.push_back(pulse);
    return int(pulses.size()) - 1;
}

void ColorPulseTable::Update()
{
    for (ColorPulse& pulse : pulses) {
        for (int c = 0; c < 4; ++c) {
            if (pulse.constant[c])
                continue;
            float phase = pulse.phase[c] + pulse.speed[c];
            // A speed that is not finite, or huge, would never come back into range by steps.
            if (!std::isfinite(phase))
                continue;
            if (std::fabs(phase) > 1000.0f * TWO_PI)
                phase = std::fmod(phase, TWO_PI);
            while (phase >= TWO_PI)
                phase -= TWO_PI;
            while (phase < 0.0f)
                phase += TWO_PI;
            pulse.phase[c] = phase;
            pulse.value[c] = std::sin(phase) * pulse.amplitude[c] + pulse.mid[c];
        }
    }
}

bool ColorPulseTable::SetPhase(int index, float t)
{
    if (index < 0 || index >= int(pulses.size()))
        return true;
    ClampValue(t, 0.0f, 1.0f);
    float phase = (t - 0.5f) * 3.1415927f;
    if (phase < 0.0f)
        phase += TWO_PI;
    ColorPulse& pulse = pulses[size_t(index)];
    for (int c = 0; c < 4; ++c) {
        pulse.phase[c] = phase;
        pulse.value[c] = std::sin(phase) * pulse.amplitude[c] + pulse.mid[c];
    }
    return true;
}

uint32_t ColorPulseTable::GetColor(int index) const
{
    if (index < 0 || index >= int(pulses.size()))
        return 0;
    const ColorPulse& pulse = pulses[size_t(index)];
    uint32_t channels[4];
    for (int c = 0; c < 4; ++c)
        channels[c] = uint32_t(int(pulse.value[c])) & 0xFFu;
    return channels[0] << 24 | channels[1] << 16 | channels[2] << 8 | channels[3];
}
