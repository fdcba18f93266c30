#include "PngSamples.h"

#include <png.h>

namespace pngsamples {

namespace {

void Append(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<QByteArray*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
}

void Flush(png_structp) {}

bool Write(const Sample& sample, QByteArray& out, png_structp png, png_infop info,
           std::vector<png_color>& palette, std::vector<png_bytep>& rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, &out, &Append, &Flush);
    png_set_IHDR(png, info, sample.Width, sample.Height, sample.BitDepth, sample.ColorType,
                 sample.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!sample.PaletteAlpha.empty())
        png_set_tRNS(png, info, sample.PaletteAlpha.data(), static_cast<int>(sample.PaletteAlpha.size()),
                     nullptr);
    png_color_16 key{};
    if (sample.KeyGray >= 0) {
        key.gray = static_cast<png_uint_16>(sample.KeyGray);
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    return true;
}

} // namespace

QByteArray Encode(const Sample& sample)
{
    QByteArray out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_color> palette;
    for (QRgb c : sample.Palette)
        palette.push_back({static_cast<png_byte>(qRed(c)), static_cast<png_byte>(qGreen(c)),
                           static_cast<png_byte>(qBlue(c))});
    const std::size_t rowBytes = sample.Rows.size() / static_cast<std::size_t>(sample.Height);
    std::vector<png_bytep> rows;
    std::vector<std::uint8_t> data = sample.Rows;
    for (int y = 0; y < sample.Height; ++y)
        rows.push_back(data.data() + rowBytes * y);
    const bool ok = Write(sample, out, png, info, palette, rows);
    png_destroy_write_struct(&png, &info);
    return ok ? out : QByteArray();
}

namespace {

template <typename PixelAt>
QByteArray Generated(int w, int h, bool alpha, PixelAt pixelAt)
{
    Sample sample{w, h, alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, 8};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = pixelAt(x, y);
            for (int v : {qRed(c), qGreen(c), qBlue(c)})
                sample.Rows.push_back(static_cast<std::uint8_t>(v));
            if (alpha)
                sample.Rows.push_back(static_cast<std::uint8_t>(qAlpha(c)));
        }
    return Encode(sample);
}

} // namespace

QByteArray SolidRgb(int w, int h, QRgb colour)
{
    return Generated(w, h, false, [&](int, int) { return colour; });
}

QByteArray EdgedRgb(int w, int h, QRgb fill, QRgb edge)
{
    return Generated(w, h, false, [&](int x, int y) { return (x >= w - 2 || y >= h - 2) ? edge : fill; });
}

QByteArray RgbaOf(int w, int h, QRgb colour, std::uint8_t alpha)
{
    const QRgb c = qRgba(qRed(colour), qGreen(colour), qBlue(colour), alpha);
    return Generated(w, h, true, [&](int, int) { return c; });
}

TPngPicture Picture(const QByteArray& png)
{
    return TPngPicture::Decode(png);
}

} // namespace pngsamples
