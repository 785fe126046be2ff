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
void WriteCambodiaLandscape(DataFolder& folder);
void WriteTanzaniaLandscape(DataFolder& folder);
void WriteFinland2Landscape(DataFolder& folder);
// Track skies, terrain textures, sprites and models.
void WriteFinlandSky(DataFolder& folder);
void WriteFinlandScenery(DataFolder& folder);
void WriteFinlandModels(DataFolder& folder);
void WriteUKSky(DataFolder& folder);
void WriteUKScenery(DataFolder& folder);
void WriteCambodiaSky(DataFolder& folder);
void WriteCambodiaScenery(DataFolder& folder);
void WriteCambodiaModels(DataFolder& folder);
void WriteGermanyLandscape(DataFolder& folder);
void WriteGermanySky(DataFolder& folder);
void WriteGermanyScenery(DataFolder& folder);
void WriteGermanyModels(DataFolder& folder);
void WriteTanzaniaSky(DataFolder& folder);
void WriteTanzaniaScenery(DataFolder& folder);
void WriteFinland2Sky(DataFolder& folder);
void WriteFinland2Scenery(DataFolder& folder);
void WriteFinland2Models(DataFolder& folder);

void WriteMexicoLandscape(DataFolder& folder);
void WriteMexicoSky(DataFolder& folder);
void WriteMexicoScenery(DataFolder& folder);
void WriteEgyptLandscape(DataFolder& folder);
void WriteEgyptSky(DataFolder& folder);
void WriteEgyptScenery(DataFolder& folder);
void WriteHawaiiLandscape(DataFolder& folder);
void WriteHawaiiSky(DataFolder& folder);
void WriteHawaiiScenery(DataFolder& folder);
void WriteUSALandscape(DataFolder& folder);
void WriteUSASky(DataFolder& folder);
void WriteUSAScenery(DataFolder& folder);
void WriteUSAModels(DataFolder& folder);

// Encodes a picture as DDS and writes it; a failure is noted in the folder.
void WriteTexture(DataFolder& folder, const std::string& gamePath, const RgbaImage& image, DdsFormat format,
                  bool withMips);

// Every listed file, written by `threads` workers (1 or more); with onlyMissing,
// every file that is there is kept. Returns the problems found: failed writes
// and any difference between the written set and the list. Empty means success.
std::vector<std::string> GenerateSampleData(const std::string& root, int threads = 2, bool onlyMissing = false);

// The listed files with nothing at their names in the folder.
std::vector<std::string> MissingSampleData(const std::string& root);

} // namespace datagen
