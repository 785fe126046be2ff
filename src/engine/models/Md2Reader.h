#pragma once
// Reads the bytes of an .md2 file into per-frame vertex lists with smooth
// normals and boxes; no device objects are made.

#include "engine/models/Md2Frame.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Limits of the format.
constexpr int32_t MD2_MAX_SKINS = 32;
constexpr int32_t MD2_MAX_TEXCOORDS = 2048;
constexpr int32_t MD2_MAX_VERTICES = 2048;
constexpr int32_t MD2_MAX_TRIANGLES = 4096;
constexpr int32_t MD2_MAX_FRAMES = 512;
constexpr int32_t MD2_FRAME_HEADER_SIZE = 40;

// Fills the first frameCount entries of `frames` (which must hold
// MD2_MAX_FRAMES) and the counts; false for a file that breaks the format.
bool ReadMd2(const uint8_t* data, size_t size, std::vector<Md2Frame>& frames, int32_t& frameCount,
             int32_t& triangleCount);
