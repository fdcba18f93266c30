// The PNG decoder on any bytes: it either refuses them with PngError or
// gives a picture within the size limits whose every pixel can be read,
// made transparent and drawn into an image of its size.
#include "FuzzInput.h"
#include "ui/PngPicture.h"

#include <QImage>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 65536)
        return 0;
    // Large but valid headers only cost time: the limits are checked by the
    // decoder's own tests.
    if (size >= 24) {
        const auto be32 = [data](std::size_t at) {
            return (std::uint32_t(data[at]) << 24) | (std::uint32_t(data[at + 1]) << 16)
                | (std::uint32_t(data[at + 2]) << 8) | std::uint32_t(data[at + 3]);
        };
        if (std::uint64_t(be32(16)) * be32(20) > (1u << 20))
            return 0;
    }
    TPngPicture picture;
    try {
        picture = TPngPicture::Decode(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const movarin::PngError&) {
        return 0;
    }
    Require(!picture.Empty());
    Require(picture.Width() <= 16384 && picture.Height() <= 16384);
    const QImage image = picture.ToImage();
    Require(image.width() == picture.Width() && image.height() == picture.Height());
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            (void)picture.Alpha(x, y);
    Require(picture.Alpha(-1, 0) == 0 && picture.Alpha(picture.Width(), 0) == 0);

    picture.AddAlpha();
    picture.SetAlpha(picture.Width() - 1, picture.Height() - 1, 7);
    if (picture.HasAlphaChannel())
        Require(picture.Alpha(picture.Width() - 1, picture.Height() - 1) == 7);
    Require(picture.ToImage().size() == image.size());
    return 0;
}
