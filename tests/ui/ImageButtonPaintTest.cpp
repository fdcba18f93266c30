// Where the button's pictures, caption and frame land, checked on pixels of
// an offscreen rendering.
#include "PngSamples.h"
#include "ui/imagebutton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <gtest/gtest.h>

using movarin::PlaceImageButton;

namespace {

constexpr QRgb Ground = 0xff204060; // the parent's picture
constexpr QRgb Red = 0xffff0000;
constexpr QRgb Blue = 0xff0000ff;
constexpr QRgb Green = 0xff00ff00;
constexpr QRgb Yellow = 0xffffff00;

// A parent that paints a uniform picture, as the windows paint theirs.
class Backdrop : public QWidget {
public:
    Backdrop() { resize(200, 120); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(Ground)); }
};

// Renders only the button's area, with the parent beneath it.
QImage Render(TImageButton& button)
{
    QWidget* parent = button.parentWidget();
    QImage image(button.size(), QImage::Format_RGB32);
    parent->render(&image, QPoint(), QRegion(button.geometry()));
    return image;
}

// Bounding box of the pixels of one colour.
QRect Find(const QImage& image, QRgb colour)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour)
                box |= QRect(x, y, 1, 1);
    return box;
}

// Puts the button into the pressed look the way the mouse would.
void Press(TImageButton& button)
{
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&button, &enter);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&button, &press);
    ASSERT_EQ(button.ButtonState(), ibsStateDown);
    ASSERT_TRUE(button.MouseOver());
}

struct Fixture {
    Backdrop parent;
    TImageButton* button = new TImageButton(&parent);
    Fixture(QRect geometry, TImageButtonLayout layout, TImageButtonStyle style = ibsNoFrame)
    {
        button->setGeometry(geometry);
        button->SetButtonLayout(layout);
        button->SetButtonStyle(style);
    }
};

} // namespace

TEST(ImageButtonPlacement, CaptionLayoutsCentreImageAndCaption)
{
    const QSize image(16, 16), caption(20, 12);
    auto above = PlaceImageButton({40, 40}, image, true, caption, ibsImageAbove, false);
    EXPECT_EQ(above.Image, QPoint(12, 4));
    EXPECT_EQ(above.Caption, QPoint(10, 24));
    above = PlaceImageButton({40, 40}, image, true, caption, ibsImageAbove, true);
    EXPECT_EQ(above.Image, QPoint(14, 6));
    EXPECT_EQ(above.Caption, QPoint(12, 26));

    auto left = PlaceImageButton({60, 20}, image, true, caption, ibsImageLeft, false);
    EXPECT_EQ(left.Image, QPoint(12, 0));
    EXPECT_EQ(left.Caption, QPoint(33, 4));
    left = PlaceImageButton({60, 20}, image, true, caption, ibsImageLeft, true);
    EXPECT_EQ(left.Image, QPoint(12, 2));
    EXPECT_EQ(left.Caption, QPoint(33, 6));

    const auto below = PlaceImageButton({40, 40}, image, true, caption, ibsImageBelow, false);
    EXPECT_EQ(below.Caption, QPoint(10, 4));
    EXPECT_EQ(below.Image, QPoint(12, 16));
    const auto right = PlaceImageButton({60, 20}, image, true, caption, ibsImageRight, true);
    EXPECT_EQ(right.Caption, QPoint(12, 6));
    EXPECT_EQ(right.Image, QPoint(37, 2));
}

TEST(ImageButtonPlacement, HalvingTruncatesTowardZero)
{
    // 84-wide picture in an 83-wide button: half of -1 is 0, not -1.
    EXPECT_EQ(PlaceImageButton({83, 38}, {84, 38}, false, {}, ibsImageAbove, false).Image, QPoint(0, 0));
    // half(-3) = -1
    EXPECT_EQ(PlaceImageButton({10, 10}, {13, 13}, false, {}, ibsImageAbove, false).Image, QPoint(-1, -1));
}

TEST(ImageButtonPaint, NormalAtOriginPressedShiftedAndCut)
{
    Fixture f({10, 10, 65, 32}, ibsImageAbove);
    f.button->SetImageNormal(pngsamples::Picture(pngsamples::EdgedRgb(65, 32, Red, Yellow)));
    f.button->SetImageDown(pngsamples::Picture(pngsamples::EdgedRgb(65, 32, Blue, Yellow)));

    QImage at = Render(*f.button);
    EXPECT_EQ(Find(at, Red), QRect(0, 0, 63, 30));
    EXPECT_EQ(at.pixel(64, 31), Yellow);

    Press(*f.button);
    at = Render(*f.button);
    EXPECT_EQ(Find(at, Blue), QRect(2, 2, 63, 30));
    EXPECT_TRUE(Find(at, Yellow).isNull()); // the picture's last two columns and rows are cut off
    EXPECT_EQ(at.pixel(0, 0), Ground);
    EXPECT_EQ(at.pixel(1, 20), Ground);
}

TEST(ImageButtonPaint, WiderPictureStartsAtZeroAndLosesItsLastColumn)
{
    Fixture f({0, 0, 83, 38}, ibsImageAbove);
    f.button->SetImageNormal(pngsamples::Picture(pngsamples::EdgedRgb(84, 38, Red, Yellow)));
    const QImage at = Render(*f.button);
    EXPECT_EQ(at.pixel(0, 0), Red);
    EXPECT_EQ(Find(at, Red).width(), 82);
    EXPECT_EQ(Find(at, Yellow).right(), 82); // column 83 of the picture is gone
}

TEST(ImageButtonPaint, ImageLeftPressedMovesOnlyDown)
{
    Fixture f({20, 20, 65, 21}, ibsImageLeft);
    f.button->SetImageNormal(pngsamples::Picture(pngsamples::SolidRgb(65, 21, Red)));
    f.button->SetImageDown(pngsamples::Picture(pngsamples::SolidRgb(65, 21, Blue)));
    EXPECT_EQ(Find(Render(*f.button), Red).topLeft(), QPoint(0, 0));
    Press(*f.button);
    EXPECT_EQ(Find(Render(*f.button), Blue), QRect(0, 2, 65, 19));
}

TEST(ImageButtonPaint, CaptionSitsWhereTheLayoutPutsIt)
{
    for (TImageButtonLayout layout : {ibsImageAbove, ibsImageBelow, ibsImageLeft, ibsImageRight}) {
        Fixture f({0, 0, 90, 60}, layout);
        QPalette palette = f.button->palette();
        palette.setColor(QPalette::WindowText, Qt::white);
        f.button->setPalette(palette);
        f.button->SetImageNormal(pngsamples::Picture(pngsamples::SolidRgb(16, 16, Red)));
        f.button->SetCaption(QStringLiteral("Ab"));

        const QFontMetrics metrics(f.button->font());
        const QSize caption(metrics.horizontalAdvance("Ab"), metrics.height());
        const auto expected = PlaceImageButton({90, 60}, {16, 16}, true, caption, layout, false);
        const QImage at = Render(*f.button);
        EXPECT_EQ(Find(at, Red), QRect(expected.Image, QSize(16, 16))) << int(layout);

        // Every text pixel lies inside the caption's box, and there are some.
        QRect ink;
        for (int y = 0; y < at.height(); ++y)
            for (int x = 0; x < at.width(); ++x)
                if (at.pixel(x, y) != Ground && at.pixel(x, y) != Red)
                    ink |= QRect(x, y, 1, 1);
        ASSERT_FALSE(ink.isNull()) << int(layout);
        EXPECT_TRUE(QRect(expected.Caption, caption).contains(ink)) << int(layout);
    }
}

TEST(ImageButtonPaint, ChoosesHoverAndDisabledPictures)
{
    Fixture f({0, 0, 30, 30}, ibsImageAbove);
    f.button->SetImageNormal(pngsamples::Picture(pngsamples::SolidRgb(30, 30, 0xffffffff)));
    f.button->SetImageOver(pngsamples::Picture(pngsamples::SolidRgb(30, 30, Green)));
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(f.button, &enter);
    EXPECT_EQ(Render(*f.button).pixel(5, 5), Green);

    // Disabled while the pointer is over: the hover picture needs the control
    // enabled, so the dimmed normal one shows, a third over the ground.
    f.button->setEnabled(false);
    const QRgb dim = Render(*f.button).pixel(5, 5);
    EXPECT_NEAR(qRed(dim), 0x20 + (255 - 0x20) * 85 / 255, 2);
    EXPECT_NEAR(qBlue(dim), 0x60 + (255 - 0x60) * 85 / 255, 2);
}

TEST(ImageButtonPaint, FlatFrameFollowsHoverAndPress)
{
    Fixture f({0, 0, 30, 20}, ibsImageAbove, ibsFlat);
    const QColor dark = f.button->palette().color(QPalette::Dark);
    const QColor light = f.button->palette().color(QPalette::Light);
    EXPECT_EQ(Render(*f.button).pixel(0, 0), Ground); // at rest: no frame

    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(f.button, &enter);
    QImage at = Render(*f.button);
    EXPECT_EQ(at.pixel(0, 0), light.rgb());
    EXPECT_EQ(at.pixel(29, 19), dark.rgb());

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.button, &press);
    at = Render(*f.button);
    EXPECT_EQ(at.pixel(0, 0), dark.rgb());
    EXPECT_EQ(at.pixel(29, 19), light.rgb());

    f.button->setEnabled(false);
    EXPECT_EQ(Render(*f.button).pixel(0, 0), Ground);
}

TEST(ImageButtonPaint, DisabledCaptionIsInTheGreyTextColour)
{
    Fixture f({0, 0, 60, 30}, ibsImageAbove);
    QPalette palette = f.button->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(Green));
    palette.setColor(QPalette::PlaceholderText, QColor(Red));
    f.button->setPalette(palette);
    f.button->SetCaption(QStringLiteral("MM"));

    // Stems of the glyphs are covered fully, so the pen colour shows unblended.
    EXPECT_FALSE(Find(Render(*f.button), 0xffffffff).isNull());
    f.button->setEnabled(false);
    const QImage at = Render(*f.button);
    EXPECT_FALSE(Find(at, Green).isNull());
    EXPECT_TRUE(Find(at, 0xffffffff).isNull());
    EXPECT_TRUE(Find(at, Red).isNull());
}

TEST(ImageButtonPaint, HeldOutsideLooksRaisedAndTheDefaultFaceStaysWhenDisabled)
{
    Fixture flat({0, 0, 30, 20}, ibsImageAbove, ibsFlat);
    const QColor dark = flat.button->palette().color(QPalette::Dark);
    const QColor light = flat.button->palette().color(QPalette::Light);
    flat.button->SetImageNormal(pngsamples::Picture(pngsamples::SolidRgb(10, 10, Red)));
    flat.button->SetImageDown(pngsamples::Picture(pngsamples::SolidRgb(10, 10, Blue)));
    Press(*flat.button);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(flat.button, &leave);
    // Held with the pointer outside: released picture, raised frame.
    ASSERT_EQ(flat.button->ButtonState(), ibsStateDown);
    QImage at = Render(*flat.button);
    EXPECT_EQ(at.pixel(0, 0), light.rgb());
    EXPECT_EQ(at.pixel(29, 19), dark.rgb());
    EXPECT_EQ(Find(at, Red), QRect(10, 5, 10, 10));
    EXPECT_TRUE(Find(at, Blue).isNull());

    Fixture face({0, 0, 30, 20}, ibsImageAbove, ibsDefault);
    const QRgb button = face.button->palette().color(QPalette::Button).rgb();
    ASSERT_NE(button, Ground);
    EXPECT_EQ(Render(*face.button).pixel(15, 10), button);
    face.button->setEnabled(false);
    EXPECT_EQ(Render(*face.button).pixel(15, 10),
              face.button->palette().color(QPalette::Button).rgb());
}
