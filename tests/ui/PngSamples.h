#pragma once
// PNG files written with libpng for the tests, in any colour type and depth.
#include "ui/PngPicture.h"

#include <QByteArray>
#include <QColor>

#include <cstdint>
#include <vector>

namespace pngsamples {

struct Sample {
    Sample(int width, int height, int colorType, int bitDepth)
        : Width(width), Height(height), ColorType(colorType), BitDepth(bitDepth) {}
    int Width = 1;
    int Height = 1;
    int ColorType = 2;  // PNG_COLOR_TYPE_*
    int BitDepth = 8;
    bool Interlaced = false;
    std::vector<std::uint8_t> Rows;          // packed rows, exactly as stored
    std::vector<QRgb> Palette;               // palette pictures
    std::vector<std::uint8_t> PaletteAlpha;  // tRNS of a palette picture
    int KeyGray = -1;                        // tRNS colour key of a grey picture
};

QByteArray Encode(const Sample& sample);

// A w x h 8-bit RGB picture of one colour.
QByteArray SolidRgb(int w, int h, QRgb colour);
// RGB `fill` with the last two columns and rows in `edge`: shows which edges a
// drawing cuts off.
QByteArray EdgedRgb(int w, int h, QRgb fill, QRgb edge);
QByteArray RgbaOf(int w, int h, QRgb colour, std::uint8_t alpha);
TPngPicture Picture(const QByteArray& png);

} // namespace pngsamples
