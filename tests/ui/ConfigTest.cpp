// The settings dialog through Execute, with a scripted folder chooser.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "jobs/Settings.h"
#include "ui/DialogTestDoubles.h"
#include "ui/UnitConfig.h"
#include "ui/imagebutton.h"

namespace {

class ConfigTest : public ::testing::Test {
protected:
    ConfigTest()
    {
        list.Quality = 0;
        list.Ratio = 0;
        list.SaveDir = "/home/taro/Documents/MOVARIN_VIDEO/";
        list.OpenDir = true;
    }

    // Execute with whileOpen run inside the modal loop.
    void Execute(const std::function<void()>& whileOpen)
    {
        DriveModal(dialog, [&] { dialog.Execute(list); }, whileOpen);
    }

    static void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    std::string Quality() const { return dialog.CBConvertQuality->currentText().toStdString(); }
    std::string Ratio() const { return dialog.CBConvertRaito->currentText().toStdString(); }
    std::string Folder() const { return dialog.EditSaveDir->text().toStdString(); }

    ScriptedFileDialogs chooser;
    TFormConfig dialog{nullptr, chooser};
    ThConvertInfoObjectList list;
};

TEST_F(ConfigTest, WindowAndInitialControls)
{
    EXPECT_EQ(dialog.windowTitle().toStdString(), "設定");
    EXPECT_EQ(dialog.size(), QSize(474, 475));
    EXPECT_FALSE(dialog.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint));
    EXPECT_FALSE(dialog.Accepted());
    EXPECT_EQ(Quality(), "最高画質");
    EXPECT_EQ(Ratio(), "標準（４：３）");
    EXPECT_EQ(dialog.CBConvertQuality->count(), 4);
    EXPECT_EQ(dialog.CBConvertRaito->count(), 2);
    EXPECT_TRUE(dialog.EditSaveDir->isReadOnly());
    EXPECT_EQ(dialog.CBSubtitles->itemText(1).toStdString(), "焼き込まない");
    EXPECT_EQ(dialog.CBLanguage->itemText(2).toStdString(), "English");
    EXPECT_FALSE(dialog.CBLanguage->toolTip().isEmpty());
}

TEST_F(ConfigTest, OkWithoutChangesKeepsTheSettings)
{
    list.Quality = 2;
    list.Ratio = 1;
    list.OpenDir = false;
    list.Subtitles = smOff;
    list.Loudness = false;
    list.Language = LanguageChoice::English;
    Execute([&] {
        EXPECT_EQ(Quality(), "標準画質");
        EXPECT_EQ(Ratio(), "ワイド（１６：９）");
        EXPECT_EQ(Folder(), list.SaveDir);
        EXPECT_FALSE(dialog.CBOpenDir->isChecked());
        EXPECT_EQ(dialog.CBSubtitles->currentText().toStdString(), "焼き込まない");
        EXPECT_FALSE(dialog.CBLoudness->isChecked());
        EXPECT_EQ(dialog.CBLanguage->currentText().toStdString(), "English");
        Click(dialog.ImgBtnOK);
    });
    EXPECT_TRUE(dialog.Accepted());
    EXPECT_EQ(list.Quality, 2);
    EXPECT_EQ(list.Ratio, 1);
    EXPECT_EQ(list.SaveDir, "/home/taro/Documents/MOVARIN_VIDEO/");
    EXPECT_FALSE(list.OpenDir);
    EXPECT_EQ(list.Subtitles, smOff);
    EXPECT_FALSE(list.Loudness);
    EXPECT_EQ(list.Language, LanguageChoice::English);
}

TEST_F(ConfigTest, OutOfRangeSettingsShowThePreviousEntry)
{
    list.Quality = 7;
    list.Ratio = 2;
    Execute([&] {
        EXPECT_EQ(Quality(), "最高画質");
        EXPECT_EQ(Ratio(), "標準（４：３）");
        Click(dialog.ImgBtnCancel);
    });
    EXPECT_FALSE(dialog.Accepted());
    EXPECT_EQ(list.Quality, 7);  // Cancel keeps what the file said
    EXPECT_EQ(list.Ratio, 2);

    Execute([&] { Click(dialog.ImgBtnOK); });
    EXPECT_EQ(list.Quality, 0);  // OK stores the entry shown
    EXPECT_EQ(list.Ratio, 0);

    // The entry left by the previous showing, not the first one.
    list.Quality = 3;
    list.Ratio = 1;
    Execute([&] { Click(dialog.ImgBtnOK); });
    list.Quality = 9;
    list.Ratio = 5;
    Execute([&] {
        EXPECT_EQ(Quality(), "低画質");
        EXPECT_EQ(Ratio(), "ワイド（１６：９）");
        Click(dialog.ImgBtnOK);
    });
    EXPECT_EQ(list.Quality, 3);
    EXPECT_EQ(list.Ratio, 1);
}

TEST_F(ConfigTest, ChosenFolderGetsOneTrailingDelimiter)
{
    chooser.answers = {"/home/taro/Videos", "/", std::nullopt, ""};
    Execute([&] {
        Click(dialog.ImgBtnSelectDir);
        EXPECT_EQ(Folder(), "/home/taro/Videos/");
        Click(dialog.ImgBtnSelectDir);
        EXPECT_EQ(Folder(), "/");
        Click(dialog.ImgBtnSelectDir);  // cancelled
        EXPECT_EQ(Folder(), "/");
        Click(dialog.ImgBtnSelectDir);  // an empty answer is no folder
        EXPECT_EQ(Folder(), "/");
        Click(dialog.ImgBtnOK);
    });
    EXPECT_EQ(chooser.prompts, std::vector<std::string>(4, "保存先を選択してください"));
    EXPECT_EQ(list.SaveDir, "/");
}

TEST_F(ConfigTest, CancelDropsAPickedFolder)
{
    const auto old = list.SaveDir;
    chooser.answers = {"/mnt/elsewhere"};
    Execute([&] {
        Click(dialog.ImgBtnSelectDir);
        EXPECT_EQ(Folder(), "/mnt/elsewhere/");
        dialog.CBConvertQuality->setCurrentIndex(3);
        Click(dialog.ImgBtnCancel);
    });
    EXPECT_EQ(list.SaveDir, old);
    EXPECT_EQ(list.Quality, 0);
    Execute([&] {
        EXPECT_EQ(Folder(), old);
        Click(dialog.ImgBtnCancel);
    });
}

TEST_F(ConfigTest, LabelBesideTheBoxTogglesIt)
{
    list.OpenDir = false;
    list.Loudness = true;
    Execute([&] {
        for (const auto& [label, box] : {std::pair{dialog.LblOpenDir, dialog.CBOpenDir},
                                         std::pair{dialog.LblLoudness, dialog.CBLoudness}}) {
            const bool was = box->isChecked();
            Click(label);
            EXPECT_NE(box->isChecked(), was);
            Click(label);
            EXPECT_EQ(box->isChecked(), was);
            Click(label);
        }
        Click(dialog.ImgBtnOK);
    });
    EXPECT_TRUE(list.OpenDir);
    EXPECT_FALSE(list.Loudness);
}

TEST_F(ConfigTest, CloseRequestIsGrantedAndKeepsAccepted)
{
    Execute([&] { Click(dialog.ImgBtnOK); });
    ASSERT_TRUE(dialog.Accepted());
    list.Quality = 1;
    Execute([&] {
        dialog.CBConvertQuality->setCurrentIndex(2);
        EXPECT_TRUE(dialog.close());
    });
    EXPECT_TRUE(dialog.Accepted());  // from the earlier OK
    EXPECT_EQ(list.Quality, 1);      // nothing stored
}

TEST_F(ConfigTest, KeyboardReachesEveryControlEnterIsOkEscapeIsCancel)
{
    const auto key = [](Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); };
    Execute([&] {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        std::vector<std::string> visited;
        for (int i = 0; i < 10; ++i) {
            visited.push_back(QApplication::focusWidget()->accessibleName().toStdString());
            key(Qt::Key_Tab);
        }
        EXPECT_EQ(visited, (std::vector<std::string>{"画質設定", "画面比率", "保存先", "変換後に保存先を開く", "字幕",
                                                     "音量をそろえる", "言語", "選択", "OK", "キャンセル"}));
        ASSERT_EQ(QApplication::focusWidget(), dialog.CBConvertQuality);
        key(Qt::Key_Down);
        key(Qt::Key_Return);
    });
    EXPECT_TRUE(dialog.Accepted());
    EXPECT_EQ(list.Quality, 1);

    // Escape cancels; Enter on a focused button presses that button.
    for (bool escape : {true, false})
        Execute([&] {
            ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
            key(Qt::Key_Down);
            if (escape) {
                key(Qt::Key_Escape);
                return;
            }
            dialog.ImgBtnCancel->setFocus(Qt::TabFocusReason);
            key(Qt::Key_Enter);
        });
    EXPECT_FALSE(dialog.Accepted());
    EXPECT_EQ(list.Quality, 1);
}

TEST_F(ConfigTest, OkThenSaveRoundTripsTheSettingsFile)
{
    QTemporaryDir work;
    const auto workDir = work.path().toStdString() + "/";
    chooser.answers = {"/srv/ビデオ"};
    Execute([&] {
        dialog.CBConvertQuality->setCurrentIndex(1);
        dialog.CBConvertRaito->setCurrentIndex(1);
        Click(dialog.ImgBtnSelectDir);
        Click(dialog.LblOpenDir);
        dialog.CBSubtitles->setCurrentIndex(1);
        Click(dialog.LblLoudness);
        dialog.CBLanguage->setCurrentIndex(1);
        Click(dialog.ImgBtnOK);
    });
    ASSERT_TRUE(dialog.Accepted());
    SaveSettings(list, workDir);

    ThConvertInfoObjectList loaded;
    LoadSettings(loaded, workDir);
    EXPECT_EQ(loaded.Quality, 1);
    EXPECT_EQ(loaded.Ratio, 1);
    EXPECT_EQ(loaded.SaveDir, "/srv/ビデオ/");
    EXPECT_FALSE(loaded.OpenDir);
    EXPECT_EQ(loaded.Subtitles, smOff);
    EXPECT_FALSE(loaded.Loudness);
    EXPECT_EQ(loaded.Language, LanguageChoice::Japanese);
}

} // namespace
