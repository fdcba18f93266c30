// The main window with its two real dialogs: settings saved only on OK,
// DVD chapters added only on OK.
#include "ui/MainWindowTestSupport.h"

#include <QComboBox>
#include <QListWidget>
#include <QTimer>

#include <fstream>
#include <sstream>

#include "platform/Text.h"
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

} // namespace
