#include "Art.h"
#include "Look.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

#include <cmath>

namespace artwork {

const std::vector<ButtonDesign>& Buttons()
{
    static const std::vector<ButtonDesign> buttons = {
        {"main/add_file", 126, 38, QStringLiteral("ファイル追加"), Glyph::AddFile, 14, false},
        {"main/add_dvd", 126, 38, QStringLiteral("DVD追加"), Glyph::AddDisc, 14, false},
        {"main/list_delete", 65, 38, QStringLiteral("削除"), Glyph::Delete, 14, false},
        {"main/config", 65, 38, QStringLiteral("設定"), Glyph::Settings, 14, false},
        {"main/convert_cancel", 65, 21, QStringLiteral("中止"), Glyph::Stop, 12, true},
        {"main/convert_movie", 127, 38, QStringLiteral("MP4変換"), Glyph::Film, 14, false},
        {"main/convert_walkman", 127, 38, QStringLiteral("WALKMAN転送"), Glyph::Player, 13, true},
        {"main/convert_music", 127, 38, QStringLiteral("MP3変換"), Glyph::Note, 14, false},
        {"dvd/refresh", 65, 32, QStringLiteral("更新"), Glyph::None, 13, false},
        {"dvd/select_all", 65, 32, QStringLiteral("全選択"), Glyph::None, 13, false},
        {"dvd/unselect_all", 85, 32, QStringLiteral("全選択解除"), Glyph::None, 13, false},
        {"common/ok", 65, 38, QStringLiteral("OK"), Glyph::None, 14, false},
        {"common/cancel", 84, 38, QStringLiteral("キャンセル"), Glyph::None, 14, false},
        {"config/select_dir", 65, 32, QStringLiteral("選択"), Glyph::None, 13, false},
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

QImage RenderButton(const ButtonDesign& design, ButtonLook look)
{
    if (look == ButtonLook::Over && design.OverIsDown)
        look = ButtonLook::Down;

    QImage image(design.Width, design.Height, QImage::Format_RGB32);
    image.fill(Ground);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    const QRectF face = FaceRect(design, look);
    if (look != ButtonLook::Normal)
        DrawFace(p, face, look);

    const QFont font = Gothic(design.FontPixels);
    p.setFont(font);
    const QFontMetrics metrics(font);
    const QRect ink = metrics.tightBoundingRect(design.Label);
    const int textWidth = metrics.horizontalAdvance(design.Label);
    const qreal glyphSize = design.Icon == Glyph::None ? 0 : design.FontPixels + 2;
    const qreal gap = design.Icon == Glyph::None ? 0 : (design.Width < 70 ? 3 : 6);
    const qreal total = glyphSize + gap + textWidth;

    // Centred on the face's pixel centre; text by its visible ink, not by
    // the font's line box, so Japanese and Latin labels sit alike.
    const qreal centreX = face.center().x();
    const qreal centreY = face.center().y();
    const qreal left = std::round(centreX - total / 2);
    if (design.Icon != Glyph::None) {
        const QColor glyphColour = look == ButtonLook::Normal ? Indigo : Indigo.darker(115);
        DrawGlyph(p, design.Icon, QPointF(left, std::round(centreY - glyphSize / 2)), glyphSize,
                  glyphColour);
    }
    const qreal baseline = std::round(centreY - ink.top() - ink.height() / 2.0);
    p.setPen(look == ButtonLook::Normal ? Ink : QColor(22, 40, 72));
    p.drawText(QPointF(left + glyphSize + gap, baseline), design.Label);
    p.end();
    return image;
}

} // namespace artwork
