#pragma once
// Text on generated pictures, rendered with FreeType from a TrueType font.

#include "datagen/writers/RgbaImage.h"

#include <cstdint>
#include <memory>
#include <string>

namespace datagen {

class TextPainter {
public:
    TextPainter();
    ~TextPainter();
    TextPainter(const TextPainter&) = delete;
    TextPainter& operator=(const TextPainter&) = delete;

    // False with `error` set when the font can't be opened.
    bool Open(const std::string& fontPath, std::string& error);
    // Width in pixels of `text` at a pixel height of `size`.
    float Measure(const std::string& text, uint32_t size);
    // Draws `text` with its baseline at y, starting at x (or centred on x).
    void Draw(RgbaImage& image, const std::string& text, uint32_t size, float x, float baselineY, uint32_t color,
              bool centred = false);
    // The same with a darker copy offset behind it.
    void DrawShadowed(RgbaImage& image, const std::string& text, uint32_t size, float x, float baselineY,
                      uint32_t color, uint32_t shadow, float offset, bool centred = false);

private:
    struct Handles;
    std::unique_ptr<Handles> handles;
};

} // namespace datagen
