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

// Every picture with words in it exists once per language, in the folder
// below assets/ that the language's code names.
enum class Language { Japanese, English };
struct LanguageFolder {
    Language Which;
    const char* Folder;
};
inline constexpr LanguageFolder Languages[] = {{Language::Japanese, "ja"}, {Language::English, "en"}};

// The same words in each language.
struct Words {
    QString Japanese;
    QString English;
    const QString& In(Language language) const { return language == Language::English ? English : Japanese; }
};

struct Label {
    QString Text;
    int FontPixels;
};

struct ButtonDesign {
    QString Name;  // resource name below the language's folder, e.g. "main/add_file"
    int Width;
    int Height;
    Glyph Icon;
    bool OverIsDown; // the hover picture is the pressed one
    Label Japanese;
    Label English;
    const Label& In(Language language) const { return language == Language::English ? English : Japanese; }
};

const std::vector<ButtonDesign>& Buttons();
// The glyph and the label leave a margin inside the face.
bool LabelFits(const ButtonDesign& design, Language language);
QImage RenderButton(const ButtonDesign& design, Language language, ButtonLook look);

QImage RenderMainBackground();
QImage RenderDvdBackground(Language language);
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
// The same rows and places in English.
ConfigLayout EnglishConfigLayout();
QImage RenderConfigBackground(const ConfigLayout& layout);

// The application icon at one size, with transparency.
QImage RenderIcon(int size);
// A Windows icon file: 256, 48, 32 and 16 pixels in 256 colours, then 256
// pixels in 32 bits (stored as PNG).
QByteArray BuildIco();

} // namespace artwork
