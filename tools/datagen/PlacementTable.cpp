#include "datagen/PlacementTable.h"

#include <cmath>
#include <cstdio>

namespace datagen {

namespace {

std::string Number(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", double(value));
    std::string s = text;
    while (s.size() > 1 && s.back() == '0' && s[s.size() - 2] != '.')
        s.pop_back();
    if (s == "-0.0")
        s = "0.0";
    return s + "f";
}

std::string Vector(const backend::Vector3& v)
{
    return "{" + Number(v.x) + ", " + Number(v.y) + ", " + Number(v.z) + "}";
}

std::string Format(const TableRow& row)
{
    if (!row.text.empty())
        return row.text;
    const PlacementDef& d = row.def;
    return "{" + std::to_string(d.modelIndex) + ", " + std::to_string(d.textureIndex) + ", \"\", " +
           Vector(d.position) + ", " + Vector(d.rotation) + ", " + Number(d.mass) + ", " +
           std::to_string(d.materialIndex) + ", " + std::to_string(d.hasBoxSize) + ", " + Vector(d.boxSize) + ", " +
           std::to_string(d.snapToGround) + ", " + Number(d.heightAboveGround) + "}";
}

} // namespace

std::string FormatPlacementTable(const PlacementTable& table, const std::string& origin)
{
    std::string out = "// " + origin + "\n// clang-format off\n";
    auto list = [&](const char* name, const std::vector<TableRow>& rows) {
        out += std::string("constexpr PlacementDef ") + name + "[] = {\n";
        for (const TableRow& row : rows)
            out += "    " + Format(row) + ",\n";
        out += "};\n";
    };
    list("STATIC_PLACEMENTS", table.statics);
    list("DYNAMIC_PLACEMENTS", table.dynamics);
    out += "// clang-format on\n";
    return out;
}

} // namespace datagen
