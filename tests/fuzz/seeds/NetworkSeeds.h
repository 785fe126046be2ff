#pragma once
// Seeds of the network fuzz targets: the session's packets, the game's
// messages and the message handler's event records.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Writes one seed file: target, file name, bytes.
using SeedWriter = std::function<void(const std::string&, const std::string&, const std::vector<uint8_t>&)>;

void NetworkSeeds(const SeedWriter& seed);
