#pragma once
// X window dumps as written by `xwd` (ZPixmap, 24 or 32 bits per pixel, either
// byte order), decoded to an opaque picture. Xvfb's root window comes out
// packed at 3 bytes per pixel, a window of its own at 4.

#include "datagen/writers/RgbaImage.h"

#include <cstdint>
#include <vector>

// False, leaving the image alone, for any dump it cannot read.
bool DecodeScreenDump(const std::vector<uint8_t>& bytes, datagen::RgbaImage& image);
