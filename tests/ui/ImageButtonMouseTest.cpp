// The press / hover / release state machine, driven through the window with
// QTest so Qt's own grab, enter and leave handling takes part.
#include "PngSamples.h"
#include "ui/imagebutton.h"

#include <QCursor>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class ImageButtonMouse : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(200, 120);
        button = new TImageButton(window.get());
        button->setGeometry(50, 40, 65, 32);
        button->SetButtonStyle(ibsNoFrame);
        button->SetImageNormal(pngsamples::Picture(pngsamples::SolidRgb(65, 32, qRgb(255, 0, 0))));
        button->SetImageDown(pngsamples::Picture(pngsamples::SolidRgb(65, 32, qRgb(0, 0, 255))));
        QObject::connect(button, &TImageButton::OnClick, [this](TImageButton* b) {
            Log("click");
            EXPECT_EQ(b, button);
            EXPECT_EQ(b->ButtonState(), ibsStateUp); // already released when OnClick runs
        });
        QObject::connect(button, &TImageButton::OnDblClick, [this](TImageButton*) { Log("dblclick"); });
        QObject::connect(button, &TImageButton::OnMouseDown,
                         [this](TImageButton*, Qt::MouseButton b, QPoint) { Log(b == Qt::LeftButton ? "down" : "down-other"); });
        QObject::connect(button, &TImageButton::OnMouseUp,
                         [this](TImageButton*, Qt::MouseButton b, QPoint) { Log(b == Qt::LeftButton ? "up" : "up-other"); });
        QObject::connect(button, &TImageButton::OnMouseEnter, [this](TImageButton*) { Log("enter"); });
        QObject::connect(button, &TImageButton::OnMouseExit, [this](TImageButton*) { Log("exit"); });
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        handle = window->windowHandle();
        QTest::mouseMove(handle, Outside);
        events.clear();
    }

    void Log(const std::string& e) { events.push_back(e); }
    int Count(const std::string& e) const { return static_cast<int>(std::count(events.begin(), events.end(), e)); }

    // Window coordinates.
    const QPoint Inside{60, 50};
    const QPoint Outside{10, 10};
    const QPoint BelowRight{150, 100};

    std::unique_ptr<QWidget> window;
    TImageButton* button = nullptr;
    QWindow* handle = nullptr;
    std::vector<std::string> events;
};

} // namespace

TEST_F(ImageButtonMouse, ClickRunsBeforeMouseUpWithReleasedLook)
{
    QTest::mouseMove(handle, Inside);
    EXPECT_TRUE(button->MouseOver());
    QTest::mousePress(handle, Qt::LeftButton, {}, Inside);
    EXPECT_EQ(button->ButtonState(), ibsStateDown);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, Inside);
    EXPECT_EQ(events, (std::vector<std::string>{"enter", "down", "click", "up"}));
    EXPECT_EQ(button->ButtonState(), ibsStateUp);
}

TEST_F(ImageButtonMouse, HiddenWithItsWindowIsNoLongerUnderThePointer)
{
    // The pointer left by the window closing: no leave ever comes.
    QTest::mouseMove(handle, Inside);
    ASSERT_TRUE(button->MouseOver());
    window->close();
    EXPECT_FALSE(button->MouseOver());
    const QPoint farAway = window->mapToGlobal(QPoint(-400, -400));
    QCursor::setPos(farAway);
    window->show();
    EXPECT_FALSE(button->MouseOver());

    // Shown under the pointer: the hover look at once.
    window->hide();
    QCursor::setPos(button->mapToGlobal(QPoint(5, 5)));
    window->show();
    EXPECT_TRUE(button->MouseOver());
    window->hide();
    QCursor::setPos(farAway);
}

TEST_F(ImageButtonMouse, ReleaseOutsideGivesNoClick)
{
    QTest::mouseMove(handle, Inside);
    QTest::mousePress(handle, Qt::LeftButton, {}, Inside);
    QTest::mouseMove(handle, BelowRight);
    EXPECT_FALSE(button->MouseOver()); // leave derived from the move while grabbed
    QTest::mouseRelease(handle, Qt::LeftButton, {}, BelowRight);
    EXPECT_EQ(Count("click"), 0);
    EXPECT_EQ(Count("up"), 1);
    EXPECT_EQ(Count("exit"), 1);
    EXPECT_EQ(button->ButtonState(), ibsStateUp);
    EXPECT_FALSE(button->MouseOver());
}

TEST_F(ImageButtonMouse, ReleaseOutsideWithoutAMoveGivesNoClick)
{
    QTest::mouseMove(handle, Inside);
    QTest::mousePress(handle, Qt::LeftButton, {}, Inside);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, BelowRight);
    EXPECT_EQ(Count("click"), 0);
    EXPECT_EQ(Count("up"), 1);
    EXPECT_FALSE(button->MouseOver());
}

TEST_F(ImageButtonMouse, MovingOutAndBackInKeepsThePress)
{
    QTest::mouseMove(handle, Inside);
    QTest::mousePress(handle, Qt::LeftButton, {}, Inside);
    QTest::mouseMove(handle, Outside);
    EXPECT_FALSE(button->MouseOver());
    EXPECT_EQ(button->ButtonState(), ibsStateDown); // held, shown released
    QTest::mouseMove(handle, Inside + QPoint(5, 5));
    EXPECT_TRUE(button->MouseOver()); // the pressed look is back
    EXPECT_EQ(button->ButtonState(), ibsStateDown);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, Inside + QPoint(5, 5));
    EXPECT_EQ(events, (std::vector<std::string>{"enter", "down", "exit", "enter", "click", "up"}));
}

TEST_F(ImageButtonMouse, DoubleClickClicksOnceAndDoubleClicksOnce)
{
    QTest::mouseMove(handle, Inside);
    QTest::mouseDClick(handle, Qt::LeftButton, {}, Inside);
    EXPECT_EQ(Count("click"), 1);
    EXPECT_EQ(Count("dblclick"), 1);
    EXPECT_EQ(Count("up"), 2);
    EXPECT_EQ(Count("down"), 2); // the second press arrives as the double click
    EXPECT_EQ(button->ButtonState(), ibsStateUp);
    // The click belongs to the first press and release.
    const auto click = std::find(events.begin(), events.end(), "click");
    const auto dbl = std::find(events.begin(), events.end(), "dblclick");
    EXPECT_LT(click, dbl);
}

TEST_F(ImageButtonMouse, OnlyTheLeftButtonDoubleClicks)
{
    // The second press of a right double click still reaches the handlers as
    // a press, and nothing clicks.
    QTest::mouseMove(handle, Inside);
    QTest::mouseDClick(handle, Qt::RightButton, {}, Inside);
    EXPECT_EQ(Count("down-other"), 2);
    EXPECT_EQ(Count("up-other"), 2);
    EXPECT_EQ(Count("dblclick"), 0);
    EXPECT_EQ(Count("click"), 0);
    EXPECT_EQ(button->ButtonState(), ibsStateUp);
}

TEST_F(ImageButtonMouse, OtherButtonsDoNotPressButReleaseTheLeftPress)
{
    QTest::mouseMove(handle, Inside);
    QTest::mousePress(handle, Qt::RightButton, {}, Inside);
    EXPECT_EQ(button->ButtonState(), ibsStateUp);
    QTest::mouseRelease(handle, Qt::RightButton, {}, Inside);

    QTest::mousePress(handle, Qt::LeftButton, {}, Inside);
    QTest::mousePress(handle, Qt::RightButton, {}, Inside);
    QTest::mouseRelease(handle, Qt::RightButton, {}, Inside);
    EXPECT_EQ(button->ButtonState(), ibsStateUp);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, Inside);
    EXPECT_EQ(Count("click"), 1); // the left release inside still clicks
}

TEST_F(ImageButtonMouse, ClickHandlerThatDisablesTheButtonLeavesItDisabled)
{
    QObject::connect(button, &TImageButton::OnClick, [](TImageButton* b) { b->setEnabled(false); });
    QTest::mouseMove(handle, Inside);
    QTest::mouseClick(handle, Qt::LeftButton, {}, Inside);
    EXPECT_EQ(Count("up"), 1);
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(button->ButtonState(), ibsStateDisabled);
    button->setEnabled(true);
    EXPECT_EQ(button->ButtonState(), ibsStateUp);
}

TEST_F(ImageButtonMouse, HoverSurvivesDisablingUntilThePointerComesAndGoes)
{
    QTest::mouseMove(handle, Inside);
    button->setEnabled(false);
    QTest::mouseMove(handle, Outside);
    button->setEnabled(true);
    EXPECT_TRUE(button->MouseOver());
    EXPECT_EQ(Count("exit"), 0);
    QTest::mouseMove(handle, Inside);
    QTest::mouseMove(handle, Outside);
    EXPECT_FALSE(button->MouseOver());
    EXPECT_EQ(Count("enter"), 2);
    EXPECT_EQ(Count("exit"), 1);
}

TEST_F(ImageButtonMouse, DisablingDuringAPressCancelsTheClick)
{
    QTest::mouseMove(handle, Inside);
    QTest::mousePress(handle, Qt::LeftButton, {}, Inside);
    button->setEnabled(false);
    button->setEnabled(true);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, Inside);
    EXPECT_EQ(Count("click"), 0);
    EXPECT_EQ(button->ButtonState(), ibsStateUp);
}

TEST(ImageButtonDisabledImage, DimsByAThirdAndLeavesPalettesOpaque)
{
    TImageButton button(nullptr);
    button.SetImageNormal(pngsamples::Picture(pngsamples::SolidRgb(4, 3, qRgb(1, 2, 3))));
    const TPngPicture& dim = button.ImageDisabled();
    ASSERT_EQ(dim.ColorType(), TPngColorType::RGBAlpha);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(dim.Alpha(x, y), 85);
    EXPECT_EQ(button.ImageNormal().ColorType(), TPngColorType::RGB); // the original untouched

    button.SetImageNormal(pngsamples::Picture(pngsamples::RgbaOf(2, 2, qRgb(1, 2, 3), 128)));
    EXPECT_EQ(button.ImageDisabled().Alpha(1, 1), 42);

    pngsamples::Sample pal{2, 1, 3, 8};
    pal.Palette = {qRgb(9, 9, 9), qRgb(8, 8, 8)};
    pal.PaletteAlpha = {0, 100};
    pal.Rows = {0, 1};
    button.SetImageNormal(pngsamples::Picture(pngsamples::Encode(pal)));
    EXPECT_EQ(button.ImageDisabled().Alpha(0, 0), 255);
    EXPECT_EQ(button.ImageDisabled().Alpha(1, 0), 255);

    // Disabling a control without a picture is no error.
    TImageButton bare(nullptr);
    bare.setEnabled(false);
    EXPECT_TRUE(bare.ImageDisabled().Empty());
    EXPECT_EQ(bare.ButtonState(), ibsStateDisabled);
}
