// A damaged file of each kind a race loads (and the front end's font and
// sounds): the box text stays the game's, and stderr names the file and says
// why, since a track loads many files of each kind.

#include "engine/scene/SceneTestFixture.h"

#include "audio/OggVorbisReader.h"
#include "audio/WaveFileReader.h"
#include "datagen/writers/FileWriter.h"
#include "engine/models/FrameAnimation.h"
#include "engine/models/Md2Model.h"
#include "engine/models/QvxModel.h"
#include "engine/models/XModel.h"
#include "engine/platform/BitmapFont.h"
#include "engine/platform/Log.h"
#include "engine/platform/RawData.h"
#include "engine/platform/Texture.h"
#include "engine/scene/CubeEnvironmentMap.h"
#include "tracks/TrackData.h"

#include <string>
#include <vector>

namespace {

struct RefusedFile {
    const char* name;
    std::string bytes;
    bool (*load)(const char* path);
    const char* box;
    std::string reason;
};

template <class Reader> bool OpenWith(const char* path)
{
    Reader reader;
    return reader.Open(path);
}

const RefusedFile REFUSED_FILES[] = {
    {"Grass.dds", "DDS garbage", [](const char* path) { return Texture().Load(path); }, "Error loading a texture!",
     "DDS header truncated"},
    {"EnvMap.dds", "DDS garbage", [](const char* path) { return CubeEnvironmentMap().Load(path); },
     "Error loading a cubic environment map!", "DDS header truncated"},
    {"HeightMap.raw", std::string(10, '\x40'), [](const char* path) { return RawData().Load(path, 8, 8, 41); },
     "Error reading RAW file: Bad data!", "shorter than its 8 x 8 grid"},
    {"TrackData.tda", std::string("TDX\0", 4), [](const char* path) { return TrackData().Load(path); },
     "Error loading track data", "not a track data file"},
    {"Rock1.qvx", "QVX", [](const char* path) { return QvxModel().Load(path, nullptr, nullptr); },
     "Error loading QVX file: File corrupted!", "not a QVX file"},
    {"Cottage.x", "xof 0303bin 0032", [](const char* path) { return XModel().Load(path, "", true); },
     "Error loading X file!", "only text .x files can be read"},
    {"Rider.md2", "IDP2", [](const char* path) { return Md2Model().Load(path, nullptr); }, "Error loading MD2 file!",
     "not an MD2 model the game can use"},
    {"Rider.anm", "QVXFRAMEANIMATIOX", [](const char* path) { return FrameAnimation().Load(path); },
     "Error loading animation data: File corrupted!", "not an animation table"},
    {"Font.dat", std::string(100, '\0'),
     [](const char* path) {
         BitmapFont font;
         const bool loaded = font.Load("Graphics\\Textures\\Font.dds", path, 32, 32, 512, false);
         font.Release();
         return loaded;
     },
     "Error reading bitmap font DAT file!", "shorter than its table of 1024 bytes"},
    {"Rain.wav", std::string("RIFF\4\0\0\0WAVX", 12), OpenWith<WaveFileReader>,
     "Error reading wave file MMIO: file type mismatch!", "not a RIFF WAVE file"},
    {"Menu.ogg", "OggS but no more", OpenWith<OggVorbisReader>, "Error opening an ogg vorbis file: ov_open failed!",
     "no Ogg Vorbis stream in it (vorbisfile error -132)"},
};

class RefusedFileTest : public SceneTest, public ::testing::WithParamInterface<RefusedFile> {};

} // namespace

TEST_P(RefusedFileTest, KeepsItsBoxTextAndNamesTheFileAndWhyOnStderr)
{
    ASSERT_TRUE(OpenScene());
    const RefusedFile& file = GetParam();
    const std::string path = TempPath(file.name);
    ASSERT_TRUE(datagen::WriteFileBytes(path, std::vector<uint8_t>(file.bytes.begin(), file.bytes.end())));
    g_LastError.clear();
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(file.load(path.c_str()));
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(g_LastError, file.box);
    const std::string line = "Vantrel: " + std::string(file.box) + " (" + path + ": ";
    EXPECT_EQ(said.rfind(line, 0), 0u) << said;
    EXPECT_NE(said.find(file.reason, line.size()), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
}

INSTANTIATE_TEST_SUITE_P(EachKind, RefusedFileTest, ::testing::ValuesIn(REFUSED_FILES),
                         [](const ::testing::TestParamInfo<RefusedFile>& info) {
                             std::string name = info.param.name;
                             name[name.find('.')] = '_';
                             return name;
                         });
