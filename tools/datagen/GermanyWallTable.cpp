// Designs Germany's placement table: the seat stands, the tyre walls along
// the circuit's straights and the finish poles. Printed once as source by
// `datagen --table Germany`.

#include "datagen/GermanyCircuit.h"
#include "datagen/PlacementTable.h"
#include "datagen/TrackLandscape.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace datagen {

namespace {

using germany::RED_STEP;
using germany::WHITE_STEP;

constexpr float WALL_MARGIN = 2.0f; // walls stop short of a straight's ends
constexpr float ROW_SPACING = 2.0f;
const char* const ROTATION_TEXT[germany::ROTATION_COUNT] = {
    "-2.47837f", "-1.92859f", "-1.5708f",   "-1.48353f",  "-1.38754f",  "-1.22173f",
    "-1.06465f", "-1.05592f", "-0.759218f", "-0.715585f", "-0.628318f", "-0.130899f",
    "0.0f",      "0.148353f", "0.584685f",  "1.15192f",   "1.22173f"};

// The rows the table must hold as written: red and white, at their red's index.
struct FixedPair {
    int index; // 1-based among the reds
    int rotation;
    Point2D red;
    const char *redText, *whiteText;
};

const FixedPair FIXED[] = {
    {1,
     10,
     {60.4983f, 96.9292f},
     "{1, 1, \"\", {60.4983f, 2.33538f, 96.9292f}, {0.0f, -0.628318f, 0.0f}, 0.0f, 3, 1, {0.72f, 1.26f, 0.72f}, 1, "
     "0.5f}",
     "{1, 2, \"\", {61.0777f, 2.33538f, 97.3502f}, {0.0f, -0.628318f, 0.0f}, 0.0f, 3, 1, {0.72f, 1.26f, 0.72f}, 1, "
     "0.5f}"},
    {2,
     10,
     {61.6632f, 97.7756f},
     "{1, 1, \"\", {61.6632f, 2.36324f, 97.7756f}, {0.0f, -0.628318f, 0.0f}, 0.0f, 3, 1, {0.72f, 1.26f, 0.72f}, 1, "
     "0.5f}",
     "{1, 2, \"\", {62.2427f, 2.36324f, 98.1966f}, {0.0f, -0.628318f, 0.0f}, 0.0f, 3, 1, {0.72f, 1.26f, 0.72f}, 1, "
     "0.5f}"},
    {101,
     6,
     {14.2817f, 22.307f},
     "{1, 1, \"\", {14.2817f, 2.30801f, 22.307f}, {0.0f, -1.06465f, 0.0f}, 0.0f, 3, 1, {0.72f, 1.26f, 0.72f}, 1, 0.5f}",
     "{1, 2, \"\", {14.629f, 2.30801f, 22.9334f}, {0.0f, -1.06465f, 0.0f}, 0.0f, 3, 1, {0.72f, 1.26f, 0.72f}, 1, "
     "0.5f}"},
    {301,
     12,
     {-104.932f, 108.062f},
     "{1, 1, \"\", {-104.932f, 2.30801f, 108.062f}, {0.0f, 0.0f, 0.0f}, 0.0f, 3, 1, {0.72f, 1.26f, 0.72f}, 1, 0.5f}",
     "{1, 2, \"\", {-104.216f, 2.30801f, 108.062f}, {0.0f, 0.0f, 0.0f}, 0.0f, 3, 1, {0.72f, 1.26f, 0.72f}, 1, 0.5f}"},
    {710,
     15,
     {188.953f, 213.598f},
     "{1, 1, \"\", {188.953f, 2.30801f, 213.598f}, {0.0f, 1.15192f, 0.0f}, 0.0f, 3, 1, {0.72f, 1.26f, 0.72f}, 1, 0.5f}",
     "{1, 2, \"\", {189.245f, 2.30801f, 212.944f}, {0.0f, 1.15192f, 0.0f}, 0.0f, 3, 1, {0.72f, 1.26f, 0.72f}, 1, "
     "0.5f}"},
};

const char* const SEATS[] = {
    "{0, 0, \"\", {-190.345f, 16.0f, -38.305f}, {0.0f, -1.76278f, 0.0f}, 0.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f}",
    "{0, 0, \"\", {-179.032f, 16.0f, -96.5075f}, {0.0f, -1.76278f, 0.0f}, 0.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f}",
    "{0, 0, \"\", {-127.183f, 16.0f, -101.15f}, {0.0f, 1.37881f, 0.0f}, 0.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f}",
    "{0, 0, \"\", {-138.476f, 16.0f, -43.0532f}, {0.0f, 1.37881f, 0.0f}, 0.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f}",
    "{0, 0, \"\", {174.132f, 18.2f, 159.576f}, {0.0f, 1.65806f, 0.0f}, 0.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f}",
    "{0, 0, \"\", {123.995f, 17.5f, -127.315f}, {0.0f, 2.01586f, 0.0f}, 0.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f}",
    "{0, 0, \"\", {-55.8291f, 17.5f, 117.008f}, {0.0f, -0.733038f, 0.0f}, 0.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f}",
    "{0, 0, \"\", {17.3084f, 17.5f, 159.756f}, {0.0f, -0.366519f, 0.0f}, 0.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f}",
};

const char* const POLES[] = {
    "{2, 3, \"\", {-171.05566f, 2.75f, -37.12804f}, {0.0f, -0.1984f, 0.0f}, 2.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f}",
    "{2, 3, \"\", {-163.21269f, 2.82f, -35.550915f}, {0.0f, -0.1984f, 0.02f}, 2.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, "
    "0.0f}",
};

// One line of walls beside a straight; reds at base + (first + k * RED_STEP) * direction.
struct Slot {
    int rotation;
    Point2D base, direction;
    float low, high; // the stretch of the line the walls may use
    const FixedPair* fixed = nullptr;
    float first = 0.0f;
    int pairs = 0;

    int Capacity() const { return int(std::floor((high - low - WHITE_STEP) / RED_STEP)) + 1; }
};

std::vector<Slot> Slots()
{
    std::vector<Slot> slots;
    for (const germany::Straight& s : germany::Straights()) {
        const Point2D d = germany::WallDirection(s.rotation);
        const Point2D left = {-d.z * s.travel, d.x * s.travel};
        // Along the wall direction, from the straight's start point.
        const float a = s.travel > 0.0f ? WALL_MARGIN : -(s.length - WALL_MARGIN);
        const float b = s.travel > 0.0f ? s.length - WALL_MARGIN : -WALL_MARGIN;
        for (float side : {1.0f, -1.0f}) {
            const float lateral = side > 0.0f ? s.left : s.right;
            if (lateral <= 0.0f)
                continue;
            for (int row = 0; row < s.rows; ++row) {
                const float offset = side * (lateral + ROW_SPACING * float(row));
                Slot slot;
                slot.rotation = s.rotation;
                slot.base = {s.from.x + left.x * offset, s.from.z + left.z * offset};
                slot.direction = d;
                slot.low = a;
                slot.high = b;
                for (const FixedPair& f : FIXED) {
                    const float dx = f.red.x - slot.base.x, dz = f.red.z - slot.base.z;
                    if (f.rotation == s.rotation && std::abs(dx * d.z - dz * d.x) < 0.01f) {
                        slot.fixed = &f;
                        slot.first = dx * d.x + dz * d.z;
                    }
                }
                slots.push_back(slot);
            }
        }
    }
    return slots;
}

std::string Number(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", double(value));
    std::string s = text;
    while (s.size() > 1 && s.back() == '0' && s[s.size() - 2] != '.')
        s.pop_back();
    return (s == "-0.0" ? "0.0" : s) + "f";
}

std::string StackRow(uint32_t texture, Point2D p, float y, int rotation)
{
    return "{1, " + std::to_string(texture) + ", \"\", {" + Number(p.x) + ", " + Number(y) + ", " + Number(p.z) +
           "}, {0.0f, " + ROTATION_TEXT[rotation] + ", 0.0f}, 0.0f, 3, 1, {0.72f, 1.26f, 0.72f}, 1, 0.5f}";
}

TableRow TextRow(const char* text)
{
    TableRow row;
    row.text = text;
    return row;
}

} // namespace

PlacementTable GermanyPlacementTable()
{
    PlacementTable table;
    std::vector<Slot> slots = Slots();
    // Fixed walls run as far as their stretch allows; the others share the rest, centred.
    for (int r = 0; r < germany::ROTATION_COUNT; ++r) {
        int left = germany::WALL_PAIRS[r];
        std::vector<Slot*> open;
        for (Slot& slot : slots) {
            if (slot.rotation != r)
                continue;
            if (slot.fixed == nullptr) {
                open.push_back(&slot);
                continue;
            }
            const int k0 = int(std::ceil((slot.low - slot.first) / RED_STEP - 1e-4f));
            const int k1 = int(std::floor((slot.high - WHITE_STEP - slot.first) / RED_STEP + 1e-4f));
            slot.first += float(k0) * RED_STEP;
            slot.pairs = std::min(k1 - k0 + 1, left);
            left -= slot.pairs;
        }
        while (left > 0) {
            int roomy = 0;
            for (Slot* slot : open)
                roomy += slot->pairs < slot->Capacity() ? 1 : 0;
            if (roomy == 0)
                break;
            const int share = std::max(1, left / roomy);
            for (Slot* slot : open)
                if (left > 0 && slot->pairs < slot->Capacity()) {
                    const int add = std::min({share, slot->Capacity() - slot->pairs, left});
                    slot->pairs += add;
                    left -= add;
                }
        }
        if (left != 0)
            table.problems.push_back("rotation " + std::string(ROTATION_TEXT[r]) + " lacks " + std::to_string(left) +
                                     " pairs of room");
        for (Slot* slot : open)
            slot->first = (slot->low + slot->high) * 0.5f - (RED_STEP * float(slot->pairs - 1) + WHITE_STEP) * 0.5f;
    }

    // The reds in wall order; the fixed ones go to their rows.
    struct Pair {
        std::string red, white;
    };
    std::vector<Pair> pairs;
    std::vector<Pair> placed(710);
    std::vector<bool> taken(710, false);
    const LandscapeDesign design = GermanyLandscape();
    for (const Slot& slot : slots)
        for (int k = 0; k < slot.pairs; ++k) {
            const float at = slot.first + RED_STEP * float(k);
            const Point2D red = {slot.base.x + slot.direction.x * at, slot.base.z + slot.direction.z * at};
            if (slot.fixed != nullptr) {
                const FixedPair* match = nullptr;
                for (const FixedPair& f : FIXED)
                    if (f.rotation == slot.rotation && std::hypot(f.red.x - red.x, f.red.z - red.z) < 0.01f)
                        match = &f;
                if (match != nullptr) {
                    placed[size_t(match->index - 1)] = {match->redText, match->whiteText};
                    taken[size_t(match->index - 1)] = true;
                    continue;
                }
            }
            const Point2D white = {red.x + slot.direction.x * WHITE_STEP, red.z + slot.direction.z * WHITE_STEP};
            const float y = std::clamp(NaturalHeight(design, red.x, red.z) + 0.5f, 2.30801f, 4.13837f);
            pairs.push_back({StackRow(1, red, y, slot.rotation), StackRow(2, white, y, slot.rotation)});
        }
    size_t next = 0;
    for (size_t i = 0; i < placed.size() && next < pairs.size(); ++i)
        if (!taken[i])
            placed[i] = pairs[next++];
    for (const FixedPair& f : FIXED)
        if (!taken[size_t(f.index - 1)])
            table.problems.push_back("the fixed stack " + std::to_string(f.index) + " stands on no wall");
    if (next != pairs.size() || std::any_of(placed.begin(), placed.end(), [](const Pair& p) { return p.red.empty(); }))
        table.problems.push_back("the walls do not hold 710 pairs");

    for (const char* seat : SEATS)
        table.statics.push_back(TextRow(seat));
    for (const Pair& p : placed)
        table.statics.push_back(TextRow(p.red.c_str()));
    for (const Pair& p : placed)
        table.statics.push_back(TextRow(p.white.c_str()));
    for (const char* pole : POLES)
        table.dynamics.push_back(TextRow(pole));
    return table;
}

} // namespace datagen
