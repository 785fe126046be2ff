// Designs the USA town's placement table from its street plan: buildings on
// the lots, the tallest downtown at the south end; lights and signs at street corners; cars
// parked along the side streets; rows of blocks closing the side streets
// where they meet the race loop. Printed once as source by `datagen --table USA`.

#include "datagen/PlacementTable.h"
#include "datagen/TrackModelSizes.h"
#include "datagen/USAStreets.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace datagen {

namespace {

constexpr float PI = 3.14159265f;
constexpr float LOT_PITCH = 22.0f;
constexpr float ROAD_CLEARANCE = 8.3f; // from the loop's centre line
const Point2D DOWNTOWN = {40.0f, -330.0f};
const Point2D START = {-53.0f, -127.0179f};

enum Model : uint32_t {
    BUILDING,
    BUILDING2,
    BUILDING3,
    BUILDING4,
    BUILDING5,
    SKYSCRAPER,
    SKYSCRAPER2,
    SKYSCRAPER3,
    SKYSCRAPER4,
    SKYSCRAPER5,
    SKYSCRAPER6,
    SKYSCRAPER7,
    SKYSCRAPER8,
    SIGN,
    LIGHT_ONE,
    LIGHT_TWO,
    CAR,
    BLOCK,
    RAMP,
    POLE,
};

const char* const MODEL_PATHS[] = {
    "Building.x",
    "Building2.x",
    "Building3.x",
    "Building4.x",
    "Building5.x",
    "Skyscraper.x",
    "Skyscraper2.x",
    "Skyscraper3.x",
    "Skyscraper4.x",
    "Skyscraper5.x",
    "Skyscraper6.x",
    "Skyscraper7.x",
    "Skyscraper8.x",
    "TrafficSign.x",
    "TrafficLightOneSide.x",
    "TrafficLightTwoSides.x",
    "Car.qvx",
    "Block.x",
    "Ramp.x",
};

Float3 ModelSize(uint32_t model)
{
    if (model == POLE)
        return {0.1f, 0.5f, 0.1f};
    const std::string path = std::string("Graphics\\Tracks\\USA\\Models\\") + MODEL_PATHS[model];
    for (const TrackModelSize& size : TRACK_MODEL_SIZES)
        if (path == size.path)
            return size.size;
    return {};
}

// The building kinds by model: texture, count to design, and the y range of their rows.
struct Kind {
    uint32_t model, texture;
    int count;
    float yLow, yHigh;
};

// Tallest first: they take the lots nearest downtown.
const Kind KINDS[] = {
    {SKYSCRAPER2, 6, 1, 220.0f, 220.0f}, {SKYSCRAPER, 5, 6, 110.0f, 110.0f},    {SKYSCRAPER6, 8, 16, 70.091f, 91.5f},
    {SKYSCRAPER5, 7, 8, 82.5f, 82.5f},   {SKYSCRAPER3, 6, 17, 48.218f, 75.0f},  {SKYSCRAPER4, 6, 3, 70.0f, 70.0f},
    {SKYSCRAPER7, 9, 7, 62.5f, 62.5f},   {SKYSCRAPER8, 10, 44, 24.552f, 45.5f}, {BUILDING2, 1, 20, 36.0f, 36.0f},
    {BUILDING, 0, 8, 30.0f, 30.0f},      {BUILDING5, 4, 71, 4.5f, 4.5f},        {BUILDING4, 3, 9, 1.5f, 1.5f},
    {BUILDING3, 2, 21, 4.25f, 4.25f},
};

uint32_t Hash(uint32_t x)
{
    x = (x ^ 61u) ^ (x >> 16);
    x *= 9u;
    x ^= x >> 4;
    x *= 0x27d4eb2du;
    return x ^ (x >> 15);
}

float Random01(uint32_t x)
{
    return float(Hash(x) & 0xFFFFFFu) / float(0x1000000);
}

TableRow Row(uint32_t model, uint32_t texture, float x, float y, float z, float rotationY, uint32_t material)
{
    TableRow row;
    row.def = {model, texture, "", {x, y, z}, {0.0f, rotationY, 0.0f}, 0.0f, material, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f};
    return row;
}

// The rows the table must hold as written.
TableRow Fixed(TableRow row, const char* text)
{
    row.text = text;
    return row;
}

struct Lot {
    float x, z, width, depth;
    float facing; // rotation y turning the front to the nearest street
    float score;
};

struct Footprint {
    float x, z, halfX, halfZ;
};

bool Overlaps(const Footprint& a, const Footprint& b, float margin)
{
    return std::abs(a.x - b.x) < a.halfX + b.halfX + margin && std::abs(a.z - b.z) < a.halfZ + b.halfZ + margin;
}

Footprint FootprintOf(const TableRow& row)
{
    const Float3 size = ModelSize(row.def.modelIndex);
    const bool turned = std::abs(std::sin(row.def.rotation.y)) > 0.5f;
    return {row.def.position.x, row.def.position.z, (turned ? size.z : size.x) * 0.5f,
            (turned ? size.x : size.z) * 0.5f};
}

float LineWidth(const std::vector<Street>& streets, bool alongZ, float at)
{
    float width = 0.0f;
    for (const Street& s : streets)
        if (s.alongZ == alongZ && s.at == at)
            width = std::max(width, s.width);
    return width;
}

std::vector<Lot> Lots(const TrackRoad& road)
{
    const std::vector<Street>& streets = usa::Streets();
    std::vector<float> xs = {-190.0f, 198.0f}, zs = {-431.0f, 434.0f};
    for (const Street& s : streets)
        (s.alongZ ? xs : zs).push_back(s.at);
    for (std::vector<float>* lines : {&xs, &zs}) {
        std::sort(lines->begin(), lines->end());
        lines->erase(std::unique(lines->begin(), lines->end()), lines->end());
    }
    auto margin = [&](bool alongZ, float at, bool edge) {
        return edge ? 0.0f : LineWidth(streets, alongZ, at) * 0.5f + usa::PAVEMENT + 0.5f;
    };
    std::vector<Lot> lots;
    for (size_t i = 0; i + 1 < xs.size(); ++i)
        for (size_t j = 0; j + 1 < zs.size(); ++j) {
            const float x0 = xs[i] + margin(true, xs[i], i == 0);
            const float x1 = xs[i + 1] - margin(true, xs[i + 1], i + 2 == xs.size());
            const float z0 = zs[j] + margin(false, zs[j], j == 0);
            const float z1 = zs[j + 1] - margin(false, zs[j + 1], j + 2 == zs.size());
            if (x1 - x0 < 12.0f || z1 - z0 < 12.0f)
                continue;
            const int nx = std::max(1, int((x1 - x0) / LOT_PITCH)), nz = std::max(1, int((z1 - z0) / LOT_PITCH));
            const float w = (x1 - x0) / float(nx), d = (z1 - z0) / float(nz);
            for (int a = 0; a < nx; ++a)
                for (int b = 0; b < nz; ++b) {
                    Lot lot{x0 + w * (float(a) + 0.5f), z0 + d * (float(b) + 0.5f), w, d, 0.0f, 0.0f};
                    // Front towards the nearest street side: +z is 0, -x is pi/2, -z is pi, +x is -pi/2.
                    const float toSide[4] = {z1 - lot.z, lot.x - x0, lot.z - z0, x1 - lot.x};
                    const int side = int(std::min_element(toSide, toSide + 4) - toSide);
                    lot.facing = float(side) * PI * 0.5f;
                    if (lot.facing > PI)
                        lot.facing -= 2.0f * PI;
                    // Downtown fills the south end; the view up the street from the start stays open.
                    lot.score = lot.z + 60.0f * Random01(uint32_t(lots.size()) * 7u + 3u);
                    const float ahead = lot.z - START.z + 40.0f;
                    if (ahead > 0.0f && std::abs(lot.x - START.x) < ahead * 0.75f + 30.0f)
                        lot.score += 2000.0f;
                    if (road.Project(lot.x, lot.z).distance < 9.0f)
                        continue;
                    lots.push_back(lot);
                }
        }
    std::sort(lots.begin(), lots.end(), [](const Lot& a, const Lot& b) { return a.score < b.score; });
    return lots;
}

struct Corner {
    float x, z, rotationY, score;
};

// Pavement corners of every crossing of two streets, nearest downtown first.
std::vector<Corner> Corners(const TrackRoad& road)
{
    const std::vector<Street>& streets = usa::Streets();
    std::vector<Corner> corners;
    for (const Street& a : streets)
        for (const Street& b : streets) {
            if (!a.alongZ || b.alongZ)
                continue;
            if (a.at < b.from - 1.0f || a.at > b.to + 1.0f || b.at < a.from - 1.0f || b.at > a.to + 1.0f)
                continue;
            const float ox = a.width * 0.5f + (a.raced ? 2.6f : 1.5f);
            const float oz = b.width * 0.5f + (b.raced ? 2.6f : 1.5f);
            for (int k = 0; k < 4; ++k) {
                const float sx = (k & 1) ? 1.0f : -1.0f, sz = (k & 2) ? 1.0f : -1.0f;
                Corner c{a.at + sx * ox, b.at + sz * oz, float(k) * PI * 0.5f - PI * 0.5f, 0.0f};
                if (road.Project(c.x, c.z).distance < ROAD_CLEARANCE + 0.3f || usa::StreetDistance(c.x, c.z) < 0.8f)
                    continue;
                c.score = std::hypot(a.at - DOWNTOWN.x, b.at - DOWNTOWN.z) + 0.01f * float(k);
                corners.push_back(c);
            }
        }
    std::sort(corners.begin(), corners.end(), [](const Corner& a, const Corner& b) { return a.score < b.score; });
    // Duplicate streets give duplicate corners.
    std::vector<Corner> unique;
    for (const Corner& c : corners)
        if (std::none_of(unique.begin(), unique.end(),
                         [&](const Corner& u) { return std::hypot(u.x - c.x, u.z - c.z) < 1.0f; }))
            unique.push_back(c);
    return unique;
}

// A row of six blocks across a side street where it meets the loop.
void AddBlockRow(std::vector<TableRow>& rows, float x, float z, bool alongZ)
{
    for (int k = 0; k < 6; ++k) {
        const float step = 1.9f * (float(k) - 2.5f);
        TableRow row = Row(BLOCK, 19, alongZ ? x : x + step, 0.236f, alongZ ? z + step : z, alongZ ? 1.5708f : 0.0f, 3);
        row.def.mass = 20.0f;
        rows.push_back(row);
    }
}

} // namespace

PlacementTable USAPlacementTable()
{
    const TrackRoad road(usa::LoopPolygon(), {-59.0f, -127.0179f}, {-47.0f, -127.0179f}, 8.0f, 3);
    PlacementTable table;
    std::vector<TableRow> buildings[13];
    buildings[BUILDING].push_back(
        Fixed(Row(BUILDING, 0, 7.147f, 30.0f, 378.866f, 3.1415927f, 5),
              "{0, 0, \"\", {7.147f, 30.0f, 378.866f}, {0.0f, 3.1415927f, 0.0f}, 0.0f, 5, 0, {0.0f, 0.0f, 0.0f}, 0, "
              "0.0f}"));
    TableRow small = Row(BUILDING3, 2, -130.999f, 4.25f, 203.907f, -1.5707964f, 5);
    buildings[BUILDING3].push_back(
        Fixed(small, "{2, 2, \"\", {-130.999f, 4.25f, 203.907f}, {0.0f, -1.5707964f, 0.0f}, 0.0f, 5, 1, {9.4f, 8.0f, "
                     "8.5f}, 0, 0.0f}"));
    buildings[SKYSCRAPER2].push_back(
        Fixed(Row(SKYSCRAPER2, 6, 79.491f, 220.0f, 237.101f, 0.0f, 5),
              "{6, 6, \"\", {79.491f, 220.0f, 237.101f}, {0.0f, 0.0f, 0.0f}, 0.0f, 5, 0, {0.0f, 0.0f, 0.0f}, 0, "
              "0.0f}"));
    const TableRow ramp = Fixed(Row(RAMP, 20, -122.96f, -0.104f, -92.331f, -3.1415927f, 3),
                                "{18, 20, \"\", {-122.96f, -0.104f, -92.331f}, {-0.4014f, -3.1415927f, 0.0f}, 0.0f, "
                                "3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f}");
    // The ramp's square stays open.
    std::vector<Footprint> taken = {{-122.96f, -92.331f, 14.0f, 14.0f}};
    for (const std::vector<TableRow>& kind : buildings)
        for (const TableRow& row : kind)
            taken.push_back(FootprintOf(row));

    std::vector<Lot> lots = Lots(road);
    size_t next = 0;
    uint32_t serial = 0;
    for (const Kind& kind : KINDS) {
        for (int n = 0; n < kind.count; ++n) {
            const Float3 size = ModelSize(kind.model);
            bool placed = false;
            for (; next < lots.size() && !placed; ++next) {
                const Lot& lot = lots[next];
                const bool turned = std::abs(std::sin(lot.facing)) > 0.5f;
                const Footprint print = {lot.x, lot.z, (turned ? size.z : size.x) * 0.5f,
                                         (turned ? size.x : size.z) * 0.5f};
                if (print.halfX * 2.0f > lot.width - 1.0f || print.halfZ * 2.0f > lot.depth - 1.0f ||
                    std::any_of(taken.begin(), taken.end(),
                                [&](const Footprint& t) { return Overlaps(t, print, 2.0f); }))
                    continue;
                // The same tower at several heights: the lower ones stand deeper.
                float y = kind.yHigh;
                if (kind.yLow != kind.yHigh) {
                    const int done = int(buildings[kind.model].size());
                    y = done == 0   ? kind.yHigh
                        : done == 1 ? kind.yLow
                                    : kind.yLow + (kind.yHigh - kind.yLow) * Random01(++serial * 13u);
                }
                TableRow row = Row(kind.model, kind.texture, lot.x, y, lot.z, lot.facing, 5);
                if (kind.model == BUILDING3) {
                    row.def.hasBoxSize = 1;
                    row.def.boxSize = {9.4f, 8.0f, 8.5f};
                }
                buildings[kind.model].push_back(row);
                taken.push_back(print);
                placed = true;
            }
            if (!placed)
                table.problems.push_back("no lot left for model " + std::to_string(kind.model));
        }
    }
    for (const std::vector<TableRow>& kind : buildings)
        table.statics.insert(table.statics.end(), kind.begin(), kind.end());

    // Corners: two-sided lights nearest downtown, then one-sided, then signs.
    std::vector<Corner> corners = Corners(road);
    const Footprint tellingSign = {120.655f, -67.852f, 1.0f, 1.0f}, tellingLight = {27.35f, -67.121f, 1.0f, 1.0f};
    std::vector<TableRow> signs = {Fixed(Row(SIGN, 11, 120.655f, 1.05f, -67.852f, 1.5707964f, 1),
                                         "{13, 11, \"\", {120.655f, 1.05f, -67.852f}, {0.0f, 1.5707964f, 0.0f}, 0.0f, "
                                         "1, 1, {0.04f, 2.1f, 0.04f}, 0, 0.0f}")};
    std::vector<TableRow> oneSided, twoSided = {Fixed(Row(LIGHT_TWO, 13, 27.35f, 1.75f, -67.121f, 1.5707964f, 1),
                                                      "{15, 13, \"\", {27.35f, 1.75f, -67.121f}, {0.0f, 1.5707964f, "
                                                      "0.0f}, 0.0f, 1, 1, {0.12f, 3.5f, 0.12f}, 0, 0.0f}")};
    int leftSigns = 1;
    for (const Corner& c : corners) {
        const Footprint here = {c.x, c.z, 0.5f, 0.5f};
        if (Overlaps(here, tellingSign, 12.0f) || Overlaps(here, tellingLight, 12.0f))
            continue;
        TableRow row;
        if (twoSided.size() < 8)
            row = Row(LIGHT_TWO, 13, c.x, 1.75f, c.z, c.rotationY, 1);
        else if (oneSided.size() < 12)
            row = Row(LIGHT_ONE, 13, c.x, 1.75f, c.z, c.rotationY, 1);
        else if (signs.size() < 13) {
            const bool left = leftSigns < 8 && (signs.size() % 2 == 1 || 13 - signs.size() <= size_t(8 - leftSigns));
            leftSigns += left ? 1 : 0;
            row = Row(SIGN, left ? 11 : 12, c.x, 1.05f, c.z, c.rotationY, 1);
        } else
            break;
        row.def.hasBoxSize = 1;
        row.def.boxSize =
            row.def.modelIndex == SIGN ? backend::Vector3{0.04f, 2.1f, 0.04f} : backend::Vector3{0.12f, 3.5f, 0.12f};
        (row.def.modelIndex == SIGN ? signs : row.def.modelIndex == LIGHT_ONE ? oneSided : twoSided).push_back(row);
    }
    for (std::vector<TableRow>* rows : {&signs, &oneSided, &twoSided})
        table.statics.insert(table.statics.end(), rows->begin(), rows->end());

    // Cars at the kerbs of the side streets, away from crossings and the loop.
    std::vector<TableRow> spots;
    const std::vector<Street>& streets = usa::Streets();
    for (const Street& s : streets) {
        if (s.raced)
            continue;
        for (float along = s.from + 3.0f; along <= s.to - 3.0f; along += 7.0f)
            for (float side : {1.0f, -1.0f}) {
                const float offset = s.at + side * (s.width * 0.5f - 0.4f);
                const float x = s.alongZ ? offset : along, z = s.alongZ ? along : offset;
                bool nearCrossing = false;
                for (const Street& t : streets)
                    if (t.alongZ != s.alongZ && std::abs(t.at - along) < 12.0f && s.at >= t.from - 6.0f &&
                        s.at <= t.to + 6.0f)
                        nearCrossing = true;
                if (nearCrossing || road.Project(x, z).distance < ROAD_CLEARANCE + 3.0f ||
                    std::hypot(x - 86.0038f, z + 56.3902f) < 8.0f || std::abs(x) > 195.0f || std::abs(z) > 430.0f)
                    continue;
                const float rotation = s.alongZ ? (side > 0.0f ? 0.0f : PI) : (side > 0.0f ? -1.5708f : 1.5708f);
                spots.push_back(Row(CAR, 14, x, 0.677f, z, rotation, 1));
            }
    }
    std::vector<TableRow> cars = {Fixed(Row(CAR, 16, 86.0038f, 0.677f, -56.3902f, -1.5708f, 1),
                                        "{16, 16, \"\", {86.0038f, 0.677f, -56.3902f}, {0.0f, -1.5708f, 0.0f}, 0.0f, "
                                        "1, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f}")};
    for (size_t k = 0; k < 64 && !spots.empty(); ++k)
        cars.push_back(spots[(k * spots.size()) / 64]);
    if (spots.size() < 64)
        table.problems.push_back("too few parking spots");
    // Colours: red 15, blue 14, yellow 10, white 13, silver 13, shuffled.
    std::vector<uint32_t> colours;
    const int counts[5] = {15, 14, 9, 13, 13}; // one yellow is the fixed car
    for (int c = 0; c < 5; ++c)
        colours.insert(colours.end(), size_t(counts[c]), 14u + uint32_t(c));
    for (size_t k = colours.size(); k > 1; --k)
        std::swap(colours[k - 1], colours[Hash(uint32_t(k) + 77u) % k]);
    for (size_t k = 1; k < cars.size(); ++k)
        cars[k].def.textureIndex = colours[k - 1];
    table.statics.insert(table.statics.end(), cars.begin(), cars.end());
    table.statics.push_back(ramp);

    // Blocks: one row across each side street's mouth on the loop, then four along its kerbs.
    std::vector<TableRow> rows;
    for (const Street& side : streets) {
        if (side.raced)
            continue;
        for (const Street& loop : streets) {
            if (!loop.raced || loop.alongZ == side.alongZ)
                continue;
            if (side.at < loop.from - 1.0f || side.at > loop.to + 1.0f || loop.at < side.from - 6.0f ||
                loop.at > side.to + 6.0f)
                continue;
            for (float dir : {1.0f, -1.0f}) {
                if ((dir > 0.0f && side.to <= loop.at + 1.0f) || (dir < 0.0f && side.from >= loop.at - 1.0f))
                    continue;
                const float across = loop.at + dir * 8.5f;
                if (side.alongZ)
                    AddBlockRow(rows, side.at, across, false);
                else
                    AddBlockRow(rows, across, side.at, true);
            }
        }
    }
    for (const Point2D& kerb :
         {Point2D{-84.0f, 307.5f}, Point2D{65.0f, 292.5f}, Point2D{-18.0f, -242.5f}, Point2D{65.0f, -257.5f}})
        AddBlockRow(rows, kerb.x, kerb.z, false);
    // The row that closes the street north of the first corner starts where the table says.
    for (TableRow& row : rows)
        if (row.def.rotation.y == 0.0f && std::abs(row.def.position.z + 52.5f) < 0.1f &&
            std::abs(row.def.position.x + 53.0f) < 6.0f)
            row.def.position = {row.def.position.x + 1.8632f, 0.236f, -52.547f};
    for (TableRow& row : rows)
        if (std::abs(row.def.position.x + 55.8868f) < 1e-3f && std::abs(row.def.position.z + 52.547f) < 1e-3f)
            row.text = "{17, 19, \"\", {-55.8868f, 0.236f, -52.547f}, {0.0f, 0.0f, 0.0f}, 20.0f, 3, 0, {0.0f, 0.0f, "
                       "0.0f}, 0, 0.0f}";
    table.dynamics = rows;
    for (const char* pole : {"{19, 21, \"\", {-59.0f, 0.25f, -127.0179f}, {0.0f, 0.0f, 0.0f}, 2.0f, 3, 0, {0.0f, "
                             "0.0f, 0.0f}, 0, 0.0f}",
                             "{19, 21, \"\", {-47.0f, 0.25f, -127.0179f}, {0.0f, 0.0f, 0.0f}, 2.0f, 3, 0, {0.0f, "
                             "0.0f, 0.0f}, 0, 0.0f}"}) {
        TableRow row;
        row.text = pole;
        table.dynamics.push_back(row);
    }
    return table;
}

} // namespace datagen
