#pragma once
// A decoded PNG picture that keeps the colour type it was stored with, so a
// button can dim it by its own alpha channel (and leave palette pictures
// alone). Decoding calls libpng directly; Qt's image loader would hand back
// an ARGB image and lose the distinction.
#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class QPainter;

namespace movarin {

// A PNG that could not be read: not a PNG, truncated, corrupt, or too large.
class PngError : public std::runtime_error {
public:
    explicit PngError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace movarin

enum class TPngColorType { Gray, RGB, Palette, GrayAlpha, RGBAlpha };

class TPngPicture {
public:
    TPngPicture() = default;

    // 16-bit samples are reduced to 8 bits, 1/2/4-bit samples are widened to
    // one byte each; a colour-key transparency of a grey or RGB picture turns
    // into an alpha channel.
    static TPngPicture Decode(const QByteArray& png);
    // Reads with QFile, so resource paths (":/...") work as well as files.
    static TPngPicture Load(const QString& fileOrResource);

    bool Empty() const { return Width_ <= 0 || Height_ <= 0; }
    int Width() const { return Width_; }
    int Height() const { return Height_; }
    TPngColorType ColorType() const { return ColorType_; }
    bool HasAlphaChannel() const
    {
        return ColorType_ == TPngColorType::GrayAlpha || ColorType_ == TPngColorType::RGBAlpha;
    }

    // Grey and RGB pictures gain an opaque alpha channel; a palette picture
    // gets a 256-entry transparency table, all opaque (entries that were
    // transparent become opaque too). A picture with alpha is left as it is.
    void AddAlpha();

    // Alpha of one pixel: the channel, the palette entry's transparency, or
    // 255 for a picture without transparency. Outside the picture: 0.
    std::uint8_t Alpha(int x, int y) const;
    // Writes the alpha channel. For a palette picture it writes the
    // transparency entry of the pixel's palette index (shared by every pixel
    // with that index). Without alpha channel or outside the picture: ignored.
    void SetAlpha(int x, int y, std::uint8_t a);

    // Blends the picture over what the painter's device already holds, top-left
    // corner at (x, y); the painter's clipping cuts off what lies outside.
    void Draw(QPainter& painter, int x, int y) const;

    // The picture as a non-premultiplied ARGB image (for drawing and tests).
    const QImage& ToImage() const;

private:
    int Channels() const;

    int Width_ = 0;
    int Height_ = 0;
    TPngColorType ColorType_ = TPngColorType::RGB;
    // Row-major samples, one byte each: 1 (grey, palette index), 2, 3 or 4 per pixel.
    std::vector<std::uint8_t> Pixels_;
    std::vector<QRgb> Palette_;          // opaque colours of a palette picture
    std::vector<std::uint8_t> Trans_;    // transparency per palette entry; missing = 255

    // Drawing converts once and reuses the result until the pixels change.
    mutable QImage Cache_;
    mutable bool CacheValid_ = false;
};
