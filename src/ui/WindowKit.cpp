#include "ui/WindowKit.h"

namespace movarin {

QFont WindowFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

TImageButton* MakeImageButton(QWidget* parent, const char* images, QRect geometry,
                              TImageButtonLayout layout, int tag)
{
    auto* button = new TImageButton(parent);
    button->setGeometry(geometry);
    button->SetTag(tag);
    button->SetButtonStyle(ibsNoFrame);
    button->SetButtonLayout(layout);
    try {
        button->LoadImages(QString::fromLatin1(images));
    } catch (const PngError& error) {
        // The pictures are compiled in; a broken build still gets a usable
        // (if blank) button rather than no window at all.
        qWarning("Button pictures %s could not be read: %s", images, error.what());
    }
    return button;
}

TPngPicture LoadWindowPicture(const char* name)
{
    try {
        return TPngPicture::Load(QStringLiteral(":/assets/") + QString::fromLatin1(name));
    } catch (const PngError& error) {
        qWarning("Picture %s could not be read: %s", name, error.what());
        return {};
    }
}

} // namespace movarin
