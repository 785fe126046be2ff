#pragma once
// Where a VertexImage takes its texture from; 0 until the image is loaded.

enum VertexImageTextureMode {
    VERTEXIMAGE_TEXTURE_UNSET = 0,
    VERTEXIMAGE_TEXTURE_NONE = 1,     // drawn in its colour only
    VERTEXIMAGE_TEXTURE_EXTERNAL = 2, // a texture owned elsewhere
    VERTEXIMAGE_TEXTURE_OWN = 3,      // the image's own Texture
};
