#include "ui/UnitSelectDVD.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>

#include <memory>

#include "platform/FolderListing.h"
#include "platform/Paths.h"
#include "platform/PlayerDetection.h"
#include "platform/Text.h"
#include "ui/WindowKit.h"
#include "ui/imagebutton.h"

TFormSelectDVD::TFormSelectDVD(QWidget* parent, movarin::IVolumeTable& volumes, movarin::IMessageBoxes& boxes)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      Volumes_(volumes),
      Boxes_(boxes)
{
    setWindowTitle(tr("チャプター選択画面"));
    setFixedSize(310, 308);
    setFont(movarin::WindowFont());
    Background_ = movarin::LoadWindowPicture("dvd/background.png");

    CBDriveList = new QComboBox(this);
    CBDriveList->setEditable(false);
    CBDriveList->setGeometry(20, 38, 203, 20);

    LBChapter = new QListWidget(this);
    LBChapter->setGeometry(20, 94, 274, 110);
    LBChapter->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LBChapter->setSortingEnabled(false);
    LBChapter->setEditTriggers(QAbstractItemView::NoEditTriggers);

    ImgBtnRefreshChapterList = movarin::MakeImageButton(this, "dvd/refresh", {231, 33, 65, 32});
    ImgBtnSelectAll = movarin::MakeImageButton(this, "dvd/select_all", {16, 212, 73, 32});
    ImgBtnAnSelectAll = movarin::MakeImageButton(this, "dvd/unselect_all", {104, 212, 85, 32});
    ImgBtnOK = movarin::MakeImageButton(this, "common/ok", {125, 265, 73, 38});
    ImgBtnCancel = movarin::MakeImageButton(this, "common/cancel", {212, 265, 84, 38});

    // The captions of the two lists are painted into the background.
    CBDriveList->setAccessibleName(tr("ドライブ"));
    LBChapter->setAccessibleName(tr("チャプター"));
    movarin::NameImageButton(ImgBtnRefreshChapterList, tr("更新"));
    movarin::NameImageButton(ImgBtnSelectAll, tr("全選択"));
    movarin::NameImageButton(ImgBtnAnSelectAll, tr("全選択解除"));
    movarin::NameImageButton(ImgBtnOK, QStringLiteral("OK"), QStringLiteral("Enter"));
    movarin::NameImageButton(ImgBtnCancel, tr("キャンセル"), QStringLiteral("Esc"));
    // The two lists first, then the buttons as laid out; the dialog opens
    // on the first.
    movarin::SetTabOrder({CBDriveList, LBChapter, ImgBtnRefreshChapterList, ImgBtnSelectAll,
                          ImgBtnAnSelectAll, ImgBtnOK, ImgBtnCancel});
    CBDriveList->setFocus();

    // activated: only the user's pick, not the lists' own refills.
    connect(CBDriveList, &QComboBox::activated, this, &TFormSelectDVD::CBDriveListChange);
    connect(ImgBtnRefreshChapterList, &TImageButton::OnClick, this, &TFormSelectDVD::BtnRefreshChapterListClick);
    connect(ImgBtnSelectAll, &TImageButton::OnClick, this, &TFormSelectDVD::BtnSelectAllClick);
    connect(ImgBtnAnSelectAll, &TImageButton::OnClick, this, &TFormSelectDVD::BtnAnSelectAllClick);
    connect(ImgBtnOK, &TImageButton::OnClick, this, &TFormSelectDVD::BtnOKClick);
    connect(ImgBtnCancel, &TImageButton::OnClick, this, &TFormSelectDVD::BtnCancelClick);

    // Still hidden here, so an empty drive gives no message.
    RefreshDriveList();
    RefreshChapterList();
}

void TFormSelectDVD::ShowModal()
{
    exec();
}

void TFormSelectDVD::RefreshDriveList()
{
    const int remembered = CBDriveList->currentIndex();
    CBDriveList->clear();
    Drives_.clear();
    for (const auto& volume : movarin::ExaminedVolumes(Volumes_)) {
        if (volume.type != movarin::DriveType::Optical)
            continue;
        Drives_.push_back(volume);
        CBDriveList->addItem(EntryText(volume));
    }
    if (CBDriveList->count() == 0)
        return;
    // The position is reused as a number: after a change of drives another
    // drive, or none at all, may end up selected.
    if (remembered <= 0)
        CBDriveList->setCurrentIndex(0);
    else if (remembered < CBDriveList->count())
        CBDriveList->setCurrentIndex(remembered);
    else
        CBDriveList->setCurrentIndex(-1);
}

void TFormSelectDVD::RefreshChapterList()
{
    LBChapter->clear();
    Chapters_.clear();
    const int index = CBDriveList->currentIndex();
    if (index < 0 || std::size_t(index) >= Drives_.size())
        return;
    FollowSelectedDrive();
    if (movarin::DiskPresent(Volumes_, Drives_[std::size_t(index)])) {
        SearchChapterFiles(GetDriveRoot());
    } else if (isActiveWindow()) {
        Boxes_.Show("情報",
                    tr("ドライブにディスクを挿入してください").toStdString(), movarin::BoxButtons::Ok,
                    movarin::BoxIcon::None);
    }
}

void TFormSelectDVD::FollowDrive(movarin::Volume& drive)
{
    // A drive letter stays with its drive whatever disc is in it; a Linux
    // root does not: a disc is mounted at a folder named after it, and an
    // empty drive has only its device. The device is what stays, so a disc
    // inserted since the last listing is found when the drive is picked again.
    if (drive.device.empty())
        return;
    for (const auto& volume : movarin::ExaminedVolumes(Volumes_)) {
        if (volume.type == movarin::DriveType::Optical && volume.device == drive.device) {
            drive = volume;
            return;
        }
    }
}

QString TFormSelectDVD::EntryText(const movarin::Volume& drive) const
{
    return QString::fromStdString(drive.root + "[" + Volumes_.VolumeLabel(drive) + "]");
}

void TFormSelectDVD::FollowSelectedDrive()
{
    const int index = CBDriveList->currentIndex();
    if (index < 0 || std::size_t(index) >= Drives_.size())
        return;
    movarin::Volume& drive = Drives_[std::size_t(index)];
    FollowDrive(drive);
    CBDriveList->setItemText(index, EntryText(drive));
}

std::string TFormSelectDVD::GetDriveRoot() const
{
    const int index = CBDriveList->currentIndex();
    if (index < 0 || std::size_t(index) >= Drives_.size())
        return {};
    return Drives_[std::size_t(index)].root;
}

void TFormSelectDVD::SearchChapterFiles(const std::string& folder)
{
    // A folder that cannot be read adds nothing; what the others gave stays.
    std::vector<movarin::FolderEntry> entries;
    if (!movarin::ListFolder(folder, entries))
        return;
    for (const movarin::FolderEntry& entry : entries) {
        const std::string& name = entry.name;
        if (entry.kind == movarin::EntryKind::Folder) {
            // Depth first: the sub-folder's chapters come before the next entry.
            SearchChapterFiles(folder + name + movarin::PathDelimiter);
            continue;
        }
        if (entry.kind == movarin::EntryKind::LinkToFolder)
            continue;
        // Exact and case-sensitive: ".vob" is not a chapter, "video_ts.VOB" is.
        if (movarin::ExtractFileExt(name) == ".VOB" && name != "VIDEO_TS.VOB") {
            Chapters_.push_back(movarin::RemoveFileExt(name));
            LBChapter->addItem(QString::fromStdString(Chapters_.back()));
        }
    }
}

void TFormSelectDVD::AddSelectedChapters(ThConvertInfoObjectList& list) const
{
    const auto root = GetDriveRoot();
    if (root.empty())
        return;
    for (int row = 0; row < LBChapter->count() && std::size_t(row) < Chapters_.size(); ++row) {
        if (!LBChapter->item(row)->isSelected())
            continue;
        auto job = std::make_unique<ThConvertInfoObject>();
        job->SourcePath = movarin::ToWide(root + "VIDEO_TS/" + Chapters_[std::size_t(row)] + ".VOB");
        job->State = csWaiting;
        list.Add(std::move(job));
    }
}

void TFormSelectDVD::FormCloseQuery(bool& CanClose)
{
    CanClose = CloseAllowed_;
}

void TFormSelectDVD::CBDriveListChange()
{
    LBChapter->clear();
    Chapters_.clear();
    RefreshChapterList();
}

void TFormSelectDVD::BtnRefreshChapterListClick()
{
    RefreshDriveList();
    RefreshChapterList();
}

void TFormSelectDVD::BtnSelectAllClick()
{
    LBChapter->selectAll();
}

void TFormSelectDVD::BtnAnSelectAllClick()
{
    LBChapter->clearSelection();
}

void TFormSelectDVD::BtnOKClick()
{
    if (LBChapter->selectedItems().isEmpty()) {
        Boxes_.Show("情報",
                    tr("チャプターを選択してください").toStdString(), movarin::BoxButtons::Ok,
                    movarin::BoxIcon::None);
        CloseAllowed_ = false;
        return;
    }
    // The disc may have been ejected or swapped since the listing: the
    // chapters go under where the drive's disc is now.
    FollowSelectedDrive();
    CloseAllowed_ = true;
    Accepted_ = true;
    close();
}

void TFormSelectDVD::BtnCancelClick()
{
    CloseAllowed_ = true;
    Accepted_ = false;
    close();
}

void TFormSelectDVD::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    Background_.Draw(painter, 0, 0);
}

void TFormSelectDVD::closeEvent(QCloseEvent* event)
{
    bool canClose = true;
    FormCloseQuery(canClose);
    if (!canClose) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFormSelectDVD::keyPressEvent(QKeyEvent* event)
{
    // Through the buttons, so the keys ask and close exactly as they do; a
    // focused button takes Enter itself. The dialog's own Escape (a reject)
    // would bypass them.
    switch (movarin::DialogKeyOf(*event)) {
    case movarin::DialogKey::Ok: ImgBtnOK->Click(); return;
    case movarin::DialogKey::Cancel: ImgBtnCancel->Click(); return;
    case movarin::DialogKey::None: break;
    }
    QWidget::keyPressEvent(event);
}

void TFormSelectDVD::done(int result)
{
    // Every way out (a close request, reject, accept) asks the same question.
    bool canClose = true;
    FormCloseQuery(canClose);
    if (canClose)
        QDialog::done(result);
}
