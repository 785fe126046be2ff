#include "datagen/writers/Md2Writer.h"

#include "datagen/writers/ByteWriter.h"
#include "datagen/writers/FileWriter.h"

#include <algorithm>
#include <cmath>

namespace datagen {

namespace {

constexpr int32_t MD2_IDENT = 0x32504449; // "IDP2"
constexpr int32_t MD2_VERSION = 8;
constexpr int32_t HEADER_SIZE = 68;
constexpr int32_t SKIN_NAME_SIZE = 64;
constexpr int32_t FRAME_HEADER_SIZE = 40;

} // namespace

Md2Frame QuantizeMd2Frame(const std::string& name, const std::vector<Float3>& positions)
{
    Md2Frame frame;
    frame.name = name;
    if (positions.empty())
        return frame;
    float low[3] = {positions[0].x, positions[0].y, positions[0].z};
    float high[3] = {low[0], low[1], low[2]};
    for (const Float3& p : positions) {
        const float c[3] = {p.x, p.y, p.z};
        for (int i = 0; i < 3; ++i) {
            low[i] = std::min(low[i], c[i]);
            high[i] = std::max(high[i], c[i]);
        }
    }
    for (int i = 0; i < 3; ++i) {
        frame.translate[i] = low[i];
        frame.scale[i] = high[i] > low[i] ? (high[i] - low[i]) / 255.0f : 1.0f;
    }
    for (const Float3& p : positions) {
        const float c[3] = {p.x, p.y, p.z};
        std::array<uint8_t, 4> v{};
        for (int i = 0; i < 3; ++i)
            v[i] = static_cast<uint8_t>(std::clamp(std::lround((c[i] - low[i]) / frame.scale[i]), 0L, 255L));
        frame.vertices.push_back(v);
    }
    return frame;
}

std::vector<uint8_t> EncodeMd2(const Md2Model& model, const Md2Faults& faults)
{
    const int32_t numVertices = model.frames.empty() ? 0 : static_cast<int32_t>(model.frames[0].vertices.size());
    const int32_t frameSize = FRAME_HEADER_SIZE + 4 * numVertices;
    const auto numSkins = static_cast<int32_t>(model.skins.size());
    const auto numTexCoords = static_cast<int32_t>(model.texCoords.size());
    const auto numTriangles = static_cast<int32_t>(model.triangles.size());
    const auto numFrames = static_cast<int32_t>(model.frames.size());

    const int32_t ofsSkins = HEADER_SIZE;
    const int32_t ofsTexCoords = ofsSkins + SKIN_NAME_SIZE * numSkins;
    const int32_t ofsTriangles = ofsTexCoords + 4 * numTexCoords;
    const int32_t ofsFrames = ofsTriangles + 12 * numTriangles;
    const int32_t ofsGlCommands = ofsFrames + frameSize * numFrames;

    ByteWriter out;
    out.I32(faults.badIdent ? 0x32504449 + 1 : MD2_IDENT);
    out.I32(faults.version.value_or(MD2_VERSION));
    out.I32(model.skinWidth);
    out.I32(model.skinHeight);
    out.I32(faults.frameSize.value_or(frameSize));
    out.I32(faults.numSkins.value_or(numSkins));
    out.I32(faults.numVertices.value_or(numVertices));
    out.I32(faults.numTexCoords.value_or(numTexCoords));
    out.I32(faults.numTriangles.value_or(numTriangles));
    out.I32(0); // no GL commands
    out.I32(faults.numFrames.value_or(numFrames));
    out.I32(ofsSkins);
    out.I32(ofsTexCoords);
    out.I32(ofsTriangles);
    out.I32(ofsFrames);
    out.I32(ofsGlCommands);
    out.I32(ofsGlCommands); // end

    for (const std::string& skin : model.skins)
        out.FixedText(skin, SKIN_NAME_SIZE);
    for (const auto& st : model.texCoords) {
        out.I16(st[0]);
        out.I16(st[1]);
    }
    for (const Md2Triangle& t : model.triangles) {
        for (uint16_t v : t.vertex)
            out.U16(v);
        for (uint16_t st : t.texCoord)
            out.U16(st);
    }
    for (const Md2Frame& frame : model.frames) {
        for (float s : frame.scale)
            out.F32(s);
        for (float t : frame.translate)
            out.F32(t);
        out.FixedText(frame.name.substr(0, 15), 16);
        for (int32_t i = 0; i < numVertices; ++i) {
            const auto v =
                i < static_cast<int32_t>(frame.vertices.size()) ? frame.vertices[size_t(i)] : std::array<uint8_t, 4>{};
            out.Raw(v.data(), 4);
        }
    }
    out.TruncateTo(faults.truncateTo);
    return out.bytes;
}

bool WriteMd2(const std::string& path, const Md2Model& model)
{
    return WriteFileBytes(path, EncodeMd2(model));
}

} // namespace datagen
