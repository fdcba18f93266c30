#include "Glyphs.h"

#include <QPainterPath>
#include <QtMath>

namespace artwork {

namespace {

void Plus(QPainter& p, QPointF centre, qreal r)
{
    p.drawLine(QPointF(centre.x() - r, centre.y()), QPointF(centre.x() + r, centre.y()));
    p.drawLine(QPointF(centre.x(), centre.y() - r), QPointF(centre.x(), centre.y() + r));
}

} // namespace

void DrawGlyph(QPainter& p, Glyph glyph, QPointF at, qreal s, const QColor& colour)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(at);
    QPen pen(colour, s / 11.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const qreal u = s / 16.0; // glyphs are designed on a 16-unit grid

    switch (glyph) {
    case Glyph::None:
        break;
    case Glyph::AddFile: {
        QPainterPath page;
        page.moveTo(2.5 * u, 1 * u);
        page.lineTo(9 * u, 1 * u);
        page.lineTo(12.5 * u, 4.5 * u);
        page.lineTo(12.5 * u, 15 * u);
        page.lineTo(2.5 * u, 15 * u);
        page.closeSubpath();
        p.drawPath(page);
        p.drawLine(QPointF(9 * u, 1 * u), QPointF(9 * u, 4.5 * u));
        p.drawLine(QPointF(9 * u, 4.5 * u), QPointF(12.5 * u, 4.5 * u));
        p.setBrush(colour);
        p.drawEllipse(QPointF(12 * u, 12 * u), 3.6 * u, 3.6 * u);
        p.setPen(QPen(Qt::white, s / 11.0, Qt::SolidLine, Qt::RoundCap));
        Plus(p, QPointF(12 * u, 12 * u), 1.8 * u);
        break;
    }
    case Glyph::AddDisc: {
        p.drawEllipse(QPointF(7.5 * u, 8 * u), 6.5 * u, 6.5 * u);
        p.drawEllipse(QPointF(7.5 * u, 8 * u), 1.8 * u, 1.8 * u);
        p.setBrush(colour);
        p.drawEllipse(QPointF(12.5 * u, 12.5 * u), 3.4 * u, 3.4 * u);
        p.setPen(QPen(Qt::white, s / 11.0, Qt::SolidLine, Qt::RoundCap));
        Plus(p, QPointF(12.5 * u, 12.5 * u), 1.7 * u);
        break;
    }
    case Glyph::Delete: {
        p.drawLine(QPointF(2 * u, 4 * u), QPointF(14 * u, 4 * u));
        p.drawLine(QPointF(6 * u, 4 * u), QPointF(6.5 * u, 2 * u));
        p.drawLine(QPointF(6.5 * u, 2 * u), QPointF(9.5 * u, 2 * u));
        p.drawLine(QPointF(9.5 * u, 2 * u), QPointF(10 * u, 4 * u));
        QPainterPath bin;
        bin.moveTo(3.5 * u, 4 * u);
        bin.lineTo(4.5 * u, 15 * u);
        bin.lineTo(11.5 * u, 15 * u);
        bin.lineTo(12.5 * u, 4 * u);
        p.drawPath(bin);
        p.drawLine(QPointF(6.5 * u, 7 * u), QPointF(6.8 * u, 12.5 * u));
        p.drawLine(QPointF(9.5 * u, 7 * u), QPointF(9.2 * u, 12.5 * u));
        break;
    }
    case Glyph::Settings: {
        const QPointF c(8 * u, 8 * u);
        QPainterPath gear;
        const int teeth = 8;
        for (int i = 0; i < teeth * 2; ++i) {
            // Alternating outer and inner radius gives square-ish teeth.
            const qreal a0 = (i - 0.5) * M_PI / teeth, a1 = (i + 0.5) * M_PI / teeth;
            const qreal r = (i % 2 == 0) ? 7.0 * u : 5.4 * u;
            const QPointF p0(c.x() + r * qCos(a0), c.y() + r * qSin(a0));
            const QPointF p1(c.x() + r * qCos(a1), c.y() + r * qSin(a1));
            if (i == 0)
                gear.moveTo(p0);
            else
                gear.lineTo(p0);
            gear.lineTo(p1);
        }
        gear.closeSubpath();
        p.drawPath(gear);
        p.drawEllipse(c, 2.2 * u, 2.2 * u);
        break;
    }
    case Glyph::Film: {
        p.drawRoundedRect(QRectF(1 * u, 2.5 * u, 14 * u, 11 * u), 1.5 * u, 1.5 * u);
        p.setBrush(colour);
        QPainterPath play;
        play.moveTo(6.3 * u, 5.3 * u);
        play.lineTo(11 * u, 8 * u);
        play.lineTo(6.3 * u, 10.7 * u);
        play.closeSubpath();
        p.drawPath(play);
        break;
    }
    case Glyph::Player: {
        p.drawRoundedRect(QRectF(3.5 * u, 0.8 * u, 9 * u, 14.4 * u), 2 * u, 2 * u);
        p.drawRect(QRectF(5.5 * u, 3 * u, 5 * u, 5.5 * u));
        p.drawEllipse(QPointF(8 * u, 11.6 * u), 1.5 * u, 1.5 * u);
        break;
    }
    case Glyph::Note: {
        p.setBrush(colour);
        p.drawEllipse(QPointF(4.5 * u, 12.5 * u), 2.6 * u, 2.1 * u);
        p.drawEllipse(QPointF(12 * u, 11 * u), 2.6 * u, 2.1 * u);
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(7 * u, 12.2 * u), QPointF(7 * u, 2.5 * u));
        p.drawLine(QPointF(14.5 * u, 10.7 * u), QPointF(14.5 * u, 1 * u));
        p.setPen(QPen(colour, s / 7.0, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(7 * u, 3 * u), QPointF(14.5 * u, 1.5 * u));
        break;
    }
    case Glyph::Stop: {
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(3 * u, 3 * u, 10 * u, 10 * u), 1.5 * u, 1.5 * u);
        break;
    }
    }
    p.restore();
}

} // namespace artwork
