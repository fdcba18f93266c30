#include "ui/PngPicture.h"

#include <QFile>
#include <QPainter>

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// Pictures larger than this are refused before any pixel memory is taken: a
// corrupt header must not make us allocate gigabytes.
constexpr png_uint_32 MaxSide = 16384;
constexpr std::size_t MaxPixels = std::size_t{1} << 26;

// Everything the libpng callbacks and the setjmp region touch lives here, in
// the caller's frame, so nothing the jump skips owns resources.
struct DecodeJob {
    const png_byte* Data = nullptr;
    std::size_t Size = 0;
    std::size_t Pos = 0;
    char Error[200] = {};

    png_structp Png = nullptr;
    png_infop Info = nullptr;

    png_uint_32 Width = 0;
    png_uint_32 Height = 0;
    int ColorType = 0;
    std::size_t RowBytes = 0;
    std::vector<std::uint8_t> Pixels;
    std::vector<png_bytep> Rows;
    std::vector<QRgb> Palette;
    std::vector<std::uint8_t> Trans;
};

void ReadFromBuffer(png_structp png, png_bytep out, png_size_t length)
{
    auto* job = static_cast<DecodeJob*>(png_get_io_ptr(png));
    if (length > job->Size - job->Pos)
        png_error(png, "the PNG data ends too early (truncated file)");
    std::memcpy(out, job->Data + job->Pos, length);
    job->Pos += length;
}

void OnPngError(png_structp png, png_const_charp message)
{
    auto* job = static_cast<DecodeJob*>(png_get_error_ptr(png));
    std::snprintf(job->Error, sizeof job->Error, "%s", message ? message : "unknown libpng error");
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp)
{
    // Warnings (unknown ancillary chunks, bad gamma and the like) do not stop
    // the picture from being shown.
}

// The only function with setjmp. It writes nothing but through `job`; a
// libpng error jumps back here and returns false with job.Error set.
bool RunDecode(DecodeJob& job)
{
    if (setjmp(png_jmpbuf(job.Png)))
        return false;

    png_set_read_fn(job.Png, &job, &ReadFromBuffer);
    png_set_user_limits(job.Png, MaxSide, MaxSide);
    png_read_info(job.Png, job.Info);

    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(job.Png, job.Info, &job.Width, &job.Height, &bitDepth, &colorType, &interlace,
                 nullptr, nullptr);
    if (std::size_t{job.Width} * job.Height > MaxPixels)
        png_error(job.Png, "the PNG picture is too large");

    if (bitDepth == 16)
        png_set_strip_16(job.Png);
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_packing(job.Png); // indices one per byte; palette and tRNS kept
    } else {
        if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
            png_set_expand_gray_1_2_4_to_8(job.Png);
        if (png_get_valid(job.Png, job.Info, PNG_INFO_tRNS))
            png_set_tRNS_to_alpha(job.Png);
    }
    png_set_interlace_handling(job.Png);
    png_read_update_info(job.Png, job.Info);

    job.ColorType = png_get_color_type(job.Png, job.Info);
    job.RowBytes = png_get_rowbytes(job.Png, job.Info);
    const int channels = png_get_channels(job.Png, job.Info);
    if (png_get_bit_depth(job.Png, job.Info) != 8 ||
        job.RowBytes != std::size_t{job.Width} * static_cast<std::size_t>(channels))
        png_error(job.Png, "unsupported PNG sample layout");

    if (job.ColorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        int count = 0;
        if (!png_get_PLTE(job.Png, job.Info, &palette, &count))
            png_error(job.Png, "palette PNG without palette");
        job.Palette.resize(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            job.Palette[i] = qRgb(palette[i].red, palette[i].green, palette[i].blue);
        png_bytep trans = nullptr;
        int transCount = 0;
        if (png_get_tRNS(job.Png, job.Info, &trans, &transCount, nullptr) && trans)
            job.Trans.assign(trans, trans + std::clamp(transCount, 0, 256));
    }

    job.Pixels.resize(job.RowBytes * job.Height);
    job.Rows.resize(job.Height);
    for (png_uint_32 y = 0; y < job.Height; ++y)
        job.Rows[y] = job.Pixels.data() + job.RowBytes * y;
    png_read_image(job.Png, job.Rows.data());
    // Reading to the end also checks that the file was not cut after the
    // picture data: a truncated file is refused as a whole.
    png_read_end(job.Png, nullptr);
    return true;
}

struct PngReadGuard {
    DecodeJob& Job;
    ~PngReadGuard() { png_destroy_read_struct(&Job.Png, Job.Info ? &Job.Info : nullptr, nullptr); }
};

} // namespace

TPngPicture TPngPicture::Decode(const QByteArray& png)
{
    constexpr std::size_t SignatureSize = 8;
    if (static_cast<std::size_t>(png.size()) < SignatureSize ||
        png_sig_cmp(reinterpret_cast<png_const_bytep>(png.constData()), 0, SignatureSize) != 0)
        throw movarin::PngError("not a PNG file");

    DecodeJob job;
    job.Data = reinterpret_cast<const png_byte*>(png.constData());
    job.Size = static_cast<std::size_t>(png.size());
    job.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, &OnPngError, &OnPngWarning);
    if (!job.Png)
        throw movarin::PngError("libpng could not start decoding");
    PngReadGuard guard{job};
    job.Info = png_create_info_struct(job.Png);
    if (!job.Info)
        throw movarin::PngError("libpng could not start decoding");

    if (!RunDecode(job))
        throw movarin::PngError(std::string("broken PNG: ") + job.Error);

    TPngPicture picture;
    picture.Width_ = static_cast<int>(job.Width);
    picture.Height_ = static_cast<int>(job.Height);
    switch (job.ColorType) {
    case PNG_COLOR_TYPE_GRAY: picture.ColorType_ = TPngColorType::Gray; break;
    case PNG_COLOR_TYPE_RGB: picture.ColorType_ = TPngColorType::RGB; break;
    case PNG_COLOR_TYPE_PALETTE: picture.ColorType_ = TPngColorType::Palette; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: picture.ColorType_ = TPngColorType::GrayAlpha; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: picture.ColorType_ = TPngColorType::RGBAlpha; break;
    default: throw movarin::PngError("unknown PNG colour type");
    }
    picture.Pixels_ = std::move(job.Pixels);
    picture.Palette_ = std::move(job.Palette);
    picture.Trans_ = std::move(job.Trans);
    return picture;
}

TPngPicture TPngPicture::Load(const QString& fileOrResource)
{
    QFile file(fileOrResource);
    if (!file.open(QIODevice::ReadOnly))
        throw movarin::PngError("cannot open " + fileOrResource.toStdString() + ": " +
                                file.errorString().toStdString());
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw movarin::PngError("cannot read " + fileOrResource.toStdString() + ": " +
                                file.errorString().toStdString());
    try {
        return Decode(data);
    } catch (const movarin::PngError& e) {
        throw movarin::PngError(fileOrResource.toStdString() + ": " + e.what());
    }
}

int TPngPicture::Channels() const
{
    switch (ColorType_) {
    case TPngColorType::Gray:
    case TPngColorType::Palette: return 1;
    case TPngColorType::GrayAlpha: return 2;
    case TPngColorType::RGB: return 3;
    case TPngColorType::RGBAlpha: return 4;
    }
    return 1;
}

void TPngPicture::AddAlpha()
{
    if (ColorType_ == TPngColorType::Palette) {
        Trans_.assign(256, 255);
        CacheValid_ = false;
        return;
    }
    if (HasAlphaChannel() || Empty())
        return;
    const int from = Channels();
    const int to = from + 1;
    const std::size_t count = static_cast<std::size_t>(Width_) * Height_;
    std::vector<std::uint8_t> widened(count * to);
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(&widened[i * to], &Pixels_[i * from], from);
        widened[i * to + from] = 255;
    }
    Pixels_ = std::move(widened);
    ColorType_ = ColorType_ == TPngColorType::Gray ? TPngColorType::GrayAlpha : TPngColorType::RGBAlpha;
    CacheValid_ = false;
}

std::uint8_t TPngPicture::Alpha(int x, int y) const
{
    if (x < 0 || y < 0 || x >= Width_ || y >= Height_)
        return 0;
    const std::size_t pixel = static_cast<std::size_t>(y) * Width_ + x;
    switch (ColorType_) {
    case TPngColorType::GrayAlpha: return Pixels_[pixel * 2 + 1];
    case TPngColorType::RGBAlpha: return Pixels_[pixel * 4 + 3];
    case TPngColorType::Palette: {
        const std::uint8_t index = Pixels_[pixel];
        return index < Trans_.size() ? Trans_[index] : 255;
    }
    case TPngColorType::Gray:
    case TPngColorType::RGB: return 255;
    }
    return 255;
}

void TPngPicture::SetAlpha(int x, int y, std::uint8_t a)
{
    if (x < 0 || y < 0 || x >= Width_ || y >= Height_)
        return;
    const std::size_t pixel = static_cast<std::size_t>(y) * Width_ + x;
    switch (ColorType_) {
    case TPngColorType::GrayAlpha: Pixels_[pixel * 2 + 1] = a; break;
    case TPngColorType::RGBAlpha: Pixels_[pixel * 4 + 3] = a; break;
    case TPngColorType::Palette: {
        const std::uint8_t index = Pixels_[pixel];
        if (index >= Trans_.size())
            Trans_.resize(std::size_t{index} + 1, 255);
        Trans_[index] = a;
        break;
    }
    case TPngColorType::Gray:
    case TPngColorType::RGB: return;
    }
    CacheValid_ = false;
}

const QImage& TPngPicture::ToImage() const
{
    if (CacheValid_)
        return Cache_;
    if (Empty()) {
        Cache_ = QImage();
        CacheValid_ = true;
        return Cache_;
    }
    QImage image(Width_, Height_, QImage::Format_ARGB32);
    const int channels = Channels();
    for (int y = 0; y < Height_; ++y) {
        const std::uint8_t* in = Pixels_.data() + static_cast<std::size_t>(y) * Width_ * channels;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < Width_; ++x, in += channels) {
            switch (ColorType_) {
            case TPngColorType::Gray: out[x] = qRgb(in[0], in[0], in[0]); break;
            case TPngColorType::GrayAlpha: out[x] = qRgba(in[0], in[0], in[0], in[1]); break;
            case TPngColorType::RGB: out[x] = qRgb(in[0], in[1], in[2]); break;
            case TPngColorType::RGBAlpha: out[x] = qRgba(in[0], in[1], in[2], in[3]); break;
            case TPngColorType::Palette: {
                const std::uint8_t index = in[0];
                // An index past the palette (a damaged file) shows as black.
                const QRgb colour = index < Palette_.size() ? Palette_[index] : qRgb(0, 0, 0);
                const int alpha = index < Trans_.size() ? Trans_[index] : 255;
                out[x] = qRgba(qRed(colour), qGreen(colour), qBlue(colour), alpha);
                break;
            }
            }
        }
    }
    Cache_ = image;
    CacheValid_ = true;
    return Cache_;
}

void TPngPicture::Draw(QPainter& painter, int x, int y) const
{
    if (Empty())
        return;
    const QPainter::CompositionMode mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QPoint(x, y), ToImage());
    painter.setCompositionMode(mode);
}
