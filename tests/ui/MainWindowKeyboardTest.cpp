// The main window without a mouse: Tab, Space and Enter on the buttons, the
// shortcut keys, the focus mark, and what a screen reader is told through
// Qt's accessibility interfaces.
#include "ui/MainWindowTestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalSpy>

#include "run/ConversionDriver.h"

using movarin::BoxAnswer;
namespace text = movarin::driver_text;

namespace {

class MainWindowKeyboardTest : public ::testing::Test, protected MainWindowFixture {
protected:
    void SetUp() override
    {
        Create();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    struct NamedButton {
        TImageButton* button;
        std::string name;
    };
    // In the order Tab visits them.
    std::vector<NamedButton> Buttons() const
    {
        return {{window->ImgBtnAddFile, "ファイル追加"},
                {window->ImgBtnAddDVD, "DVD追加"},
                {window->ImgBtnListDelete, "削除"},
                {window->ImgBtnConfig, "設定"},
                {window->ImgBtnConvertMovie, "MP4変換"},
                {window->ImgBtnConvertMovie2Walkman, "WALKMAN転送"},
                {window->ImgBtnConvertMusic, "MP3変換"},
                {window->ImgBtnConvertCancel, "中止"}};
    }

    // Names of the controls Tab reaches from the list until it is back there.
    std::vector<std::string> TabRound() const
    {
        std::vector<std::string> names;
        for (int i = 0; i < 12; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focused = QApplication::focusWidget();
            if (focused == window->ListViewConvertFile)
                break;
            names.push_back(focused ? focused->accessibleName().toStdString() : "(none)");
        }
        return names;
    }

    void Key(QKeyCombination key) { QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers()); }

    void AddJobs(int n)
    {
        for (int i = 0; i < n; ++i)
            window->AddJob("/videos/j" + std::to_string(i) + ".avi");
        window->RefreshJobList();
    }
};

TEST_F(MainWindowKeyboardTest, TabGoesFromTheListThroughTheEnabledButtonsInLayoutOrder)
{
    EXPECT_EQ(QApplication::focusWidget(), window->ListViewConvertFile);
    EXPECT_EQ(TabRound(), (std::vector<std::string>{"ファイル追加", "DVD追加", "削除", "設定", "MP4変換",
                                                    "WALKMAN転送", "MP3変換"}));
    window->SetBusy(true);
    EXPECT_EQ(TabRound(), std::vector<std::string>{"中止"});
}

TEST_F(MainWindowKeyboardTest, FocusMarkOnlyAfterKeyboardFocus)
{
    TImageButton* button = window->ImgBtnConfig;
    const QImage plain = button->grab().toImage();

    // A click never takes the focus from the list.
    Click(window->ImgBtnAddDVD);
    EXPECT_EQ(QApplication::focusWidget(), window->ListViewConvertFile);
    button->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(button->ShowsFocusMark());
    EXPECT_EQ(button->grab().toImage(), plain);

    window->ListViewConvertFile->setFocus(Qt::TabFocusReason);
    button->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(button->ShowsFocusMark());
    const QImage marked = button->grab().toImage();
    // Dark and light dots side by side along the top edge, whatever lies beneath.
    EXPECT_NE(marked.pixel(10, 1), marked.pixel(11, 1));

    window->ListViewConvertFile->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(button->grab().toImage(), plain);
}

TEST_F(MainWindowKeyboardTest, SpaceAndEnterOnAFocusedButtonClickIt)
{
    Key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), window->ImgBtnAddFile);
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter})
        Key(key);
    EXPECT_EQ(dialogs.calls.size(), 3u);
    // A held key clicks once.
    QKeyEvent repeated(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QApplication::sendEvent(window->ImgBtnAddFile, &repeated);
    EXPECT_EQ(dialogs.calls.size(), 3u);
}

TEST_F(MainWindowKeyboardTest, ShortcutsDoWhatTheirButtonsDoAndOnlyWhenThoseAreEnabled)
{
    struct Expected {
        TImageButton* button;
        const char* tooltip;
    };
    for (const auto& e : {Expected{window->ImgBtnAddFile, "ファイル追加 (Ctrl+O)"},
                          Expected{window->ImgBtnListDelete, "削除 (Del)"},
                          Expected{window->ImgBtnConvertCancel, "中止 (Esc)"}})
        EXPECT_EQ(e.button->toolTip().toStdString(), e.tooltip);

    AddJobs(3);
    dialogs.answers = {{std::string("/videos/added.avi")}};
    Key(Qt::CTRL | Qt::Key_O);
    EXPECT_EQ(Rows(0).size(), 4u);

    Key(Qt::CTRL | Qt::Key_A);
    EXPECT_EQ(window->ListViewConvertFile->selectedItems().size(), 4);
    boxes.answers = {BoxAnswer::No, BoxAnswer::Yes};
    Key(Qt::Key_Delete);
    EXPECT_EQ(window->JobList().Count(), 4);
    Key(Qt::Key_Delete);
    EXPECT_EQ(window->JobList().Count(), 0);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>(2, "選択したファイルを変換リストから除外しますか？"));

    Key(Qt::Key_Escape);  // nothing to cancel while idle
    EXPECT_EQ(boxes.shown.size(), 2u);

    window->SetBusy(true);
    boxes.shown.clear();
    Key(Qt::CTRL | Qt::Key_O);
    Key(Qt::Key_Delete);
    EXPECT_EQ(dialogs.calls.size(), 1u);
    EXPECT_TRUE(boxes.shown.empty());
    boxes.answers = {BoxAnswer::No};
    Key(Qt::Key_Escape);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{text::ConfirmCancel});
}

TEST_F(MainWindowKeyboardTest, EveryButtonIsANamedPushButtonWhosePressActionClicksIt)
{
    for (bool busy : {false, true}) {
        window->SetBusy(busy);
        for (const auto& [button, name] : Buttons()) {
            SCOPED_TRACE(name + (busy ? " busy" : " idle"));
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button);
            ASSERT_NE(iface, nullptr);
            EXPECT_EQ(iface->role(), QAccessible::Button);
            EXPECT_EQ(iface->text(QAccessible::Name).toStdString(), name);
            EXPECT_TRUE(iface->state().focusable);
            EXPECT_EQ(iface->state().disabled, !button->isEnabled());
            QAccessibleActionInterface* actions = iface->actionInterface();
            ASSERT_NE(actions, nullptr);
            ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));

            QSignalSpy clicks(button, &TImageButton::OnClick);
            boxes.answers = {BoxAnswer::No};
            actions->doAction(QAccessibleActionInterface::pressAction());
            QCoreApplication::processEvents();
            EXPECT_EQ(clicks.count(), button->isEnabled() ? 1 : 0);
        }
    }
    // The press went through the handlers: the add dialog was asked once.
    EXPECT_EQ(dialogs.calls.size(), 1u);

    window->SetBusy(false);
    window->ImgBtnConfig->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(window->ImgBtnConfig)->state().focused);
}

TEST_F(MainWindowKeyboardTest, WindowListAndStatusLineReadAsTheyShow)
{
    QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(window.get());
    EXPECT_EQ(frame->role(), QAccessible::Window);
    EXPECT_EQ(frame->text(QAccessible::Name), "Movarin");

    AddJobs(2);
    QCoreApplication::processEvents();  // the view lays its rows out
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(window->ListViewConvertFile);
    EXPECT_EQ(list->text(QAccessible::Name), "変換リスト");
    QAccessibleTableInterface* table = list->tableInterface();
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->rowCount(), 2);
    for (const auto& [column, text] : {std::pair{0, "j1.avi"}, std::pair{1, "変換待ち"}}) {
        QAccessibleInterface* cell = table->cellAt(1, column);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->text(QAccessible::Name), text);
    }

    // Its name-change events reach only a live accessibility bus (the
    // offscreen platform has none): the bus check watches them.
    window->ShowStatus("0時間1分");
    QAccessibleInterface* status = QAccessible::queryAccessibleInterface(window->LblSituation);
    EXPECT_EQ(status->role(), QAccessible::StaticText);
    EXPECT_EQ(status->text(QAccessible::Name), "0時間1分");
}

} // namespace
