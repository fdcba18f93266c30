// The DVD chapter dialog over fake drives whose roots are temp folders.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <dirent.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "common/FakeVolumeTable.h"
#include "platform/Text.h"
#include "ui/DialogTestDoubles.h"
#include "ui/UnitSelectDVD.h"
#include "ui/imagebutton.h"

using movarin::DriveType;
namespace fs = std::filesystem;

namespace {

const char* const InsertDisc = "ドライブにディスクを挿入してください";
const char* const SelectChapter = "チャプターを選択してください";

// Root reads any folder; for as long as this lives the calling thread gives
// up that right (the file-permission capabilities leave its effective set).
class WithoutReadOverride {
public:
    WithoutReadOverride()
    {
        if (::syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        active_ = ::syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~WithoutReadOverride()
    {
        if (active_)
            ::syscall(SYS_capset, &header_, saved_);
    }
    WithoutReadOverride(const WithoutReadOverride&) = delete;
    WithoutReadOverride& operator=(const WithoutReadOverride&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool active_ = false;
};

class SelectDVDTest : public ::testing::Test {
protected:
    // A drive folder holding empty files at the given relative paths.
    std::string Disc(const std::string& name, std::initializer_list<const char*> files)
    {
        const auto root = FakeVolumeTable::MakeRoot(temp.path().toStdString(), name);
        for (const char* file : files) {
            const fs::path path = root + file;
            fs::create_directories(path.parent_path());
            std::ofstream(path) << "";
        }
        return root;
    }

    std::unique_ptr<TFormSelectDVD> Create()
    {
        return std::make_unique<TFormSelectDVD>(nullptr, table, boxes);
    }

    static std::vector<std::string> Entries(const TFormSelectDVD& dialog)
    {
        std::vector<std::string> entries;
        for (int i = 0; i < dialog.CBDriveList->count(); ++i)
            entries.push_back(dialog.CBDriveList->itemText(i).toStdString());
        return entries;
    }

    static std::vector<std::string> Rows(const TFormSelectDVD& dialog)
    {
        std::vector<std::string> rows;
        for (int i = 0; i < dialog.LBChapter->count(); ++i)
            rows.push_back(dialog.LBChapter->item(i)->text().toStdString());
        return rows;
    }

    static std::vector<std::string> Sorted(std::vector<std::string> items)
    {
        std::sort(items.begin(), items.end());
        return items;
    }

    static void ShowActive(TFormSelectDVD& dialog)
    {
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }

    static void Click(TImageButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // The user picks the next drive of the list with the keyboard.
    static void PickNextDrive(TFormSelectDVD& dialog) { QTest::keyClick(dialog.CBDriveList, Qt::Key_Down); }

    QTemporaryDir temp;
    FakeVolumeTable table;
    RecordingMessageBoxes boxes;
};

TEST_F(SelectDVDTest, WindowIsAFixedDialogWithoutTitleBarButtons)
{
    auto dialog = Create();
    EXPECT_EQ(dialog->windowTitle().toStdString(), "チャプター選択画面");
    EXPECT_EQ(dialog->size(), QSize(310, 308));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    const auto flags = dialog->windowFlags();
    EXPECT_FALSE(flags & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint));
    EXPECT_EQ(dialog->font().pixelSize(), 12);
}

TEST_F(SelectDVDTest, ListsOnlyOpticalDrivesAmongTheFirst21)
{
    const auto d = Disc("d", {});
    table.Add(Disc("c", {}), DriveType::Fixed);
    table.Add(d, DriveType::Optical, "MOVIE");
    table.Add(Disc("stick", {}), DriveType::Removable, "STICK");
    table.Add("/dev/sr1/", DriveType::Optical, "IGNORED", false);
    for (int i = 0; i < 17; ++i)
        table.Add(Disc("fixed" + std::to_string(i), {}), DriveType::Fixed);
    table.Add(Disc("late", {}), DriveType::Optical, "LATE");  // the 22nd drive

    auto dialog = Create();
    EXPECT_EQ(Entries(*dialog), (std::vector<std::string>{d + "[MOVIE]", "/dev/sr1/[]"}));
    EXPECT_EQ(dialog->CBDriveList->currentIndex(), 0);
    EXPECT_EQ(dialog->GetDriveRoot(), d);
}

TEST_F(SelectDVDTest, ChapterSearchFollowsTheExactNameRules)
{
    const auto d = Disc("d", {"VIDEO_TS/VIDEO_TS.VOB", "VIDEO_TS/VIDEO_TS.IFO", "VIDEO_TS/VTS_01_0.VOB",
                              "VIDEO_TS/VTS_01_1.VOB", "VIDEO_TS/VTS_01_2.vob", "VIDEO_TS/video_ts.VOB",
                              "VIDEO_TS/VTS_01_3.VOB.bak", "EXTRA/DEEP/NESTED/BONUS.VOB",
                              "EXTRA/VTS_01_0.VOB", "AUDIO_TS/NOEXT", "ROOT.VOB", ".hidden.VOB"});
    fs::create_directories(d + "FOLDER.VOB/INNER");
    std::ofstream(d + "FOLDER.VOB/INNER/IN.VOB") << "";
    // A link back up the tree must not make the search endless.
    fs::create_directory_symlink("..", d + "EXTRA/LOOP");
    table.Add(d, DriveType::Optical, "DISC");

    auto dialog = Create();
    // Every folder, by bare name, equal names twice; ".vob" and
    // "VIDEO_TS.VOB" left out; a folder named *.VOB searched, not listed.
    EXPECT_EQ(Sorted(Rows(*dialog)),
              Sorted({"VTS_01_0", "VTS_01_1", "video_ts", "BONUS", "VTS_01_0", "ROOT", ".hidden", "IN"}));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SelectDVDTest, NestedFolderIsSearchedBeforeTheNextEntry)
{
    // One sub-folder between files: its chapter must sit between the files'
    // rows wherever the file system puts the folder, never after all of them.
    const auto d = Disc("d", {"A.VOB", "B.VOB", "C.VOB", "SUB/DEEP/X.VOB"});
    table.Add(d, DriveType::Optical);
    auto dialog = Create();
    const auto rows = Rows(*dialog);
    ASSERT_EQ(rows.size(), 4u);

    std::vector<std::string> expected;
    for (const auto& entry : fs::directory_iterator(d))  // the file system's order
        expected.push_back(entry.is_directory() ? "X" : entry.path().stem().string());
    EXPECT_EQ(rows, expected);
}

TEST_F(SelectDVDTest, UnreadableFolderGivesWhatTheOthersGave)
{
    const auto d = Disc("d", {"VIDEO_TS/VTS_01_1.VOB", "LOCKED/VTS_02_1.VOB"});
    fs::permissions(d + "LOCKED", fs::perms::none);
    table.Add(d, DriveType::Optical);
    std::unique_ptr<TFormSelectDVD> dialog;
    {
        WithoutReadOverride asUser;
        std::unique_ptr<DIR, int (*)(DIR*)> probe(::opendir((d + "LOCKED").c_str()), ::closedir);
        if (probe) {
            fs::permissions(d + "LOCKED", fs::perms::owner_all);
            GTEST_SKIP() << "this process reads folders without read permission";
        }
        dialog = Create();
    }
    fs::permissions(d + "LOCKED", fs::perms::owner_all);
    EXPECT_EQ(Rows(*dialog), std::vector<std::string>{"VTS_01_1"});
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SelectDVDTest, EmptyDriveWarnsOnlyWhileTheDialogIsActive)
{
    table.Add("/dev/sr0/", DriveType::Optical, "", false);
    table.Add(Disc("e", {"VIDEO_TS/VTS_01_1.VOB"}), DriveType::Optical, "E");

    auto dialog = Create();  // hidden: silent
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(Entries(*dialog)[0], "/dev/sr0/[]");
    EXPECT_TRUE(Rows(*dialog).empty());

    dialog->BtnRefreshChapterListClick();  // still hidden
    EXPECT_TRUE(boxes.shown.empty());

    ShowActive(*dialog);
    Click(dialog->ImgBtnRefreshChapterList);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "情報");
    EXPECT_EQ(boxes.shown[0].text, InsertDisc);
    EXPECT_EQ(boxes.shown[0].buttons, movarin::BoxButtons::Ok);
    EXPECT_EQ(boxes.shown[0].icon, movarin::BoxIcon::None);
    EXPECT_TRUE(Rows(*dialog).empty());

    PickNextDrive(*dialog);
    EXPECT_EQ(dialog->CBDriveList->currentIndex(), 1);
    EXPECT_EQ(Rows(*dialog), std::vector<std::string>{"VTS_01_1"});
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(SelectDVDTest, RefreshReusesThePositionNotTheDrive)
{
    const auto d = Disc("d", {"VIDEO_TS/D1.VOB"});
    const auto e = Disc("e", {"VIDEO_TS/E1.VOB"});
    table.Add(d, DriveType::Optical, "D");
    table.Add(e, DriveType::Optical, "E");
    auto dialog = Create();
    ShowActive(*dialog);

    // E selected, then E disappears: nothing selected, nothing listed, no message.
    PickNextDrive(*dialog);
    EXPECT_EQ(Rows(*dialog), std::vector<std::string>{"E1"});
    table.Remove(e);
    Click(dialog->ImgBtnRefreshChapterList);
    EXPECT_EQ(Entries(*dialog), std::vector<std::string>{d + "[D]"});
    EXPECT_EQ(dialog->CBDriveList->currentIndex(), -1);
    EXPECT_TRUE(Rows(*dialog).empty());
    EXPECT_TRUE(boxes.shown.empty());

    // Nothing selected counts as the first position; a new drive in front
    // then takes it.
    const auto c = Disc("c", {"VIDEO_TS/C1.VOB"});
    table.drives.insert(table.drives.begin(), FakeVolumeTable::Drive{{c, {}, DriveType::Optical}, "C"});
    Click(dialog->ImgBtnRefreshChapterList);
    EXPECT_EQ(dialog->CBDriveList->currentIndex(), 0);
    EXPECT_EQ(dialog->GetDriveRoot(), c);
    EXPECT_EQ(Rows(*dialog), std::vector<std::string>{"C1"});
}

TEST_F(SelectDVDTest, DiscInsertedSinceTheListingIsFoundByPickingTheDrive)
{
    // The empty drive is only its device; with a disc in, it is mounted at a
    // folder named after the disc.
    const auto d = Disc("d", {"VIDEO_TS/D1.VOB"});
    table.Add(d, DriveType::Optical, "D");
    table.drives.push_back({{"/dev/sr1/", "/dev/sr1", DriveType::Optical}, "", false});
    auto dialog = Create();
    ShowActive(*dialog);
    ASSERT_EQ(Entries(*dialog), (std::vector<std::string>{d + "[D]", "/dev/sr1/[]"}));

    const auto mounted = Disc("MOVIE", {"VIDEO_TS/VIDEO_TS.VOB", "VIDEO_TS/VTS_01_1.VOB"});
    table.drives[1] = {{mounted, "/dev/sr1", DriveType::Optical}, "MOVIE", true};
    PickNextDrive(*dialog);
    EXPECT_EQ(Rows(*dialog), std::vector<std::string>{"VTS_01_1"});
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(dialog->GetDriveRoot(), mounted);
    EXPECT_EQ(Entries(*dialog)[1], mounted + "[MOVIE]");

    // Swapped between the listing and OK: the jobs go under the new disc's folder.
    const auto swapped = Disc("OTHER", {"VIDEO_TS/VTS_01_1.VOB"});
    table.drives[1] = {{swapped, "/dev/sr1", DriveType::Optical}, "OTHER", true};
    dialog->LBChapter->selectAll();
    dialog->BtnOKClick();
    ThConvertInfoObjectList jobs;
    dialog->AddSelectedChapters(jobs);
    ASSERT_EQ(jobs.Count(), 1);
    EXPECT_EQ(movarin::ToNarrow(jobs.Items(0)->SourcePath), swapped + "VIDEO_TS/VTS_01_1.VOB");
    EXPECT_EQ(Entries(*dialog)[1], swapped + "[OTHER]");
    ShowActive(*dialog);

    // Ejected again: the drive is back to its device, and asks for a disc.
    table.drives[1] = {{"/dev/sr1/", "/dev/sr1", DriveType::Optical}, "", false};
    dialog->CBDriveListChange();
    EXPECT_TRUE(Rows(*dialog).empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, InsertDisc);
}

TEST_F(SelectDVDTest, OkWithoutSelectionKeepsTheDialogOpenCancelCloses)
{
    table.Add(Disc("d", {"VIDEO_TS/VTS_01_1.VOB"}), DriveType::Optical);
    auto dialog = Create();
    ThConvertInfoObjectList jobs;

    DriveModal(*dialog, [&] { dialog->ShowModal(); }, [&] {
        Click(dialog->ImgBtnOK);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title, "情報");
        EXPECT_EQ(boxes.shown[0].text, SelectChapter);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_FALSE(dialog->CloseAllowed());

        // A close request does not get past the refusal; Escape is Cancel.
        dialog->close();
        EXPECT_TRUE(dialog->isVisible());
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
    });
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(dialog->Accepted());
    EXPECT_TRUE(dialog->CloseAllowed());
}

TEST_F(SelectDVDTest, SelectedChaptersBecomeWaitingJobsInRowOrder)
{
    const auto d = Disc("d", {"VIDEO_TS/VTS_01_1.VOB", "VIDEO_TS/VTS_02_1.VOB", "MORE/EXTRA.VOB"});
    table.Add(d, DriveType::Optical, "DISC");
    auto dialog = Create();
    ThConvertInfoObjectList jobs;
    auto existing = std::make_unique<ThConvertInfoObject>();
    existing->SourcePath = u"/home/a.avi";
    jobs.Add(std::move(existing));

    std::vector<std::string> picked;
    DriveModal(*dialog, [&] { dialog->ShowModal(); }, [&] {
        Click(dialog->ImgBtnSelectAll);
        EXPECT_EQ(dialog->LBChapter->selectedItems().size(), 3);
        Click(dialog->ImgBtnAnSelectAll);
        EXPECT_TRUE(dialog->LBChapter->selectedItems().isEmpty());
        dialog->LBChapter->item(2)->setSelected(true);
        dialog->LBChapter->item(0)->setSelected(true);
        picked = {Rows(*dialog)[0], Rows(*dialog)[2]};
        Click(dialog->ImgBtnOK);
    });
    ASSERT_TRUE(dialog->Accepted());
    dialog->AddSelectedChapters(jobs);

    ASSERT_EQ(jobs.Count(), 3);
    EXPECT_EQ(jobs.Items(0)->SourcePath, u"/home/a.avi");
    for (int i = 0; i < 2; ++i) {
        // Always in VIDEO_TS of the drive, whichever folder held the file.
        EXPECT_EQ(movarin::ToNarrow(jobs.Items(i + 1)->SourcePath), d + "VIDEO_TS/" + picked[i] + ".VOB");
        EXPECT_EQ(jobs.Items(i + 1)->State, csWaiting);
        EXPECT_TRUE(jobs.Items(i + 1)->OutputPath.empty());
    }

    // Shown again: everything as left, so OK at once hands the same chapters over again.
    DriveModal(*dialog, [&] { dialog->ShowModal(); }, [&] { Click(dialog->ImgBtnOK); });
    dialog->AddSelectedChapters(jobs);
    ASSERT_EQ(jobs.Count(), 5);
    EXPECT_EQ(jobs.Items(3)->SourcePath, jobs.Items(1)->SourcePath);
    EXPECT_EQ(jobs.Items(4)->SourcePath, jobs.Items(2)->SourcePath);
}

TEST_F(SelectDVDTest, CloseRequestIsDecidedByTheLastButton)
{
    table.Add(Disc("d", {"VIDEO_TS/VTS_01_1.VOB"}), DriveType::Optical);
    auto dialog = Create();
    dialog->show();
    dialog->close();  // before OK or Cancel was ever used
    EXPECT_TRUE(dialog->isVisible());

    dialog->LBChapter->selectAll();
    Click(dialog->ImgBtnOK);
    EXPECT_FALSE(dialog->isVisible());

    // After an OK, a later close request is granted and Accepted stays true;
    // Escape is Cancel, so the chapters are not handed over again.
    dialog->show();
    EXPECT_TRUE(dialog->close());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(dialog->Accepted());
    dialog->show();
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(dialog->Accepted());
}

TEST_F(SelectDVDTest, KeyboardAlonePicksSeveralChaptersAndConfirms)
{
    table.Add(Disc("d", {"VIDEO_TS/VTS_01_1.VOB", "VIDEO_TS/VTS_02_1.VOB", "VIDEO_TS/VTS_03_1.VOB",
                         "VIDEO_TS/VTS_04_1.VOB"}),
              DriveType::Optical);
    auto dialog = Create();
    const auto key = [](QKeyCombination k) {
        QTest::keyClick(QApplication::focusWidget(), k.key(), k.keyboardModifiers());
    };
    DriveModal(*dialog, [&] { dialog->ShowModal(); }, [&] {
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        std::vector<std::string> visited;
        for (int i = 0; i < 7; ++i) {
            visited.push_back(QApplication::focusWidget()->accessibleName().toStdString());
            key(Qt::Key_Tab);
        }
        EXPECT_EQ(visited, (std::vector<std::string>{"ドライブ", "チャプター", "更新", "全選択", "全選択解除",
                                                     "OK", "キャンセル"}));
        key(Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), dialog->LBChapter);
        // Rows 0 and 1 by Shift, row 3 added by Ctrl and Space.
        for (QKeyCombination k : {QKeyCombination(Qt::Key_Space), Qt::SHIFT | Qt::Key_Down,
                                  Qt::CTRL | Qt::Key_Down, Qt::CTRL | Qt::Key_Down, Qt::CTRL | Qt::Key_Space})
            key(k);
        key(Qt::Key_Return);
    });
    ASSERT_TRUE(dialog->Accepted());
    std::vector<int> picked;
    for (int row = 0; row < dialog->LBChapter->count(); ++row)
        if (dialog->LBChapter->item(row)->isSelected())
            picked.push_back(row);
    EXPECT_EQ(picked, (std::vector<int>{0, 1, 3}));
}

TEST_F(SelectDVDTest, NoOpticalDriveLeavesBothListsEmptyWithoutMessage)
{
    table.Add(Disc("c", {"VIDEO_TS/VTS_01_1.VOB"}), DriveType::Fixed);
    auto dialog = Create();
    ShowActive(*dialog);
    Click(dialog->ImgBtnRefreshChapterList);
    EXPECT_EQ(dialog->CBDriveList->count(), 0);
    EXPECT_TRUE(Rows(*dialog).empty());
    EXPECT_TRUE(boxes.shown.empty());

    ThConvertInfoObjectList jobs;
    dialog->AddSelectedChapters(jobs);
    EXPECT_EQ(jobs.Count(), 0);
}

} // namespace
