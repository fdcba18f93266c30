#pragma once
// The DVD chapter dialog: lists the optical drives, the chapter files (.VOB)
// on the chosen disc, and hands the picked chapters over as waiting jobs.
// Created once, hidden, at start-up and shown modally again and again; it
// keeps its lists, selection and flags between showings.
#include <QDialog>

#include <string>
#include <vector>

#include "jobs/ThConvertInfo.h"
#include "platform/MessageBoxes.h"
#include "platform/Volumes.h"
#include "ui/PngPicture.h"

class QComboBox;
class QListWidget;
class TImageButton;

class TFormSelectDVD : public QDialog {
    Q_OBJECT
public:
    // Lists the drives and the chapters of the selected disc once, silently.
    TFormSelectDVD(QWidget* parent, movarin::IVolumeTable& volumes, movarin::IMessageBoxes& boxes);

    // Shows the dialog modally; returns when it has closed.
    void ShowModal();
    // True when the dialog was last closed with OK.
    bool Accepted() const { return Accepted_; }
    // A close request is granted only while this is true.
    bool CloseAllowed() const { return CloseAllowed_; }
    // Appends one waiting job per selected chapter row, in row order, with the
    // path root + "VIDEO_TS/" + row + ".VOB" on the selected drive.
    void AddSelectedChapters(ThConvertInfoObjectList& list) const;

    // Controls; the dialog owns them.
    QComboBox* CBDriveList = nullptr;
    QListWidget* LBChapter = nullptr;
    TImageButton* ImgBtnRefreshChapterList = nullptr;
    TImageButton* ImgBtnSelectAll = nullptr;
    TImageButton* ImgBtnAnSelectAll = nullptr;
    TImageButton* ImgBtnOK = nullptr;
    TImageButton* ImgBtnCancel = nullptr;

    // Handlers, bound to the controls.
    void FormCloseQuery(bool& CanClose);
    void CBDriveListChange();
    void BtnRefreshChapterListClick();
    void BtnSelectAllClick();
    void BtnAnSelectAllClick();
    void BtnOKClick();
    void BtnCancelClick();

    void RefreshDriveList();
    void RefreshChapterList();
    // Root of the selected drive entry; empty when none is selected.
    std::string GetDriveRoot() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;

private:
    void SearchChapterFiles(const std::string& folder);
    // Updates a listed drive to where its device is now found in the table.
    void FollowDrive(movarin::Volume& drive);
    // FollowDrive for the selected entry, whose text then shows the drive as it is now.
    void FollowSelectedDrive();
    QString EntryText(const movarin::Volume& drive) const;

    movarin::IVolumeTable& Volumes_;
    movarin::IMessageBoxes& Boxes_;
    TPngPicture Background_;
    // Parallel to the entries of CBDriveList: a Linux root holds many "/",
    // so the entry text cannot be cut back into its root.
    std::vector<movarin::Volume> Drives_;
    // Parallel to the rows of LBChapter: the names as the file system gave
    // them, whatever their display makes of bytes that are not UTF-8.
    std::vector<std::string> Chapters_;
    bool CloseAllowed_ = false;
    bool Accepted_ = false;
};
