#pragma once
// The render states the game sets once after start-up and again after every
// device reset (a reset loses them); everything it draws relies on them.

// Depth test, no culling, solid fill, dithering, specular, normalised normals
// and lighting.
void SetFixedRenderStates();
