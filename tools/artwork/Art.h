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
// The settings dialog's background: a caption for each row, centred on the
// row's controls, with a rule below it, and the wording beside each check box
// (its click area in the dialog lies over it).
struct ConfigLayout {
    struct Row {
        QString Caption;
        int CentreY;
        int RuleY;
    };
    struct Wording {
        int X;
        int CentreY;
        QString Text;
    };
    int Width;
    int Height;
    std::vector<Row> Rows;
    std::vector<Wording> Wordings;
};
ConfigLayout JapaneseConfigLayout();
QImage RenderConfigBackground(const ConfigLayout& layout);

// The application icon at one size, with transparency.
QImage RenderIcon(int size);
// A Windows icon file: 256, 48, 32 and 16 pixels in 256 colours, then 256
// pixels in 32 bits (stored as PNG).
QByteArray BuildIco();

} // namespace artwork
