#pragma once
// The button of every window: draws one of its pictures (normal, hover,
// pressed, or a dimmed copy of the normal one when disabled), an optional
// caption and an optional frame over its parent's picture, and reports a click
// when the left button is pressed and released on it. It takes the focus by
// Tab only, so a mouse user never sees its focus mark, and Space or Enter
// click it like the left button does.
#include "ui/PngPicture.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <QWidget>

#include <cstdint>

enum TImageButtonStyle : std::uint8_t { ibsDefault, ibsFlat, ibsNoFrame };
enum TImageButtonLayout : std::uint8_t { ibsImageAbove, ibsImageBelow, ibsImageLeft, ibsImageRight };
enum TImageButtonState : std::uint8_t { ibsStateUp, ibsStateDown, ibsStateDisabled };

namespace movarin {

// Where the picture and the caption go inside a button of the given size.
struct TImageButtonPlacement {
    QPoint Image;
    QPoint Caption;
};

// Pure placement rule. imageSize is the chosen picture's size (0 x 0 when there
// is none), captionSize the caption's text extent (ignored without caption).
TImageButtonPlacement PlaceImageButton(QSize button, QSize imageSize, bool hasCaption,
                                       QSize captionSize, TImageButtonLayout layout, bool pressed);

// The dimmed copy shown while disabled: alpha div 3 on every pixel, after
// giving the picture an alpha channel. Palette pictures only become opaque.
TPngPicture MakeDisabledImage(const TPngPicture& normal);

} // namespace movarin

class TImageButton : public QWidget {
    Q_OBJECT
public:
    explicit TImageButton(QWidget* parent); // 23 x 23, ibsDefault, ibsImageAbove

    void SetButtonStyle(TImageButtonStyle style);
    TImageButtonStyle ButtonStyle() const { return Style_; }
    void SetButtonLayout(TImageButtonLayout layout);
    TImageButtonLayout ButtonLayout() const { return Layout_; }
    void SetCaption(const QString& caption);
    QString Caption() const { return Caption_; }

    void SetImageNormal(const TPngPicture& image);
    void SetImageDown(const TPngPicture& image);
    void SetImageOver(const TPngPicture& image);
    const TPngPicture& ImageNormal() const { return ImageNormal_; }
    const TPngPicture& ImageDown() const { return ImageDown_; }
    const TPngPicture& ImageOver() const { return ImageOver_; }
    const TPngPicture& ImageDisabled() const { return ImageDisabled_; }

    TImageButtonState ButtonState() const { return State_; }
    bool MouseOver() const { return MouseOver_; }

    int Tag() const { return Tag_; }
    void SetTag(int tag) { Tag_ = tag; }

    // Runs OnClick as a click with the left button does, when the control is
    // enabled: for the keyboard and for assistive technology.
    void Click();
    // The focus mark shows: the control has the focus and got it from the keyboard.
    bool ShowsFocusMark() const;

    // Loads "<name>_normal.png", "_over.png", "_down.png" of the chosen
    // language's artwork (ArtworkLanguage.h) into the three images; throws movarin::PngError when one cannot be read.
    void LoadImages(const QString& name);

signals:
    void OnClick(TImageButton* Sender);
    void OnDblClick(TImageButton* Sender);
    void OnMouseDown(TImageButton* Sender, Qt::MouseButton Button, QPoint Pos);
    void OnMouseUp(TImageButton* Sender, Qt::MouseButton Button, QPoint Pos);
    void OnMouseMove(TImageButton* Sender, QPoint Pos);
    void OnMouseEnter(TImageButton* Sender);
    void OnMouseExit(TImageButton* Sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void SetButtonState(TImageButtonState state);
    void Redraw();
    const TPngPicture& ChooseImage(bool pressed) const;
    void PaintFrame(QPainter& painter, bool pressed, QRect& captionClip) const;
    // Pointer entered / left, whether Qt reported it or a move while the
    // mouse is grabbed revealed it.
    void PointerEntered();
    void PointerLeft();
    void TrackPointer(QPoint pos);
    void MouseDown(Qt::MouseButton button, QPoint pos);
    // The release look, then OnClick: the one way every click ends.
    void Clicked();
    void PaintFocusMark(QPainter& painter) const;

    TImageButtonStyle Style_ = ibsDefault;
    TImageButtonLayout Layout_ = ibsImageAbove;
    TImageButtonState State_ = ibsStateUp;
    QString Caption_;
    TPngPicture ImageNormal_;
    TPngPicture ImageDown_;
    TPngPicture ImageOver_;
    TPngPicture ImageDisabled_;
    bool MouseOver_ = false;
    bool PointerInside_ = false; // where the pointer really is, even while disabled
    bool ClickArmed_ = false;    // the left button went down on this control
    bool KeyboardFocus_ = false; // the focus last came by Tab, Backtab or a shortcut
    int Tag_ = 0;
};
