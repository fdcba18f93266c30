#pragma once
// Small line pictograms drawn beside the labels of the main window's buttons.
#include <QPainter>
#include <QPointF>

namespace artwork {

enum class Glyph { None, AddFile, AddDisc, Delete, Settings, Film, Player, Note, Stop };

// Draws the glyph into a box of `size` pixels whose top-left corner is `at`.
void DrawGlyph(QPainter& painter, Glyph glyph, QPointF at, qreal size, const QColor& colour);

} // namespace artwork
