#pragma once
// Writes the whole sample data set into a folder.

#include "datagen/DataFolder.h"
#include "datagen/writers/DdsWriter.h"
#include "datagen/writers/RgbaImage.h"

#include <string>
#include <vector>

namespace datagen {

constexpr const char* REGULAR_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* BOLD_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr uint32_t SAMPLE_RATE = 22050;

// The groups of files; each writes its part of the list into the folder.
void WriteFrontEndData(DataFolder& folder);
void WriteTrackPictures(DataFolder& folder);
void WriteRaceData(DataFolder& folder);
void WriteModelData(DataFolder& folder);
void WriteSoundData(DataFolder& folder);
void WriteMusicData(DataFolder& folder);
void WriteFinlandLandscape(DataFolder& folder);
void WriteUKLandscape(DataFolder& folder);
// Track skies, terrain textures, sprites and models.
void WriteFinlandSky(DataFolder& folder);
void WriteFinlandScenery(DataFolder& folder);
void WriteFinlandModels(DataFolder& folder);
void WriteUKSky(DataFolder& folder);
void WriteUKScenery(DataFolder& folder);

// Encodes a picture as DDS and writes it; a failure is noted in the folder.
void WriteTexture(DataFolder& folder, const std::string& gamePath, const RgbaImage& image, DdsFormat format,
                  bool withMips);

// Every listed file, written by `threads` workers (1 or more). Returns the
// problems found: failed writes and any difference between the written set and
// the list. Empty means success.
std::vector<std::string> GenerateSampleData(const std::string& root, int threads = 2);

} // namespace datagen
