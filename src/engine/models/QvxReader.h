#pragma once
// Reads the bytes of a QVX file into frames of welded meshes with smooth
// normals and per-frame boxes; no device objects are made.

#include "engine/models/QvxFrame.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A mesh may weld into at most this many vertices (16-bit indices).
constexpr size_t QVX_MAX_VERTICES = 65536;

enum class QvxReadResult { Ok, BadMagic, Corrupted };

QvxReadResult ReadQvx(const uint8_t* data, size_t size, std::vector<QvxFrame>& frames);
