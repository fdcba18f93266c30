#include "PngSamples.h"
#include "ui/PngPicture.h"

#include <QPainter>

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

using pngsamples::Encode;
using pngsamples::Sample;

namespace {

QImage White(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QRgb DrawnPixel(const TPngPicture& picture, int x, int y)
{
    QImage canvas = White(picture.Width() + 4, picture.Height() + 4);
    QPainter painter(&canvas);
    picture.Draw(painter, 2, 2);
    painter.end();
    return canvas.pixel(x + 2, y + 2);
}

} // namespace

TEST(PngPicture, KeepsEachColourTypeAndItsSamples)
{
    Sample gray{2, 1, PNG_COLOR_TYPE_GRAY, 8};
    gray.Rows = {10, 200};
    Sample grayAlpha{1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8};
    grayAlpha.Rows = {90, 77};
    Sample rgba{1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8};
    rgba.Rows = {1, 2, 3, 4};

    const TPngPicture g = TPngPicture::Decode(Encode(gray));
    EXPECT_EQ(g.ColorType(), TPngColorType::Gray);
    EXPECT_EQ(g.Width(), 2);
    EXPECT_EQ(g.Alpha(1, 0), 255);
    EXPECT_EQ(g.ToImage().pixel(1, 0), qRgb(200, 200, 200));

    const TPngPicture ga = TPngPicture::Decode(Encode(grayAlpha));
    EXPECT_EQ(ga.ColorType(), TPngColorType::GrayAlpha);
    EXPECT_EQ(ga.Alpha(0, 0), 77);

    const TPngPicture c = TPngPicture::Decode(Encode(rgba));
    EXPECT_EQ(c.ColorType(), TPngColorType::RGBAlpha);
    EXPECT_EQ(c.ToImage().pixel(0, 0), qRgba(1, 2, 3, 4));

    const TPngPicture rgb = TPngPicture::Decode(pngsamples::SolidRgb(3, 2, qRgb(9, 8, 7)));
    EXPECT_EQ(rgb.ColorType(), TPngColorType::RGB);
    EXPECT_EQ(rgb.Height(), 2);
    EXPECT_EQ(rgb.ToImage().pixel(2, 1), qRgb(9, 8, 7));
}

TEST(PngPicture, WidensAndNarrowsSamplesToEightBits)
{
    // 16-bit RGB keeps the high byte of each sample.
    Sample deep{1, 1, PNG_COLOR_TYPE_RGB, 16};
    deep.Rows = {0x12, 0x34, 0xAB, 0xCD, 0xFF, 0x00};
    const TPngPicture d = TPngPicture::Decode(Encode(deep));
    EXPECT_EQ(d.ColorType(), TPngColorType::RGB);
    const QRgb px = d.ToImage().pixel(0, 0);
    EXPECT_NEAR(qRed(px), 0x12, 1);
    EXPECT_NEAR(qGreen(px), 0xAB, 1);
    EXPECT_NEAR(qBlue(px), 0xFF, 1);

    // 1-bit grey becomes 0 and 255.
    Sample bits{3, 1, PNG_COLOR_TYPE_GRAY, 1};
    bits.Rows = {0b10100000};
    const TPngPicture b = TPngPicture::Decode(Encode(bits));
    EXPECT_EQ(b.ToImage().pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(b.ToImage().pixel(1, 0), qRgb(0, 0, 0));

    // 2-bit palette indices come out one per pixel, the palette kept.
    Sample pal{4, 1, PNG_COLOR_TYPE_PALETTE, 2};
    pal.Palette = {qRgb(1, 1, 1), qRgb(2, 2, 2), qRgb(3, 3, 3), qRgb(4, 4, 4)};
    pal.Rows = {0b00011011};
    const TPngPicture p = TPngPicture::Decode(Encode(pal));
    EXPECT_EQ(p.ColorType(), TPngColorType::Palette);
    EXPECT_EQ(p.ToImage().pixel(0, 0), qRgb(1, 1, 1));
    EXPECT_EQ(p.ToImage().pixel(3, 0), qRgb(4, 4, 4));

    // A grey colour key turns into an alpha channel.
    Sample keyed{2, 1, PNG_COLOR_TYPE_GRAY, 8};
    keyed.Rows = {50, 60};
    keyed.KeyGray = 60;
    const TPngPicture k = TPngPicture::Decode(Encode(keyed));
    EXPECT_EQ(k.ColorType(), TPngColorType::GrayAlpha);
    EXPECT_EQ(k.Alpha(0, 0), 255);
    EXPECT_EQ(k.Alpha(1, 0), 0);
}

TEST(PngPicture, InterlacedDecodesLikePlain)
{
    Sample plain{9, 7, PNG_COLOR_TYPE_GRAY, 8};
    for (int i = 0; i < 63; ++i)
        plain.Rows.push_back(static_cast<std::uint8_t>(i * 4));
    Sample laced = plain;
    laced.Interlaced = true;
    EXPECT_EQ(TPngPicture::Decode(Encode(plain)).ToImage(), TPngPicture::Decode(Encode(laced)).ToImage());
}

TEST(PngPicture, AddAlphaIsOpaqueAndKeepsColours)
{
    TPngPicture rgb = TPngPicture::Decode(pngsamples::SolidRgb(2, 2, qRgb(40, 50, 60)));
    rgb.AddAlpha();
    EXPECT_EQ(rgb.ColorType(), TPngColorType::RGBAlpha);
    EXPECT_EQ(rgb.Alpha(1, 1), 255);
    EXPECT_EQ(rgb.ToImage().pixel(1, 1), qRgba(40, 50, 60, 255));

    // Palette: a full table of opaque entries, formerly transparent ones too.
    Sample pal{2, 1, PNG_COLOR_TYPE_PALETTE, 8};
    pal.Palette = {qRgb(255, 0, 0), qRgb(0, 0, 255)};
    pal.PaletteAlpha = {0};
    pal.Rows = {0, 1};
    TPngPicture p = TPngPicture::Decode(Encode(pal));
    EXPECT_EQ(p.Alpha(0, 0), 0);
    EXPECT_EQ(p.Alpha(1, 0), 255); // past the stored table
    p.AddAlpha();
    EXPECT_EQ(p.ColorType(), TPngColorType::Palette);
    EXPECT_EQ(p.Alpha(0, 0), 255);

    // A picture that has alpha keeps its values.
    TPngPicture half = TPngPicture::Decode(pngsamples::RgbaOf(1, 1, qRgb(1, 2, 3), 128));
    half.AddAlpha();
    EXPECT_EQ(half.Alpha(0, 0), 128);
}

TEST(PngPicture, AlphaAccessIsBoundedAndCopiesAreIndependent)
{
    TPngPicture a = TPngPicture::Decode(pngsamples::RgbaOf(3, 3, qRgb(0, 0, 0), 200));
    EXPECT_EQ(a.Alpha(-1, 0), 0);
    EXPECT_EQ(a.Alpha(3, 0), 0);
    a.SetAlpha(5, 5, 1); // ignored, no write past the pixels
    a.SetAlpha(1, 2, 17);
    EXPECT_EQ(a.Alpha(1, 2), 17);

    // The drawing cache must not leak changes between copies.
    (void)a.ToImage();
    TPngPicture b = a;
    b.SetAlpha(0, 0, 3);
    EXPECT_EQ(a.Alpha(0, 0), 200);
    EXPECT_EQ(qAlpha(a.ToImage().pixel(0, 0)), 200);
    EXPECT_EQ(qAlpha(b.ToImage().pixel(0, 0)), 3);

    // No alpha channel: writing changes nothing.
    TPngPicture rgb = TPngPicture::Decode(pngsamples::SolidRgb(1, 1, qRgb(1, 1, 1)));
    rgb.SetAlpha(0, 0, 7);
    EXPECT_EQ(rgb.Alpha(0, 0), 255);
}

TEST(PngPicture, DrawBlendsByAlphaAndClips)
{
    const TPngPicture half = TPngPicture::Decode(pngsamples::RgbaOf(2, 2, qRgb(255, 0, 0), 128));
    const QRgb px = DrawnPixel(half, 1, 1);
    EXPECT_EQ(qRed(px), 255);
    EXPECT_NEAR(qGreen(px), 127, 2);
    EXPECT_NEAR(qBlue(px), 127, 2);

    const TPngPicture opaque = TPngPicture::Decode(pngsamples::SolidRgb(4, 4, qRgb(0, 0, 255)));
    QImage canvas = White(3, 3);
    QPainter painter(&canvas);
    opaque.Draw(painter, -2, 1);
    painter.end();
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(canvas.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(canvas.pixel(2, 2), qRgb(255, 255, 255)); // right of the picture
}

TEST(PngPicture, RefusesDataThatIsNotAPng)
{
    EXPECT_THROW(TPngPicture::Decode(QByteArray()), movarin::PngError);
    EXPECT_THROW(TPngPicture::Decode(QByteArray("GIF89a this is not a png")), movarin::PngError);
    EXPECT_THROW(TPngPicture::Load(QStringLiteral("/nonexistent/picture.png")), movarin::PngError);
}

TEST(PngPicture, RefusesEveryTruncationOfAValidFile)
{
    const QByteArray whole = pngsamples::SolidRgb(20, 10, qRgb(1, 2, 3));
    ASSERT_NO_THROW(TPngPicture::Decode(whole));
    for (qsizetype n = 0; n < whole.size(); ++n)
        EXPECT_THROW(TPngPicture::Decode(whole.left(n)), movarin::PngError) << "cut at " << n;
}

TEST(PngPicture, RefusesCorruptData)
{
    QByteArray bad = pngsamples::SolidRgb(20, 10, qRgb(1, 2, 3));
    bad[bad.size() / 2] = static_cast<char>(bad[bad.size() / 2] ^ 0x55); // inside IDAT: CRC fails
    EXPECT_THROW(TPngPicture::Decode(bad), movarin::PngError);
}

TEST(PngPicture, RefusesAHugeHeaderBeforeAllocating)
{
    // A valid signature and IHDR (with a correct CRC) claiming 100000 x 100000.
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr("IHDR", 4);
    const unsigned char dims[] = {0, 1, 0x86, 0xA0, 0, 1, 0x86, 0xA0, 8, 2, 0, 0, 0};
    ihdr.append(reinterpret_cast<const char*>(dims), sizeof dims);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(ihdr.constData()), ihdr.size());
    const unsigned char len[] = {0, 0, 0, 13};
    const unsigned char crcBytes[] = {static_cast<unsigned char>(crc >> 24), static_cast<unsigned char>(crc >> 16),
                                      static_cast<unsigned char>(crc >> 8), static_cast<unsigned char>(crc)};
    png.append(reinterpret_cast<const char*>(len), 4);
    png.append(ihdr);
    png.append(reinterpret_cast<const char*>(crcBytes), 4);
    EXPECT_THROW(TPngPicture::Decode(png), movarin::PngError);
}
