#include "Art.h"
#include "Look.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

#include <cmath>

namespace artwork {

const std::vector<ButtonDesign>& Buttons()
{
    // Japanese as it always was; English in short words at the same sizes.
    static const std::vector<ButtonDesign> buttons = {
        {"main/add_file", 126, 38, Glyph::AddFile, false, {QStringLiteral("ファイル追加"), 14}, {"Add files", 14}},
        {"main/add_dvd", 126, 38, Glyph::AddDisc, false, {QStringLiteral("DVD追加"), 14}, {"Add DVD", 14}},
        {"main/list_delete", 65, 38, Glyph::Delete, false, {QStringLiteral("削除"), 14}, {"Remove", 11}},
        {"main/config", 65, 38, Glyph::Settings, false, {QStringLiteral("設定"), 14}, {"Settings", 11}},
        {"main/convert_cancel", 65, 21, Glyph::Stop, true, {QStringLiteral("中止"), 12}, {"Stop", 12}},
        {"main/convert_movie", 127, 38, Glyph::Film, false, {QStringLiteral("MP4変換"), 14}, {"To MP4", 14}},
        {"main/convert_walkman", 127, 38, Glyph::Player, true, {QStringLiteral("WALKMAN転送"), 13},
         {"To WALKMAN", 13}},
        {"main/convert_music", 127, 38, Glyph::Note, false, {QStringLiteral("MP3変換"), 14}, {"To MP3", 14}},
        {"dvd/refresh", 65, 32, Glyph::None, false, {QStringLiteral("更新"), 13}, {"Refresh", 13}},
        {"dvd/select_all", 65, 32, Glyph::None, false, {QStringLiteral("全選択"), 13}, {"Select all", 13}},
        {"dvd/unselect_all", 85, 32, Glyph::None, false, {QStringLiteral("全選択解除"), 13}, {"Clear all", 13}},
        {"common/ok", 65, 38, Glyph::None, false, {QStringLiteral("OK"), 14}, {"OK", 14}},
        {"common/cancel", 84, 38, Glyph::None, false, {QStringLiteral("キャンセル"), 14}, {"Cancel", 14}},
        {"config/select_dir", 65, 32, Glyph::None, false, {QStringLiteral("選択"), 13}, {"Select", 13}},
    };
    return buttons;
}

namespace {

// The pressed face is drawn 1 pixel up-left of the hover face and 1 pixel
// smaller: the button shows it 2 pixels right and down, so its top-left edge
// sinks in while its bottom-right edge meets the hover face's, inside the
// control even where the button is one pixel narrower than the picture.
QRectF FaceRect(const ButtonDesign& design, ButtonLook look)
{
    if (look == ButtonLook::Down)
        return QRectF(0.5, 0.5, design.Width - 4, design.Height - 4);
    return QRectF(1.5, 1.5, design.Width - 3, design.Height - 3);
}

void DrawFace(QPainter& p, const QRectF& face, ButtonLook look)
{
    const qreal radius = face.height() < 24 ? 3 : 4;
    QLinearGradient fill(face.topLeft(), face.bottomLeft());
    if (look == ButtonLook::Over) {
        fill.setColorAt(0, OverTop);
        fill.setColorAt(1, OverBottom);
        p.setPen(QPen(OverBorder, 1));
    } else {
        fill.setColorAt(0, DownTop);
        fill.setColorAt(1, DownBottom);
        p.setPen(QPen(DownBorder, 1));
    }
    p.setBrush(fill);
    p.drawRoundedRect(face, radius, radius);
    if (look == ButtonLook::Down) {
        // Inner shadow under the top edge: the face lies lower than its rim.
        p.setPen(QPen(DownShade, 1));
        p.drawLine(QPointF(face.left() + radius, face.top() + 1.5),
                   QPointF(face.right() - radius, face.top() + 1.5));
    }
}

} // namespace

namespace {

// Where the glyph and the label go: centred together on the face's pixel
// centre; the text by its visible ink, not by the font's line box, so
// Japanese and Latin labels sit alike.
struct Placement {
    QRectF Face;
    qreal GlyphSize;
    qreal Gap;
    qreal Left;
    qreal Total;
    qreal Baseline;
};

Placement Place(const ButtonDesign& design, const Label& label, ButtonLook look)
{
    const QFontMetrics metrics(Gothic(label.FontPixels));
    const QRect ink = metrics.tightBoundingRect(label.Text);
    Placement at;
    at.Face = FaceRect(design, look);
    at.GlyphSize = design.Icon == Glyph::None ? 0 : label.FontPixels + 2;
    at.Gap = design.Icon == Glyph::None ? 0 : (design.Width < 70 ? 3 : 6);
    at.Total = at.GlyphSize + at.Gap + metrics.horizontalAdvance(label.Text);
    at.Left = std::round(at.Face.center().x() - at.Total / 2);
    at.Baseline = std::round(at.Face.center().y() - ink.top() - ink.height() / 2.0);
    return at;
}

} // namespace

bool LabelFits(const ButtonDesign& design, Language language)
{
    // The pressed face is the smaller one; two pixels of air on each side.
    const Placement at = Place(design, design.In(language), ButtonLook::Down);
    return at.Total <= at.Face.width() - 4;
}

QImage RenderButton(const ButtonDesign& design, Language language, ButtonLook look)
{
    if (look == ButtonLook::Over && design.OverIsDown)
        look = ButtonLook::Down;

    QImage image(design.Width, design.Height, QImage::Format_RGB32);
    image.fill(Ground);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    const Label& label = design.In(language);
    const Placement at = Place(design, label, look);
    if (look != ButtonLook::Normal)
        DrawFace(p, at.Face, look);

    p.setFont(Gothic(label.FontPixels));
    if (design.Icon != Glyph::None) {
        const QColor glyphColour = look == ButtonLook::Normal ? Indigo : Indigo.darker(115);
        DrawGlyph(p, design.Icon, QPointF(at.Left, std::round(at.Face.center().y() - at.GlyphSize / 2)),
                  at.GlyphSize, glyphColour);
    }
    p.setPen(look == ButtonLook::Normal ? Ink : QColor(22, 40, 72));
    p.drawText(QPointF(at.Left + at.GlyphSize + at.Gap, at.Baseline), label.Text);
    p.end();
    return image;
}

} // namespace artwork
