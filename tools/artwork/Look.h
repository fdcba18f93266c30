#pragma once
// The one palette and type of all three windows, shared by every drawing of
// the artwork generator.
#include <QColor>
#include <QFont>
#include <QString>

namespace artwork {

// Window ground. The settings dialog's check box uses the same colour, so
// the box sits on the picture without a seam.
inline const QColor Ground(244, 242, 235);
inline const QColor Ink(46, 52, 64);           // labels and captions
inline const QColor Indigo(44, 76, 122);       // accent: glyphs, markers, top line
inline const QColor IndigoSoft(118, 142, 178); // accent for quiet details
inline const QColor Rule(214, 209, 196);       // hairlines between areas
inline const QColor FrameLine(196, 191, 178);  // frames around lists

// Hover face: light, framed.
inline const QColor OverTop(253, 252, 249);
inline const QColor OverBottom(240, 238, 231);
inline const QColor OverBorder(160, 168, 183);
// Pressed face: darker, with an inner shadow along the top.
inline const QColor DownTop(203, 211, 224);
inline const QColor DownBottom(218, 224, 233);
inline const QColor DownBorder(98, 115, 145);
inline const QColor DownShade(181, 191, 208);

inline QFont Gothic(int pixelSize)
{
    QFont font(QStringLiteral("IPAPGothic"));
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(pixelSize);
    font.setHintingPreference(QFont::PreferFullHinting);
    // Greyscale smoothing only: the pictures must not depend on a screen's subpixel order.
    font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
    return font;
}

} // namespace artwork
