#include "backend/gpu/ImageData.h"
#include "backend/gpu/ImageTestData.h"
#include "datagen/writers/DdsWriter.h"

#include <gtest/gtest.h>

using namespace backend;
using namespace imagetest;
using datagen::DdsFormat;
using datagen::RgbaImage;

namespace {

std::vector<uint8_t> GoodFile(DdsFormat format = DdsFormat::A8R8G8B8, bool mips = true)
{
    return datagen::EncodeDds(Gradient(16, 16), format, mips);
}

} // namespace

TEST(DdsBrokenFile, TruncatedHeaderOrDataIsRefused)
{
    std::vector<uint8_t> file = GoodFile();
    for (size_t size : {size_t(4), size_t(5), size_t(127)}) {
        ExpectRefused(std::vector<uint8_t>(file.begin(), file.begin() + size), "header truncated");
    }
    ExpectRefused(std::vector<uint8_t>(file.begin(), file.begin() + 128), "data truncated");
    ExpectRefused(std::vector<uint8_t>(file.begin(), file.end() - 1), "data truncated");
    std::vector<uint8_t> dxt = GoodFile(DdsFormat::DXT1);
    ExpectRefused(std::vector<uint8_t>(dxt.begin(), dxt.end() - 8), "data truncated");
    // Extra bytes after the data are harmless.
    file.push_back(0);
    ImageData image = ReadGood(file);
}

TEST(DdsBrokenFile, GarbageAndWrongMagicAreRefused)
{
    ExpectRefused({}, "empty");
    ExpectRefused({'D', 'D', 'S'}, "unknown image format");
    std::vector<uint8_t> garbage(300);
    for (size_t i = 0; i < garbage.size(); ++i) {
        garbage[i] = uint8_t(i * 131 + 7);
    }
    ExpectRefused(garbage, "unknown image format");
    std::vector<uint8_t> file = GoodFile();
    file[3] = 'X';
    ExpectRefused(file, "unknown image format");
    file = GoodFile();
    Poke32(file, 4, 100); // header size
    ExpectRefused(file, "header size");
    file = GoodFile();
    Poke32(file, 76, 24); // pixel format size
    ExpectRefused(file, "pixel format size");
}

TEST(DdsBrokenFile, ZeroAndHugeSizesAreRefused)
{
    for (uint32_t w : {0u, IMAGE_MAX_DIMENSION + 1, 0xFFFFFFFFu}) {
        std::vector<uint8_t> file = GoodFile();
        Poke32(file, DDS_WIDTH, w);
        ExpectRefused(file, "out of range");
        file = GoodFile();
        Poke32(file, DDS_HEIGHT, w);
        ExpectRefused(file, "out of range");
    }
    // The largest allowed size still needs its data in the file.
    std::vector<uint8_t> file = GoodFile(DdsFormat::DXT5, false);
    Poke32(file, DDS_WIDTH, IMAGE_MAX_DIMENSION);
    Poke32(file, DDS_HEIGHT, IMAGE_MAX_DIMENSION);
    ExpectRefused(file, "data truncated");
}

TEST(DdsBrokenFile, MipCountBeyondTheChainIsRefused)
{
    std::vector<uint8_t> file = GoodFile();
    Poke32(file, DDS_MIPCOUNT, 6); // 16x16 has five levels
    ExpectRefused(file, "mip count");
    Poke32(file, DDS_MIPCOUNT, 0xFFFFFFFF);
    ExpectRefused(file, "mip count");
    // A count of zero means one level.
    Poke32(file, DDS_MIPCOUNT, 0);
    ImageData image = ReadGood(file);
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(image.levels, 1u);
}

TEST(DdsBrokenFile, CubeMapsNeedAllSixSquareFaces)
{
    RgbaImage faces[6];
    for (RgbaImage& f : faces) {
        f = RgbaImage(8, 8, 0xFF808080);
    }
    std::vector<uint8_t> cube = datagen::EncodeCubeDds(faces, DdsFormat::DXT1, true);
    std::vector<uint8_t> file = cube;
    Poke32(file, DDS_CAPS2, 0x200 | 0x400 | 0x800 | 0x1000 | 0x2000 | 0x4000); // no -z face
    ExpectRefused(file, "six faces");
    file = cube;
    Poke32(file, DDS_HEIGHT, 4);
    ExpectRefused(file, "not square");
    // Six faces claimed, five stored.
    ExpectRefused(std::vector<uint8_t>(cube.begin(), cube.begin() + 128 + (cube.size() - 128) * 5 / 6),
                  "data truncated");
}

TEST(DdsBrokenFile, UnsupportedPixelFormatsAreNamed)
{
    std::vector<uint8_t> file = GoodFile(DdsFormat::DXT1);
    Poke32(file, DDS_PF_FOURCC, 0x30315844); // "DX10"
    ExpectRefused(file, "\"DX10\"");
    Poke32(file, DDS_PF_FOURCC, 0x00000071); // a float format by number
    ExpectRefused(file, "unsupported DDS compression");

    file = GoodFile();
    Poke32(file, DDS_PF_FLAGS, 0x20); // palette
    ExpectRefused(file, "palettised");
    Poke32(file, DDS_PF_FLAGS, 0x80000); // bump map
    ExpectRefused(file, "unsupported DDS pixel format");
    Poke32(file, DDS_PF_FLAGS, 0x40);
    Poke32(file, DDS_PF_BITS, 12);
    ExpectRefused(file, "bit count");
    Poke32(file, DDS_PF_BITS, 16);
    ExpectRefused(file, "masks"); // 32-bit masks in 16-bit texels
    Poke32(file, DDS_PF_RMASK, 0);
    Poke32(file, DDS_PF_GMASK, 0);
    Poke32(file, DDS_PF_BMASK, 0);
    ExpectRefused(file, "masks"); // no channel at all

    file = GoodFile();
    Poke32(file, DDS_CAPS2, 0x200000); // volume
    ExpectRefused(file, "volume");
}
