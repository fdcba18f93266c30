// The main window with its real dialogs: settings saved only on OK, DVD
// chapters added only on OK, several files taken from one file dialog.
#include "ui/MainWindowTestSupport.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <fstream>
#include <sstream>

#include "platform/FilePath.h"
#include "platform/Text.h"
#include "ui/QtFileDialogs.h"
#include "ui/UnitConfig.h"
#include "ui/UnitSelectDVD.h"

namespace fs = std::filesystem;

namespace {

class MainWindowDialogsTest : public ::testing::Test, protected MainWindowFixture {
protected:
    void SetUp() override
    {
        disc_ = FakeVolumeTable::MakeRoot(temp.Path(), "dvd");
        fs::create_directories(disc_ + "VIDEO_TS");
        for (const char* name : {"VIDEO_TS.VOB", "VTS_01_1.VOB", "VTS_01_2.VOB"})
            std::ofstream(disc_ + "VIDEO_TS/" + name) << "v";
        volumes.Add(disc_, movarin::DriveType::Optical, "DISC");
        Create();
        config_ = std::make_unique<TFormConfig>(window.get(), dialogs);
        dvd_ = std::make_unique<TFormSelectDVD>(window.get(), volumes, boxes);
        window->SetDialogs(*dvd_, *config_);
    }
    void TearDown() override
    {
        dvd_.reset();
        config_.reset();
    }

    // Runs act inside the modal dialog's event loop; it must close the dialog.
    static void WhileOpen(QWidget& dialog, std::function<void()> act)
    {
        QTimer::singleShot(0, &dialog, [&dialog, act] {
            act();
            if (dialog.isVisible()) {
                ADD_FAILURE() << "dialog still open";
                dialog.hide();
            }
        });
    }

    std::string ConfigText() const
    {
        std::ifstream in(window->WorkDir() + "config.ini");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::string disc_;
    std::unique_ptr<TFormConfig> config_;
    std::unique_ptr<TFormSelectDVD> dvd_;
};

TEST_F(MainWindowDialogsTest, SettingsAreSavedOnlyOnOk)
{
    WhileOpen(*config_, [this] {
        config_->CBConvertQuality->setCurrentIndex(2);
        Click(config_->ImgBtnCancel);
    });
    Click(window->ImgBtnConfig);
    EXPECT_FALSE(fs::exists(window->WorkDir() + "config.ini"));
    EXPECT_EQ(window->JobList().Quality, 0);

    WhileOpen(*config_, [this] {
        config_->CBConvertQuality->setCurrentIndex(2);
        Click(config_->ImgBtnOK);
    });
    Click(window->ImgBtnConfig);
    EXPECT_EQ(window->JobList().Quality, 2);
    EXPECT_NE(ConfigText().find("QUALITY=2"), std::string::npos) << ConfigText();
}

TEST_F(MainWindowDialogsTest, ChosenChaptersBecomeJobsOnOkOnly)
{
    WhileOpen(*dvd_, [this] {
        dvd_->LBChapter->selectAll();
        Click(dvd_->ImgBtnCancel);
    });
    Click(window->ImgBtnAddDVD);
    EXPECT_EQ(window->JobList().Count(), 0);

    WhileOpen(*dvd_, [this] {
        ASSERT_EQ(dvd_->LBChapter->count(), 2);
        dvd_->LBChapter->clearSelection();  // the dialog keeps the last selection
        // Rows come in the file system's order.
        for (int i = 0; i < dvd_->LBChapter->count(); ++i)
            if (dvd_->LBChapter->item(i)->text().contains("VTS_01_2"))
                dvd_->LBChapter->item(i)->setSelected(true);
        Click(dvd_->ImgBtnOK);
    });
    Click(window->ImgBtnAddDVD);
    EXPECT_EQ(Rows(0), std::vector<std::string>{"VTS_01_2.VOB"});
    EXPECT_EQ(Rows(1), std::vector<std::string>{"変換待ち"});
    EXPECT_EQ(window->JobList().Items(0)->SourcePath,
              movarin::ToWide(disc_ + "VIDEO_TS/VTS_01_2.VOB"));
}

TEST_F(MainWindowDialogsTest, SeveralFilesFromTheRealFileDialogBecomeJobsInNaturalOrder)
{
    const std::string season = temp / "season";
    fs::create_directories(season);
    std::vector<std::string> episodes;
    for (int i = 1; i <= 12; ++i) {
        episodes.push_back("第" + std::to_string(i) + "話" + (i % 3 ? ".mp4" : ".MKV"));
        std::ofstream(movarin::FsPath(season + "/" + episodes.back())) << "v";
    }
    std::ofstream(season + "/notes.txt") << "x";
    movarin::QtFileDialogs real;
    TFormMain main(MainWindowServices{boxes, real, volumes, temp / "docs", {}});
    const auto whileChoosing = [](std::function<void(QFileDialog&)> act) {
        QTimer::singleShot(0, [act] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            act(*dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "file dialog still open";
                dialog->reject();
            }
        });
    };

    // Several names typed in quotes, in no useful order.
    whileChoosing([&](QFileDialog& dialog) {
        dialog.setDirectory(QString::fromStdString(season));
        auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        // Set rather than typed key by key: QTest types ASCII only.
        name->setText(QString::fromStdString(
                                   "\"" + episodes[9] + "\" \"" + episodes[1] + "\" \"" + episodes[0] + "\""));
        QTest::keyClick(name, Qt::Key_Return);
    });
    Click(main.ImgBtnAddFile);
    // All of the folder's videos selected in the list at once (Ctrl+A).
    whileChoosing([&](QFileDialog& dialog) {
        dialog.setDirectory(QString::fromStdString(season));
        auto* model = dialog.findChild<QFileSystemModel*>();
        auto* list = dialog.findChild<QListView*>("listView");
        ASSERT_TRUE(model && list);
        ASSERT_TRUE(PumpUntil([&] { return list->model()->rowCount(list->rootIndex()) >= 12; }, 5000));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
    });
    Click(main.ImgBtnAddFile);

    std::vector<std::string> jobs;
    for (int i = 0; i < main.JobList().Count(); ++i)
        jobs.push_back(movarin::ToNarrow(main.JobList().Items(i)->SourcePath));
    std::vector<std::string> expected = {season + "/" + episodes[0], season + "/" + episodes[1],
                                         season + "/" + episodes[9]};
    for (const auto& episode : episodes)
        expected.push_back(season + "/" + episode);
    EXPECT_EQ(jobs, expected);
    EXPECT_EQ(main.ListViewConvertFile->topLevelItemCount(), 15);
}

} // namespace
