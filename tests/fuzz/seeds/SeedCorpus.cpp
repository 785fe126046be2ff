// Writes a seed corpus for every fuzz target, made by the data generator's
// writers: seed_corpus <folder> gives <folder>/<target>/<file> for each
// target, so that fuzzing starts from valid files of every format it reads,
// also those the sample data set does not hold (MD2, frame animations, PNG,
// JPEG), and the network's packets, messages and handler events.

#include "ImageSeeds.h"
#include "NetworkSeeds.h"

#include "datagen/writers/FileWriter.h"
#include "datagen/writers/FrameAnimationWriter.h"
#include "datagen/writers/Md2Writer.h"
#include "datagen/writers/OggWriter.h"
#include "datagen/writers/QvxWriter.h"
#include "datagen/writers/RecordsWriter.h"
#include "datagen/writers/SoundSynth.h"
#include "datagen/writers/WavWriter.h"
#include "datagen/writers/XFileWriter.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace datagen;

namespace {

using Bytes = std::vector<uint8_t>;

std::string g_Root;
int g_Failures = 0;

void Seed(const std::string& target, const std::string& name, const Bytes& bytes)
{
    if (bytes.empty() || !WriteFileBytes(g_Root + "/" + target + "/" + name, bytes))
        ++g_Failures;
}

Bytes Ogg(const std::vector<float>& samples, int channels, long rate, int serial = 0x5A17)
{
    Bytes bytes;
    if (!EncodeOggVorbis(samples, channels, rate, bytes, 0.1f, serial))
        bytes.clear();
    return bytes;
}

void SoundSeeds()
{
    const std::string target = "fuzz_wav_reader";
    WavSpec mono8;
    mono8.bitsPerSample = 8;
    Seed(target, "mono8.wav", MakeWavBytes(mono8, ToPcm(SynthTone(440, 0.01f, 22050, 0.5f), 8)));
    WavSpec stereo;
    stereo.channels = 2;
    stereo.listChunkBeforeData = true;
    stereo.oddChunkBeforeData = true;
    const std::vector<float> left = SynthTone(300, 0.01f, 22050, 0.5f);
    Seed(target, "stereo16.wav", MakeWavBytes(stereo, ToPcm(Interleave(left, left), 16)));

    // Several pages, so that seeks have pages to look for.
    Seed(target, "mono.ogg", Ogg(SynthSweep(200, 800, 1.5f, 11025, 0.5f), 1, 11025));
    const std::vector<float> shortTone = SynthTone(500, 0.2f, 8000, 0.5f);
    Seed(target, "stereo.ogg", Ogg(Interleave(shortTone, SynthNoise(0.2f, 8000, 0.3f, 7)), 2, 8000));
    Bytes chain = Ogg(shortTone, 1, 8000, 1);
    const Bytes second = Ogg(SynthTone(900, 0.2f, 8000, 0.5f), 1, 8000, 2);
    chain.insert(chain.end(), second.begin(), second.end());
    Seed(target, "chained.ogg", chain);
}

void ImageSeeds()
{
    for (const auto& [name, bytes] : ImageSeedFiles())
        Seed("fuzz_image_reader", name, bytes);
}

void ModelSeeds()
{
    // Md2: a tetrahedron in two frames.
    Md2Model md2;
    md2.skins = {"models/skin.pcx"};
    md2.texCoords = {{0, 0}, {64, 0}, {0, 32}, {64, 32}};
    const uint16_t corners[4][3] = {{0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {2, 3, 0}};
    for (const auto& corner : corners) {
        Md2Triangle triangle;
        for (int i = 0; i < 3; ++i)
            triangle.vertex[i] = triangle.texCoord[i] = corner[i];
        md2.triangles.push_back(triangle);
    }
    md2.frames = {QuantizeMd2Frame("stand01", {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 2}}),
                  QuantizeMd2Frame("stand02", {{0, 0, 0}, {3, 0, 0}, {0, 2, 0}, {0, 0, 1}})};
    Seed("fuzz_md2_reader", "tetrahedron.md2", EncodeMd2(md2));

    // QVX: a textured quad in two frames of two meshes.
    QvxMesh quad;
    quad.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    quad.faces = {{0, 1, 2}, {0, 2, 3}};
    quad.texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    quad.texFaces = quad.faces;
    QvxMesh triangle = quad;
    triangle.positions.resize(3);
    triangle.texCoords.resize(3);
    triangle.faces.resize(1);
    triangle.texFaces.resize(1);
    Seed("fuzz_qvx_reader", "quads.qvx", EncodeQvx({QvxFrame{{quad, triangle}}, QvxFrame{{quad, triangle}}}));

    // Frame animation: forwards, backwards and a repeated name.
    Seed("fuzz_frame_animation_reader", "walk.ani",
         EncodeFrameAnimation({{"walk", 0, 9, 0.5f}, {"back", 9, 0, 1.0f}, {"walk", 3, 4, 2.0f}}));

    // .x: a top-level material with a texture, a framed mesh that refers to
    // it and has one of its own. The fuzz target writes the 16-byte header
    // itself.
    XMaterial shared;
    shared.name = "Paint";
    shared.faceColor[0] = 0.5f;
    shared.textureFile = "paint.dds";
    XMaterial reference;
    reference.name = "Paint";
    reference.reference = true;
    XMaterial local;
    local.power = 8.0f;
    local.specular[1] = 1.0f;
    XMesh mesh;
    mesh.name = "Box";
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}};
    mesh.faces = {{0, 1, 2, 3}, {0, 4, 1}, {1, 4, 2}};
    mesh.normals = {{0, 0, -1}, {0, 1, 0}};
    mesh.normalFaces = {{0, 0, 0, 0}, {1, 1, 1}, {1, 1, 1}};
    mesh.texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.5f, 0.5f}};
    mesh.faceMaterials = {0, 1, 1};
    mesh.materials = {reference, local};
    XModel model;
    model.materials = {shared};
    XFrame frame;
    frame.name = "Root";
    frame.hasTransform = true;
    frame.transform[12] = 2.0f;
    frame.meshes = {mesh};
    model.frames = {frame};
    XFileOptions options;
    options.withTemplates = true;
    options.withComments = true;
    options.withUnknownObject = true;
    for (const XFileOptions& written : {XFileOptions(), options}) {
        const std::string text = EncodeXFile(model, written);
        const size_t header = written.header.size();
        Seed("fuzz_xfile_reader", written.withTemplates ? "templates.x" : "plain.x",
             Bytes(text.begin() + std::min(header, text.size()), text.end()));
    }
}

void RecordSeeds()
{
    Seed("fuzz_records_reader", "full.bt",
         EncodeRecords({{"Ann", 61234}, {"Bob", 70000}, {"", 80000}, {"Nineteen characters", 4294967295u}}));
    Seed("fuzz_records_reader", "crlf.bt", EncipherRecordsText("Ann\t61234\r\n\nBob\t7\n"));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: seed_corpus <folder>\n");
        return 2;
    }
    g_Root = argv[1];
    SoundSeeds();
    ImageSeeds();
    ModelSeeds();
    RecordSeeds();
    NetworkSeeds(Seed);
    if (g_Failures != 0)
        std::fprintf(stderr, "seed_corpus: %d seeds could not be written\n", g_Failures);
    return g_Failures == 0 ? 0 : 1;
}
