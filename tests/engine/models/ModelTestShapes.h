#pragma once
// Small models for the tests, built with the data writers.

#include "datagen/writers/Md2Writer.h"
#include "datagen/writers/QvxWriter.h"
#include "datagen/writers/XFileWriter.h"

// A cube of edge `size` around `centre`: 8 positions, 12 faces
// counter-clockwise as seen from outside, no texture coordinates.
datagen::QvxMesh QvxCube(float size = 1.0f, datagen::Float3 centre = {});

// One triangle facing the camera (-z side), counter-clockwise as seen from it,
// with three texture coordinates; `frames` frames, frame f moved by f along x.
datagen::Md2Model Md2TestTriangle(int frames = 1);

// A cube of edge 1 at the origin as six quads, clockwise as seen from outside,
// with one normal per face; faces 0..4 use material 0, face 5 material 1.
datagen::XMesh XCube();

// A quad over x0..x1, y0..y1 at depth z, clockwise as seen from the camera.
datagen::XMesh XQuad(float x0, float y0, float x1, float y1, float z);

datagen::XMaterial XColour(float r, float g, float b, float a);
