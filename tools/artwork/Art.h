#pragma once
// The pictures of the artwork generator. Every function is deterministic:
// same fonts, same pixels.
#include "Glyphs.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <vector>

namespace artwork {

enum class ButtonLook { Normal, Over, Down };

struct ButtonDesign {
    QString Name;  // resource name below assets/, e.g. "main/add_file"
    int Width;
    int Height;
    QString Label;
    Glyph Icon;
    int FontPixels;
    bool OverIsDown; // the hover picture is the pressed one
};

const std::vector<ButtonDesign>& Buttons();
QImage RenderButton(const ButtonDesign& design, ButtonLook look);

QImage RenderMainBackground();
QImage RenderDvdBackground();
QImage RenderConfigBackground();

// The application icon at one size, with transparency.
QImage RenderIcon(int size);
// A Windows icon file: 256, 48, 32 and 16 pixels in 256 colours, then 256
// pixels in 32 bits (stored as PNG).
QByteArray BuildIco();

} // namespace artwork
