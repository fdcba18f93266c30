// Writes every picture of the program into the assets folder:
//   movarin-artwork [assets-folder]   (default: the source tree's assets/)
// Button pictures and backgrounds are 8-bit RGB PNG without alpha, one set
// per language (assets/ja/, assets/en/); the icon has no words (assets/icon/).
#include "Art.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>

namespace {

bool WriteFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    return true;
}

bool WriteRgb(const QString& path, const QImage& image)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImageWriter writer(path, "PNG");
    writer.setQuality(0); // smallest file: PNG is lossless either way
    if (!writer.write(image.convertToFormat(QImage::Format_RGB888))) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

bool WriteArgb(const QString& path, const QImage& image)
{
    QImageWriter writer(path, "PNG");
    writer.setQuality(0); // smallest file: PNG is lossless either way
    if (!writer.write(image.convertToFormat(QImage::Format_ARGB32))) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // Pictures only: no screen needed.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                 : QStringLiteral(MOVARIN_SOURCE_DIR "/assets");
    const QString root = QDir(out).absolutePath() + '/';

    bool ok = true;
    using artwork::ButtonLook;
    for (const artwork::LanguageFolder& language : artwork::Languages) {
        const QString folder = root + language.Folder + '/';
        ok &= WriteRgb(folder + "main/background.png", artwork::RenderMainBackground());
        ok &= WriteRgb(folder + "dvd/background.png", artwork::RenderDvdBackground(language.Which));
        const artwork::ConfigLayout config = language.Which == artwork::Language::English
                                                 ? artwork::EnglishConfigLayout()
                                                 : artwork::JapaneseConfigLayout();
        ok &= WriteRgb(folder + "config/background.png", artwork::RenderConfigBackground(config));
        for (const artwork::ButtonDesign& design : artwork::Buttons()) {
            if (!artwork::LabelFits(design, language.Which)) {
                std::fprintf(stderr, "%s/%s: \"%s\" does not fit\n", language.Folder, qPrintable(design.Name),
                             qPrintable(design.In(language.Which).Text));
                ok = false;
            }
            const QString base = folder + design.Name;
            ok &= WriteRgb(base + "_normal.png", artwork::RenderButton(design, language.Which, ButtonLook::Normal));
            ok &= WriteRgb(base + "_over.png", artwork::RenderButton(design, language.Which, ButtonLook::Over));
            ok &= WriteRgb(base + "_down.png", artwork::RenderButton(design, language.Which, ButtonLook::Down));
        }
    }

    QDir().mkpath(root + "icon");
    for (int size : {16, 32, 48, 256})
        ok &= WriteArgb(root + QStringLiteral("icon/movarin-%1.png").arg(size), artwork::RenderIcon(size));
    ok &= WriteFile(root + "icon/movarin.ico", artwork::BuildIco());

    if (!ok)
        return 1;
    std::printf("artwork written to %s\n", qPrintable(root));
    return 0;
}
