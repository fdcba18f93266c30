// The compiled-in artwork: every picture the windows load exists in the size
// and colour type they expect, and a button's normal picture blends into the
// background where it sits.
#include "ui/ArtworkLanguage.h"
#include "ui/PngPicture.h"
#include "ui/imagebutton.h"

#include <QFile>
#include <QtEndian>

#include <string>

#include <gtest/gtest.h>

namespace {

struct ButtonAsset {
    const char* Name;
    int Width;
    int Height;
};

const ButtonAsset Buttons[] = {
    {"main/add_file", 126, 38},      {"main/add_dvd", 126, 38},        {"main/list_delete", 65, 38},
    {"main/config", 65, 38},         {"main/convert_cancel", 65, 21},  {"main/convert_movie", 127, 38},
    {"main/convert_walkman", 127, 38}, {"main/convert_music", 127, 38}, {"dvd/refresh", 65, 32},
    {"dvd/select_all", 65, 32},      {"dvd/unselect_all", 85, 32},     {"common/ok", 65, 38},
    {"common/cancel", 84, 38},       {"config/select_dir", 65, 32},
};

QString Res(const QString& name) { return QStringLiteral(":/img/ja/") + name; }

} // namespace

TEST(Assets, ButtonPicturesAreRgbInTheirSizes)
{
    // Every language's pictures fit the same controls; one without pictures
    // (the icon's folder is none) shows Japanese.
    for (const char* language : {"en", "icon", "de", "ja"}) {
        movarin::SetArtworkLanguage(QString::fromLatin1(language));
        const bool pictured = language == std::string("en") || language == std::string("ja");
        ASSERT_TRUE(movarin::ArtworkPath({}).endsWith(pictured ? QStringLiteral("/%1/").arg(language) : "/ja/"));
        for (const ButtonAsset& b : Buttons)
            for (const char* look : {"_normal.png", "_over.png", "_down.png"}) {
                const QString name = QString::fromLatin1(b.Name) + look;
                SCOPED_TRACE(language + (" " + name.toStdString()));
                const TPngPicture p = TPngPicture::Load(movarin::ArtworkPath(name));
                EXPECT_EQ(p.ColorType(), TPngColorType::RGB);
                EXPECT_EQ(p.Width(), b.Width);
                EXPECT_EQ(p.Height(), b.Height);
            }
    }
    TImageButton button(nullptr);
    ASSERT_NO_THROW(button.LoadImages("main/add_file"));
    EXPECT_EQ(button.ImageDisabled().Alpha(0, 0), 85);
    EXPECT_THROW(button.LoadImages("main/no_such_button"), movarin::PngError);
}

TEST(Assets, HoverLooksThatArePressedLooks)
{
    for (const char* name : {"main/convert_cancel", "main/convert_walkman"}) {
        QFile over(Res(QString::fromLatin1(name) + "_over.png"));
        QFile down(Res(QString::fromLatin1(name) + "_down.png"));
        ASSERT_TRUE(over.open(QIODevice::ReadOnly) && down.open(QIODevice::ReadOnly));
        EXPECT_EQ(over.readAll(), down.readAll()) << name;
    }
}

TEST(Assets, BackgroundsAreRgbInTheirSizes)
{
    const struct { const char* Name; int W, H; } backgrounds[] = {
        {"main/background.png", 474, 277}, {"dvd/background.png", 314, 311}, {"config/background.png", 474, 475}};
    for (const auto& b : backgrounds) {
        const TPngPicture p = TPngPicture::Load(Res(b.Name));
        EXPECT_EQ(p.ColorType(), TPngColorType::RGB) << b.Name;
        EXPECT_EQ(p.Width(), b.W) << b.Name;
        EXPECT_EQ(p.Height(), b.H) << b.Name;
    }
}

TEST(Assets, NormalPicturesMatchTheBackgroundBeneathThem)
{
    // Button rectangle in its window and the picture's offset inside it.
    const struct { const char* Window; const char* Name; QPoint At; } placed[] = {
        {"main", "main/add_file", {18 + 2, 9}},      {"main", "main/add_dvd", {159 + 5, 8 + 1}},
        {"main", "main/convert_cancel", {20, 245}},  {"main", "main/convert_music", {341, 190}},
        {"dvd", "dvd/unselect_all", {104, 212}},     {"dvd", "common/ok", {125 + 4, 265}},
        {"config", "common/ok", {289, 429}},         {"config", "config/select_dir", {365, 155}},
    };
    for (const auto& p : placed) {
        const QImage bg = TPngPicture::Load(Res(QString::fromLatin1(p.Window) + "/background.png")).ToImage();
        const QImage normal = TPngPicture::Load(Res(QString::fromLatin1(p.Name) + "_normal.png")).ToImage();
        for (QPoint corner : {QPoint(0, 0), QPoint(normal.width() - 1, normal.height() - 1)})
            EXPECT_EQ(normal.pixel(corner), bg.pixel(p.At + corner)) << p.Window << " " << p.Name;
    }
}

TEST(Assets, DesktopIconsAndTheIconFile)
{
    for (int size : {16, 32, 48, 256}) {
        const TPngPicture p = TPngPicture::Load(QStringLiteral(":/img/icon/movarin-%1.png").arg(size));
        EXPECT_EQ(p.Width(), size);
        EXPECT_EQ(p.Height(), size);
        EXPECT_EQ(p.ColorType(), TPngColorType::RGBAlpha);
    }

    QFile file(QStringLiteral(":/img/icon/movarin.ico"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray ico = file.readAll();
    const auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(ico.constData() + at); };
    const auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(ico.constData() + at); };
    ASSERT_GE(ico.size(), 6 + 5 * 16);
    EXPECT_EQ(u16(0), 0);
    EXPECT_EQ(u16(2), 1);
    ASSERT_EQ(u16(4), 5);
    const int sizes[] = {256, 48, 32, 16, 256};
    const int bits[] = {8, 8, 8, 8, 32};
    for (int i = 0; i < 5; ++i) {
        const qsizetype entry = 6 + 16 * i;
        SCOPED_TRACE(i);
        EXPECT_EQ(static_cast<quint8>(ico[entry]), sizes[i] % 256);
        EXPECT_EQ(u16(entry + 6), bits[i]);
        const quint32 length = u32(entry + 8), offset = u32(entry + 12);
        ASSERT_LE(qsizetype(offset) + qsizetype(length), ico.size());
        const QByteArray image = ico.mid(offset, length);
        if (bits[i] == 32) {
            const TPngPicture png = TPngPicture::Decode(image);
            EXPECT_EQ(png.Width(), 256);
            EXPECT_EQ(png.ColorType(), TPngColorType::RGBAlpha);
        } else {
            // Bitmap header: doubled height (picture + mask), 256-colour table.
            EXPECT_EQ(qFromLittleEndian<qint32>(image.constData() + 4), sizes[i]);
            EXPECT_EQ(qFromLittleEndian<qint32>(image.constData() + 8), 2 * sizes[i]);
            EXPECT_EQ(qFromLittleEndian<quint16>(image.constData() + 14), 8);
            const int maskRow = ((sizes[i] + 31) / 32) * 4;
            EXPECT_EQ(image.size(), 40 + 256 * 4 + sizes[i] * sizes[i] + maskRow * sizes[i]);
        }
    }
}
