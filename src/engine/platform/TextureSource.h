#pragma once
// How a Texture record makes its texture again after a device reset.

enum TextureSource {
    TEXTURE_SOURCE_NONE = 0,    // nothing to restore
    TEXTURE_SOURCE_FILE = 1,    // loaded from the file in `name`
    TEXTURE_SOURCE_CREATED = 3, // created empty from the stored values
};
