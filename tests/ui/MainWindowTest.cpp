// The main window offscreen: layout, adding and removing jobs, drops, the
// busy state and the close query.
#include "ui/MainWindowTestSupport.h"

#include "platform/FilePath.h"

#include <QApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

#include "jobs/ThConvertInfo.h"
#include "platform/Text.h"
#include "ui/DropFiles.h"
#include "ui/QtFileDialogs.h"

#include <algorithm>
#include <fstream>

using movarin::BoxAnswer;
using movarin::BoxButtons;
namespace fs = std::filesystem;

namespace {

class MainWindowTest : public ::testing::Test, protected MainWindowFixture {
protected:
    void SetUp() override { Create(); }

    void AddJobs(std::initializer_list<const char*> names)
    {
        for (const char* name : names)
            window->AddJob(std::string("/videos/") + name);
        window->RefreshJobList();
    }
};

TEST_F(MainWindowTest, LayoutFollowsTheWindowDescription)
{
    EXPECT_EQ(window->windowTitle(), "Movarin");
    EXPECT_EQ(window->size(), QSize(471, 266));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);

    struct Expected {
        TImageButton* button;
        QRect geometry;
        int tag;
    };
    for (const auto& e : {Expected{window->ImgBtnAddFile, {18, 9, 130, 38}, 0},
                          Expected{window->ImgBtnAddDVD, {159, 8, 136, 40}, 0},
                          Expected{window->ImgBtnListDelete, {308, 9, 65, 38}, 0},
                          Expected{window->ImgBtnConfig, {391, 9, 65, 38}, 0},
                          Expected{window->ImgBtnConvertCancel, {20, 245, 65, 21}, 0},
                          Expected{window->ImgBtnConvertMovie, {341, 63, 127, 38}, 1},
                          Expected{window->ImgBtnConvertMovie2Walkman, {341, 117, 127, 38}, 2},
                          Expected{window->ImgBtnConvertMusic, {341, 190, 127, 38}, 3}}) {
        EXPECT_EQ(e.button->geometry(), e.geometry);
        EXPECT_EQ(e.button->Tag(), e.tag);
        EXPECT_FALSE(e.button->ImageNormal().Empty());
    }
    EXPECT_EQ(window->LblSituation->geometry(), QRect(96, 249, 369, 12));
    EXPECT_TRUE(window->LblSituation->text().isEmpty());

    auto* view = window->ListViewConvertFile;
    EXPECT_EQ(view->geometry(), QRect(20, 63, 315, 171));
    EXPECT_EQ(view->headerItem()->text(0), "ファイル名");
    EXPECT_EQ(view->headerItem()->text(1), "状態");
    EXPECT_EQ(view->columnWidth(0), 180);
    EXPECT_EQ(view->columnWidth(1), 110);
    EXPECT_EQ(view->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(view->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(view->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(view->rootIsDecorated());
    EXPECT_FALSE(view->header()->sectionsClickable());

    // The name column cannot be made narrower than 180, the state column is fixed.
    view->header()->resizeSection(0, 50);
    EXPECT_EQ(view->columnWidth(0), 180);
    EXPECT_EQ(view->header()->sectionResizeMode(1), QHeaderView::Fixed);

    EXPECT_EQ(window->font().pixelSize(), 12);
    EXPECT_TRUE(window->font().families().contains("IPAPGothic"));
}

TEST_F(MainWindowTest, StartsIdleWithWorkFolderAndDefaultSettings)
{
    EXPECT_FALSE(window->Busy());
    EXPECT_FALSE(window->ImgBtnConvertCancel->isEnabled());
    EXPECT_TRUE(window->ListViewConvertFile->viewport()->acceptDrops());
    EXPECT_EQ(window->DocumentsDir(), temp / "docs/");
    EXPECT_EQ(window->WorkDir(), temp / "docs/MOVARIN_VIDEO/");
    EXPECT_TRUE(std::filesystem::is_directory(window->WorkDir()));
    EXPECT_EQ(window->JobList().SaveDir, window->WorkDir());
    EXPECT_TRUE(window->JobList().OpenDir);
    // Nothing is written until the settings dialog says OK.
    EXPECT_FALSE(std::filesystem::exists(window->WorkDir() + "config.ini"));
}

TEST_F(MainWindowTest, SetBusyTogglesButtonsAndDropsTogether)
{
    window->SetBusy(true);
    EXPECT_TRUE(window->Busy());
    for (auto* b : {window->ImgBtnAddFile, window->ImgBtnAddDVD, window->ImgBtnListDelete,
                    window->ImgBtnConfig, window->ImgBtnConvertMovie,
                    window->ImgBtnConvertMovie2Walkman, window->ImgBtnConvertMusic})
        EXPECT_FALSE(b->isEnabled());
    EXPECT_TRUE(window->ImgBtnConvertCancel->isEnabled());
    EXPECT_TRUE(window->ListViewConvertFile->isEnabled());
    EXPECT_FALSE(window->ListViewConvertFile->viewport()->acceptDrops());
    EXPECT_FALSE(Drop({"/v/a.avi"}));
    EXPECT_EQ(window->JobList().Count(), 0);

    window->SetBusy(false);
    EXPECT_FALSE(window->Busy());
    EXPECT_FALSE(window->ImgBtnConvertCancel->isEnabled());
    EXPECT_TRUE(Drop({"/v/a.avi"}));
    EXPECT_EQ(window->JobList().Count(), 1);
}

TEST_F(MainWindowTest, AddFileTakesTheChosenNamesInNaturalOrderEvenTwice)
{
    dialogs.answers = {{"/home/u/クリップ 1.avi"}, {"/home/u/クリップ 1.avi"}, {},
                       {"/s/第10話.mkv", "/s/第2話.MP4", "/s/第1話.mp4"}};
    for (int i = 0; i < 4; ++i)
        Click(window->ImgBtnAddFile);
    ASSERT_EQ(dialogs.calls.size(), 4u);
    EXPECT_EQ(dialogs.calls[0].first, temp / "docs/");
    EXPECT_EQ(dialogs.calls[0].second,
              "動画ファイル (*.avi *.flv *.mpg *.mpeg *.3gp *.mp4 *.m4v *.mov *.mkv *.webm *.wmv "
              "*.asf *.ts *.m2ts *.mts *.vob *.ogv *.divx)");
    EXPECT_EQ(Rows(0), (std::vector<std::string>{"クリップ 1.avi", "クリップ 1.avi", "第1話.mp4",
                                                 "第2話.MP4", "第10話.mkv"}));
    EXPECT_EQ(Rows(1), std::vector<std::string>(5, "変換待ち"));
    EXPECT_TRUE(boxes.shown.empty());

    // The real dialog with that filter lists videos whatever the case of
    // their extension, and nothing else.
    const std::string folder = temp / "camera";
    fs::create_directories(folder);
    const std::vector<std::string> videos = {"CLIP0001.MOV", "a.avi", "b.Mkv", "c.m2ts", "VTS_01_1.VOB"};
    for (const auto& name : videos)
        std::ofstream(folder + "/" + name) << "x";
    std::ofstream(folder + "/notes.txt") << "x";
    std::ofstream(folder + "/movie.mov.part") << "x";
    QFileDialog dialog;
    movarin::SetUpOpenFileDialog(dialog, folder, dialogs.calls[0].second);
    dialog.show();
    auto* model = dialog.findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    std::vector<std::string> listed;
    PumpUntil([&] {
        listed.clear();
        const QModelIndex root = model->index(QString::fromStdString(folder));
        for (int row = 0; row < model->rowCount(root); ++row) {
            const QModelIndex item = model->index(row, 0, root);
            if (model->flags(item) & Qt::ItemIsEnabled)
                listed.push_back(model->fileName(item).toStdString());
        }
        return listed.size() >= videos.size();
    }, 5000);
    std::sort(listed.begin(), listed.end());
    auto expected = videos;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
}

TEST_F(MainWindowTest, DropAddsSupportedNamesAndWarnsOncePerDrop)
{
    // The box comes after a.avi is in the job list and before c.mpeg is.
    std::vector<int> countsAtBox;
    boxes.onShow = [&](const ShownBox&) { countsAtBox.push_back(window->JobList().Count()); };
    ASSERT_TRUE(Drop({"/v/a.avi", "/v/b.txt", "/v/c.mpeg", "/v/d.doc"}));
    EXPECT_EQ(Rows(0), (std::vector<std::string>{"a.avi", "c.mpeg"}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "情報");
    EXPECT_EQ(boxes.shown[0].text, movarin::UnsupportedDropText);
    EXPECT_EQ(countsAtBox, std::vector<int>{1});

    // A second drop warns again; case does not matter; no extension is refused.
    ASSERT_TRUE(Drop({"/v/E.AvI", "/v/noext", "/v/f.Vob", "/v/g.3gp", "/v/h.Mkv", "/v/x.mpg.txt"}));
    EXPECT_EQ(Rows(0), (std::vector<std::string>{"a.avi", "c.mpeg", "E.AvI", "f.Vob", "g.3gp", "h.Mkv"}));
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(MainWindowTest, DroppedFoldersAddTheirVideosInNaturalOrder)
{
    const std::string season = temp / "season";
    for (const char* dir : {"特典", ".cache", "deep/1/2/3/4/5/6/7/8/9/10/11/12/13/14/15/16"})
        fs::create_directories(movarin::FsPath(season + "/" + dir));
    for (const char* file : {"第10話.mkv", "第2話.mp4", "第1話.MP4", "第2話.srt", "cover.jpg",
                             ".第3話.mp4", "特典/メイキング.webm", ".cache/x.mp4",
                             "deep/1/2/3/4/5/6/7/8/9/10/11/12/13/14/15/16/lost.mp4",
                             "deep/1/2/3/4/5/6/7/8/9/10/11/12/13/14/15/found.mp4"})
        std::ofstream(movarin::FsPath(season + "/" + file)) << "x";
#ifndef _WIN32
    fs::create_directory_symlink("..", movarin::FsPath(season + "/特典/loop"));
#endif
    fs::create_directories(temp / "disc.vob");  // no video inside, whatever its name
    std::ofstream(temp / "disc.vob/notes.txt") << "x";
    std::ofstream(temp / "loose.avi") << "x";

    std::vector<int> countsAtBox;
    boxes.onShow = [&](const ShownBox&) { countsAtBox.push_back(window->JobList().Count()); };
    ASSERT_TRUE(Drop({temp / "loose.avi", season, temp / "disc.vob", temp / "readme.txt"}));
    // A subfolder's videos come where its name sorts: "deep", "特典", then "第…".
    EXPECT_EQ(Rows(0), (std::vector<std::string>{"loose.avi", "found.mp4", "メイキング.webm",
                                                 "第1話.MP4", "第2話.mp4", "第10話.mkv"}));
    EXPECT_EQ(window->JobList().Items(1)->SourcePath,
              movarin::ToWide(season + "/deep/1/2/3/4/5/6/7/8/9/10/11/12/13/14/15/found.mp4"));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{movarin::UnsupportedDropText});
    EXPECT_EQ(countsAtBox, std::vector<int>{6});
}

TEST_F(MainWindowTest, ConversionClickedWhileADropIsReadStartsOnTheWholeDrop)
{
    fs::create_directories(temp / "season");
    std::ofstream(movarin::FsPath(temp / "season/第1話.mp4")) << "x";
    ASSERT_TRUE(Drop({temp / "season"}, false));
    ASSERT_TRUE(window->AddingFiles());
    // Started on the list as it is, the run would find it empty.
    window->BtnConvertClick(window->ImgBtnConvertMovie2Walkman);
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_TRUE(PumpUntil([this] { return !boxes.shown.empty(); }));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{movarin::driver_text::NoPlayer});
    EXPECT_EQ(Rows(0), std::vector<std::string>{"第1話.mp4"});

    // Closed with a drop still being read: its thread ends with the window.
    ASSERT_TRUE(Drop({temp / "season"}, false));
    window.reset();
    QCoreApplication::processEvents();
}

TEST_F(MainWindowTest, DropOfNonLocalUrlsIsNotAccepted)
{
    QMimeData mime;
    mime.setUrls({QUrl("https://example.com/a.avi")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->ListViewConvertFile->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST_F(MainWindowTest, RemoveWithoutSelectionOnlyInforms)
{
    AddJobs({"a.avi"});
    Click(window->ImgBtnListDelete);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "情報");
    EXPECT_EQ(boxes.shown[0].text, "変換リストから除外するファイルを選択してください");
    EXPECT_EQ(window->JobList().Count(), 1);
}

TEST_F(MainWindowTest, RemoveSelectedRowsOnYesOnly)
{
    AddJobs({"j0.avi", "j1.avi", "j2.avi", "j3.avi"});
    auto* view = window->ListViewConvertFile;
    view->topLevelItem(1)->setSelected(true);
    view->topLevelItem(3)->setSelected(true);

    boxes.answers = {BoxAnswer::No};
    Click(window->ImgBtnListDelete);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "確認");
    EXPECT_EQ(boxes.shown[0].text, "選択したファイルを変換リストから除外しますか？");
    EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::YesNo);
    EXPECT_EQ(window->JobList().Count(), 4);
    EXPECT_TRUE(view->topLevelItem(1)->isSelected());
    EXPECT_TRUE(view->topLevelItem(3)->isSelected());

    boxes.answers = {BoxAnswer::Yes};
    Click(window->ImgBtnListDelete);
    EXPECT_EQ(Rows(0), (std::vector<std::string>{"j0.avi", "j2.avi"}));
    EXPECT_TRUE(view->selectedItems().isEmpty());
}

TEST_F(MainWindowTest, CloseIsRefusedOnlyWhileBusy)
{
    window->show();
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(boxes.shown.empty());

    window->show();
    window->SetBusy(true);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "情報");
    EXPECT_EQ(boxes.shown[0].text, "変換中は終了できません。変換を中止してから終了してください。");
    window->SetBusy(false);
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(std::filesystem::exists(window->WorkDir() + "config.ini"));
}

TEST_F(MainWindowTest, LongStatusTextIsCut)
{
    // The progress texts themselves come from runs (driver suite).
    window->ShowStatus(std::string(200, 'W'));
    EXPECT_EQ(window->LblSituation->width(), 369);
    EXPECT_FALSE(window->LblSituation->wordWrap());
}

} // namespace
