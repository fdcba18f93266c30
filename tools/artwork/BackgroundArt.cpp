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

namespace {

// One row of the settings dialog: its caption, whose ink is centred on the
// row of its control, and the rule that closes the row below it.
struct ConfigRow {
    int CentreY;
    Words Caption;
    int RuleY;
};

// Words painted beside a control that shows none of its own (the check box).
struct ConfigNote {
    int X;
    int CentreY;
    Words Text;
};

const ConfigRow ConfigRows[] = {
    {39, {QStringLiteral("画質設定："), QStringLiteral("Quality:")}, 70},
    {102, {QStringLiteral("画面比率："), QStringLiteral("Screen:")}, 136},
    {170, {QStringLiteral("保存先："), QStringLiteral("Save to:")}, 219},
};

const ConfigNote ConfigNotes[] = {
    {124, 197, {QStringLiteral("変換後に保存先を開く"), QStringLiteral("Open folder when done")}},
};

void RowCaption(QPainter& p, int centreY, const QString& text)
{
    const QFont font = Gothic(13);
    p.setFont(font);
    const QRect ink = QFontMetrics(font).tightBoundingRect(text);
    const int baseline = centreY - ink.top() - ink.height() / 2;
    p.fillRect(QRect(24, baseline + ink.top(), 3, ink.height()), Indigo);
    p.setPen(Ink);
    p.drawText(QPoint(32, baseline), text);
}

} // namespace

QImage RenderConfigBackground(Language language)
{
    QImage image = Ground24(474, 277);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    AccentLine(p, 474);
    for (const ConfigRow& row : ConfigRows)
        RowCaption(p, row.CentreY, row.Caption.In(language));
    for (const ConfigRow& row : ConfigRows)
        HRule(p, 20, 454, row.RuleY);
    for (const ConfigNote& note : ConfigNotes)
        RowText(p, note.X, note.CentreY, note.Text.In(language), 12);
    return image;
}

} // namespace artwork
