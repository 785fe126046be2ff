#pragma once
// Placement tables designed by the generator and kept as source: the game's
// track headers include the printed table, the landscapes read it back.

#include "tracks/TrackDefs.h"

#include <string>
#include <vector>

namespace datagen {

struct TableRow {
    PlacementDef def;
    std::string text; // a row to print as written; empty prints `def`
};

struct PlacementTable {
    std::vector<TableRow> statics, dynamics;
    std::vector<std::string> problems; // the design could not be completed
};

PlacementTable USAPlacementTable();
PlacementTable GermanyPlacementTable();

// The two tables as C++ source for a track's Defs header.
std::string FormatPlacementTable(const PlacementTable& table, const std::string& origin);

} // namespace datagen
