#include "ui/imagebutton.h"

#include <QCursor>
#include <QEnterEvent>
#include <QEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <qdrawutil.h>

#include "ui/ArtworkLanguage.h"
#include "ui/ImageButtonAccessible.h"

namespace movarin {

namespace {

// Integer halving that truncates toward zero, so a picture one pixel wider
// than its button still starts at 0 (half of -1 is 0).
constexpr int Half(int n) { return n / 2; }

} // namespace

TImageButtonPlacement PlaceImageButton(QSize button, QSize imageSize, bool hasCaption,
                                       QSize captionSize, TImageButtonLayout layout, bool pressed)
{
    const int W = button.width();
    const int H = button.height();
    const int w = imageSize.width();
    int h = imageSize.height();
    int cx = 0, cy = 0;
    if (hasCaption) {
        cx = captionSize.width();
        cy = captionSize.height();
        h += 4;
    }
    const int off = pressed ? 2 : 0;

    int imageX = Half(W - w) + off;
    int captionX = Half(W - cx) + off;
    int captionY = Half(H - cy);
    int imageY = Half(H - h);
    switch (layout) {
    case ibsImageAbove:
        imageY = Half(H - h - cy);
        captionY = imageY + h;
        break;
    case ibsImageBelow:
        captionY = Half(H - h - cy);
        imageY = captionY + cy;
        break;
    // Side by side the gap of 5 is left out of the centring, and the pressed
    // look moves the pair only downwards.
    case ibsImageLeft:
        imageX = Half(W - w - cx);
        captionX = imageX + w + 5;
        break;
    case ibsImageRight:
        captionX = Half(W - w - cx);
        imageX = captionX + cx + 5;
        break;
    }
    return {QPoint(imageX, imageY + off), QPoint(captionX, captionY + off)};
}

TPngPicture MakeDisabledImage(const TPngPicture& normal)
{
    // A button without a normal picture has nothing to dim.
    if (normal.Empty())
        return {};
    TPngPicture dimmed = normal;
    dimmed.AddAlpha();
    if (dimmed.ColorType() == TPngColorType::Palette)
        return dimmed;
    for (int y = 0; y < dimmed.Height(); ++y)
        for (int x = 0; x < dimmed.Width(); ++x)
            dimmed.SetAlpha(x, y, static_cast<std::uint8_t>(dimmed.Alpha(x, y) / 3));
    return dimmed;
}

} // namespace movarin

TImageButton::TImageButton(QWidget* parent) : QWidget(parent)
{
    movarin::InstallImageButtonAccessibility();
    resize(23, 23);
    // Tab reaches it, a click does not give it the focus.
    setFocusPolicy(Qt::TabFocus);
    // Moves without a held button set the hover look, as on a system that
    // reports every move over a control.
    setMouseTracking(true);
}

void TImageButton::SetButtonStyle(TImageButtonStyle style)
{
    Style_ = style;
    Redraw();
}

void TImageButton::SetButtonLayout(TImageButtonLayout layout)
{
    Layout_ = layout;
    Redraw();
}

void TImageButton::SetCaption(const QString& caption)
{
    Caption_ = caption;
    Redraw();
}

void TImageButton::SetImageNormal(const TPngPicture& image)
{
    ImageNormal_ = image;
    ImageDisabled_ = movarin::MakeDisabledImage(ImageNormal_);
    Redraw();
}

void TImageButton::SetImageDown(const TPngPicture& image)
{
    ImageDown_ = image;
    Redraw();
}

void TImageButton::SetImageOver(const TPngPicture& image)
{
    ImageOver_ = image;
    Redraw();
}

void TImageButton::LoadImages(const QString& name)
{
    const QString base = movarin::ArtworkPath(name);
    // All three are read before any is set, so a missing one leaves the
    // button as it was.
    const TPngPicture normal = TPngPicture::Load(base + QStringLiteral("_normal.png"));
    const TPngPicture over = TPngPicture::Load(base + QStringLiteral("_over.png"));
    const TPngPicture down = TPngPicture::Load(base + QStringLiteral("_down.png"));
    SetImageNormal(normal);
    SetImageOver(over);
    SetImageDown(down);
}

void TImageButton::SetButtonState(TImageButtonState state)
{
    State_ = state;
    Redraw();
}

void TImageButton::Redraw()
{
    // The control covers only part of its rectangle, so Qt repaints the
    // parent's picture beneath it first.
    repaint();
}

const TPngPicture& TImageButton::ChooseImage(bool pressed) const
{
    if (pressed && !ImageDown_.Empty())
        return ImageDown_;
    if (MouseOver_ && !ImageOver_.Empty() && isEnabled())
        return ImageOver_;
    if (State_ == ibsStateDisabled && !ImageDisabled_.Empty())
        return ImageDisabled_;
    return ImageNormal_;
}

void TImageButton::PaintFrame(QPainter& painter, bool pressed, QRect& captionClip) const
{
    const QRect r = rect();
    switch (Style_) {
    case ibsDefault: {
        const QBrush face = palette().brush(QPalette::Button);
        qDrawWinButton(&painter, r, palette(), pressed, &face);
        break;
    }
    case ibsFlat: {
        if (State_ == ibsStateDisabled)
            break;
        QColor topLeft, bottomRight;
        if (pressed) {
            topLeft = palette().color(QPalette::Dark);
            bottomRight = palette().color(QPalette::Light);
        } else if (MouseOver_ || State_ == ibsStateDown) {
            topLeft = palette().color(QPalette::Light);
            bottomRight = palette().color(QPalette::Dark);
        } else {
            break;
        }
        const int right = r.width() - 1, bottom = r.height() - 1;
        painter.setPen(topLeft);
        painter.drawLine(0, 0, right - 1, 0);
        painter.drawLine(0, 0, 0, bottom - 1);
        painter.setPen(bottomRight);
        painter.drawLine(0, bottom, right, bottom);
        painter.drawLine(right, 0, right, bottom);
        captionClip = r.adjusted(1, 1, -1, -1);
        break;
    }
    case ibsNoFrame: break;
    }
}

void TImageButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    const bool pressed = State_ == ibsStateDown && MouseOver_;
    const TPngPicture& image = ChooseImage(pressed);

    const QFontMetrics metrics(font());
    const bool hasCaption = !Caption_.isEmpty();
    const QSize captionSize = hasCaption ? QSize(metrics.horizontalAdvance(Caption_), metrics.height())
                                         : QSize(0, 0);
    const movarin::TImageButtonPlacement at = movarin::PlaceImageButton(
        size(), QSize(image.Width(), image.Height()), hasCaption, captionSize, Layout_, pressed);

    QRect captionClip = rect();
    PaintFrame(painter, pressed, captionClip);

    painter.setBackgroundMode(Qt::TransparentMode);
    image.Draw(painter, at.Image.x(), at.Image.y());

    if (hasCaption) {
        // The disabled group's text colour is the toolkit's "grey text".
        painter.save();
        painter.setPen(State_ == ibsStateDisabled
                           ? palette().color(QPalette::Disabled, QPalette::WindowText)
                           : palette().color(QPalette::WindowText));
        painter.setClipRect(captionClip);
        painter.drawText(at.Caption.x(), at.Caption.y() + metrics.ascent(), Caption_);
        painter.restore();
    }
    if (ShowsFocusMark())
        PaintFocusMark(painter);
}

bool TImageButton::ShowsFocusMark() const
{
    return KeyboardFocus_ && hasFocus();
}

void TImageButton::PaintFocusMark(QPainter& painter) const
{
    // Dots of the text colour over a line of the base colour alternate dark
    // and light, so the mark shows on any picture.
    const QRect mark = rect().adjusted(1, 1, -2, -2);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(palette().color(QPalette::Base), 1));
    painter.drawRect(mark);
    QPen dots(palette().color(QPalette::WindowText), 1);
    dots.setDashPattern({1, 1});
    painter.setPen(dots);
    painter.drawRect(mark);
}

void TImageButton::MouseDown(Qt::MouseButton button, QPoint pos)
{
    if (State_ == ibsStateUp && button == Qt::LeftButton)
        SetButtonState(ibsStateDown);
    emit OnMouseDown(this, button, pos);
}

void TImageButton::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    QPointer<TImageButton> self(this);
    TrackPointer(pos);
    if (!self)
        return;
    if (event->button() == Qt::LeftButton)
        ClickArmed_ = true;
    MouseDown(event->button(), pos);
}

void TImageButton::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const Qt::MouseButton button = event->button();
    QPointer<TImageButton> self(this);
    // The pointer may have left without a move in between; the release point
    // says where it is.
    TrackPointer(pos);
    if (!self)
        return;

    if (button == Qt::LeftButton && ClickArmed_) {
        ClickArmed_ = false;
        if (rect().contains(pos)) {
            Clicked();
            if (!self)
                return;
        }
    }
    if (State_ == ibsStateDown)
        SetButtonState(ibsStateUp);
    emit OnMouseUp(this, button, pos);
}

void TImageButton::Clicked()
{
    if (State_ == ibsStateDown)
        SetButtonState(ibsStateUp);
    emit OnClick(this);
}

void TImageButton::Click()
{
    if (isEnabled())
        Clicked();
}

void TImageButton::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Select:
        // With Ctrl, Alt or Shift the key belongs to a shortcut of the window.
        if (event->modifiers() & ~Qt::KeypadModifier)
            break;
        // A held key clicks once.
        if (!event->isAutoRepeat())
            Click();
        return;
    default: break;
    }
    QWidget::keyPressEvent(event);
}

void TImageButton::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    switch (event->reason()) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason: KeyboardFocus_ = true; break;
    // The focus comes back to where it was, after a dialog or a menu: the
    // mark comes back as it was.
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason: break;
    default: KeyboardFocus_ = false; break;
    }
    update();
}

void TImageButton::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

void TImageButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Qt delivers the second press of a double click as this event alone (some
    // platforms send a press before it); either way the release that follows
    // must not click a second time. Only the left button double-clicks; for
    // any other the event is just its second press.
    if (event->button() != Qt::LeftButton) {
        mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    QPointer<TImageButton> self(this);
    ClickArmed_ = false;
    if (State_ == ibsStateUp) {
        // The second press, delivered only as the double click.
        MouseDown(Qt::LeftButton, pos);
        if (!self)
            return;
    }
    emit OnDblClick(this);
}

void TImageButton::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    QPointer<TImageButton> self(this);
    TrackPointer(pos);
    if (!self)
        return;
    // The row just below the control counts as inside, the column just right
    // of it does not.
    if (pos.x() >= 0 && pos.x() < width() && pos.y() >= 0 && pos.y() <= height() && !MouseOver_ &&
        State_ != ibsStateDown) {
        MouseOver_ = true;
        Redraw();
    }
    emit OnMouseMove(this, pos);
}

void TImageButton::TrackPointer(QPoint pos)
{
    const bool inside = rect().contains(pos);
    if (inside && !PointerInside_) {
        PointerInside_ = true;
        PointerEntered();
    } else if (!inside && PointerInside_) {
        PointerInside_ = false;
        PointerLeft();
    }
}

void TImageButton::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    if (PointerInside_)
        return; // already known from a move while the mouse was grabbed
    PointerInside_ = true;
    PointerEntered();
}

void TImageButton::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (!PointerInside_)
        return;
    PointerInside_ = false;
    PointerLeft();
}

void TImageButton::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Hidden, or its window closed: no leave will come, yet the pointer is
    // no longer over it. Quietly, as no handler is called: this also runs
    // while the window is being destroyed.
    ClickArmed_ = false;
    if (State_ == ibsStateDown)
        State_ = ibsStateUp;
    PointerInside_ = false;
    MouseOver_ = false;
}

void TImageButton::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Shown under the pointer, the hover look is right at once.
    TrackPointer(mapFromGlobal(QCursor::pos()));
}

void TImageButton::PointerEntered()
{
    if (!isEnabled())
        return;
    QPointer<TImageButton> self(this);
    emit OnMouseEnter(this);
    if (!self)
        return;
    MouseOver_ = true;
    Redraw();
}

void TImageButton::PointerLeft()
{
    if (!isEnabled())
        return;
    QPointer<TImageButton> self(this);
    emit OnMouseExit(this);
    if (!self)
        return;
    MouseOver_ = false;
    Redraw();
}

void TImageButton::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    if (!isEnabled()) {
        ImageDisabled_ = movarin::MakeDisabledImage(ImageNormal_);
        // A press that was under way when the control was disabled can no
        // longer end in a click.
        ClickArmed_ = false;
    }
    SetButtonState(isEnabled() ? ibsStateUp : ibsStateDisabled);
}
