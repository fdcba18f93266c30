#include "ui/WindowKit.h"

#include "ui/ArtworkLanguage.h"

#include <QKeyEvent>

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
        return TPngPicture::Load(ArtworkPath(QString::fromLatin1(name)));
    } catch (const PngError& error) {
        qWarning("Picture %s could not be read: %s", name, error.what());
        return {};
    }
}

void SetTabOrder(std::initializer_list<QWidget*> widgets)
{
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

void NameImageButton(TImageButton* button, const QString& name, const QString& key)
{
    button->setAccessibleName(name);
    if (!key.isEmpty())
        button->setToolTip(name + QStringLiteral(" (") + key + QLatin1Char(')'));
}

DialogKey DialogKeyOf(const QKeyEvent& event)
{
    // Modified keys belong to shortcuts; Enter of the keypad counts.
    if (event.modifiers() & ~Qt::KeypadModifier)
        return DialogKey::None;
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return DialogKey::Ok;
    case Qt::Key_Escape: return DialogKey::Cancel;
    default: return DialogKey::None;
    }
}

} // namespace movarin
