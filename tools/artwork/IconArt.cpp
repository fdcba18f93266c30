#include "Art.h"
#include "Look.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

namespace artwork {

QImage RenderIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 64.0, size / 64.0); // drawn on a 64-unit grid

    // Indigo tile, a light screen, a play mark: a video tool at a glance.
    const bool tiny = size <= 16;
    const QRectF tile = tiny ? QRectF(0, 0, 64, 64) : QRectF(3, 3, 58, 58);
    p.setPen(Qt::NoPen);
    p.setBrush(Indigo);
    p.drawRoundedRect(tile, 12, 12);
    p.setBrush(Ground);
    const QRectF screen = tiny ? QRectF(8, 12, 48, 40) : QRectF(12, 15, 40, 30);
    p.drawRoundedRect(screen, 4, 4);
    QPainterPath play;
    const QPointF c = screen.center();
    const qreal r = tiny ? 13 : 9;
    play.moveTo(c.x() - r * 0.6, c.y() - r);
    play.lineTo(c.x() + r * 0.95, c.y());
    play.lineTo(c.x() - r * 0.6, c.y() + r);
    play.closeSubpath();
    p.setBrush(Indigo);
    p.drawPath(play);
    if (!tiny) {
        // A bar under the screen: the player's strip of controls.
        p.setBrush(IndigoSoft.lighter(130));
        p.drawRoundedRect(QRectF(20, 50, 24, 4), 2, 2);
    }
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

namespace {

void PutU16(QByteArray& out, quint16 v)
{
    const quint16 le = qToLittleEndian(v);
    out.append(reinterpret_cast<const char*>(&le), 2);
}

void PutU32(QByteArray& out, quint32 v)
{
    const quint32 le = qToLittleEndian(v);
    out.append(reinterpret_cast<const char*>(&le), 4);
}

// An 8-bit device-independent bitmap with its transparency mask, as icon
// files store them: height doubled, rows bottom-up, each row padded to 4 bytes.
QByteArray Dib256(const QImage& argb)
{
    const int n = argb.width();
    QImage opaque(n, n, QImage::Format_RGB32);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const QRgb px = argb.pixel(x, y);
            opaque.setPixel(x, y, qRgb(qRed(px), qGreen(px), qBlue(px)));
        }
    const QImage indexed = opaque.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    const QList<QRgb> table = indexed.colorTable();

    const int maskRow = ((n + 31) / 32) * 4;
    QByteArray dib;
    PutU32(dib, 40);
    PutU32(dib, static_cast<quint32>(n));
    PutU32(dib, static_cast<quint32>(2 * n));
    PutU16(dib, 1);
    PutU16(dib, 8);
    PutU32(dib, 0);
    PutU32(dib, static_cast<quint32>(n * n + maskRow * n));
    PutU32(dib, 0);
    PutU32(dib, 0);
    PutU32(dib, 256);
    PutU32(dib, 0);
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < table.size() ? table[i] : qRgb(0, 0, 0);
        dib.append(static_cast<char>(qBlue(c)));
        dib.append(static_cast<char>(qGreen(c)));
        dib.append(static_cast<char>(qRed(c)));
        dib.append('\0');
    }
    for (int y = n - 1; y >= 0; --y)
        dib.append(reinterpret_cast<const char*>(indexed.constScanLine(y)), n);
    for (int y = n - 1; y >= 0; --y) {
        QByteArray row(maskRow, '\0');
        for (int x = 0; x < n; ++x)
            if (qAlpha(argb.pixel(x, y)) < 128)
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        dib.append(row);
    }
    return dib;
}

QByteArray Png32(const QImage& argb)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "PNG");
    writer.setQuality(0);
    writer.write(argb);
    return png;
}

} // namespace

QByteArray BuildIco()
{
    struct Entry { int Size; int Bits; QByteArray Data; };
    std::vector<Entry> entries;
    for (int size : {256, 48, 32, 16})
        entries.push_back({size, 8, Dib256(RenderIcon(size))});
    entries.push_back({256, 32, Png32(RenderIcon(256))});

    QByteArray ico;
    PutU16(ico, 0);
    PutU16(ico, 1); // icon
    PutU16(ico, static_cast<quint16>(entries.size()));
    quint32 offset = 6 + 16 * static_cast<quint32>(entries.size());
    for (const Entry& e : entries) {
        ico.append(static_cast<char>(e.Size == 256 ? 0 : e.Size));
        ico.append(static_cast<char>(e.Size == 256 ? 0 : e.Size));
        ico.append('\0'); // colour count: 0 for 256 colours and more
        ico.append('\0');
        PutU16(ico, 1);
        PutU16(ico, static_cast<quint16>(e.Bits));
        PutU32(ico, static_cast<quint32>(e.Data.size()));
        PutU32(ico, offset);
        offset += static_cast<quint32>(e.Data.size());
    }
    for (const Entry& e : entries)
        ico.append(e.Data);
    return ico;
}

} // namespace artwork
