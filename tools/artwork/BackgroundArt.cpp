#include "Art.h"
#include "Look.h"

#include <QFontMetrics>
#include <QPainter>

namespace artwork {

namespace {

QImage Ground24(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Ground);
    return image;
}

void AccentLine(QPainter& p, int width)
{
    p.fillRect(QRect(0, 0, width, 2), Indigo);
}

void HRule(QPainter& p, int x0, int x1, int y)
{
    p.fillRect(QRect(x0, y, x1 - x0 + 1, 1), Rule);
}

// A one-pixel frame just outside a native list the window puts at `inner`.
void ListFrame(QPainter& p, const QRect& inner)
{
    p.setPen(FrameLine);
    p.setBrush(Qt::NoBrush);
    p.drawRect(inner.adjusted(-1, -1, 0, 0));
}

// A section caption: a short indigo bar, then the text, its ink ending just
// above `bottom`.
void Caption(QPainter& p, int x, int bottom, const QString& text)
{
    const QFont font = Gothic(13);
    p.setFont(font);
    const QFontMetrics metrics(font);
    const QRect ink = metrics.tightBoundingRect(text);
    const int baseline = bottom - 1 - (ink.bottom());
    p.fillRect(QRect(x, baseline + ink.top(), 3, ink.height()), Indigo);
    p.setPen(Ink);
    p.drawText(QPoint(x + 8, baseline), text);
}

// Text whose ink is centred on the row `centreY`, starting at x.
void RowText(QPainter& p, int x, int centreY, const QString& text, int pixels)
{
    const QFont font = Gothic(pixels);
    p.setFont(font);
    const QRect ink = QFontMetrics(font).tightBoundingRect(text);
    p.setPen(Ink);
    p.drawText(QPoint(x, centreY - ink.top() - ink.height() / 2), text);
}

} // namespace

QImage RenderMainBackground()
{
    QImage image = Ground24(474, 277);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    AccentLine(p, 474);
    HRule(p, 18, 456, 55);
    ListFrame(p, QRect(20, 63, 315, 171));
    // Video above, sound below.
    HRule(p, 348, 461, 172);
    HRule(p, 18, 456, 240);
    return image;
}

QImage RenderDvdBackground(Language language)
{
    const Words drive{QStringLiteral("ドライブ"), QStringLiteral("Drive")};
    const Words chapters{QStringLiteral("チャプター"), QStringLiteral("Chapters")};
    QImage image = Ground24(314, 311);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    AccentLine(p, 314);
    Caption(p, 20, 33, drive.In(language));
    Caption(p, 20, 89, chapters.In(language));
    ListFrame(p, QRect(20, 94, 274, 110));
    HRule(p, 16, 296, 256);
    return image;
}

QImage RenderConfigBackground(const ConfigLayout& layout)
{
    QImage image = Ground24(layout.Width, layout.Height);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    AccentLine(p, layout.Width);

    // Each caption's ink is centred on its control's row.
    const QFont font = Gothic(13);
    for (const ConfigLayout::Row& row : layout.Rows) {
        p.setFont(font);
        const QRect ink = QFontMetrics(font).tightBoundingRect(row.Caption);
        const int baseline = row.CentreY - ink.top() - ink.height() / 2;
        p.fillRect(QRect(24, baseline + ink.top(), 3, ink.height()), Indigo);
        p.setPen(Ink);
        p.drawText(QPoint(32, baseline), row.Caption);
        HRule(p, 20, layout.Width - 20, row.RuleY);
    }
    for (const ConfigLayout::Wording& wording : layout.Wordings)
        RowText(p, wording.X, wording.CentreY, wording.Text, 12);
    return image;
}

ConfigLayout JapaneseConfigLayout()
{
    return {474,
            475,
            {{QStringLiteral("画質設定："), 39, 70},
             {QStringLiteral("画面比率："), 102, 136},
             {QStringLiteral("保存先："), 170, 219},
             {QStringLiteral("字幕："), 252, 285},
             {QStringLiteral("音量："), 318, 351},
             {QStringLiteral("言語："), 384, 417}},
            {{124, 197, QStringLiteral("変換後に保存先を開く")}, {139, 318, QStringLiteral("音量をそろえる")}}};
}

ConfigLayout EnglishConfigLayout()
{
    // Captions end before the controls at x 105; the wording stays inside
    // its click area (x 121 to 272).
    return {474,
            475,
            {{QStringLiteral("Quality:"), 39, 70},
             {QStringLiteral("Screen:"), 102, 136},
             {QStringLiteral("Save to:"), 170, 219},
             {QStringLiteral("Subtitles:"), 252, 285},
             {QStringLiteral("Volume:"), 318, 351},
             {QStringLiteral("Language:"), 384, 417}},
            {{124, 197, QStringLiteral("Open folder when done")}, {139, 318, QStringLiteral("Even out volume")}}};
}

} // namespace artwork
