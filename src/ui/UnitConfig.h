#pragma once
// The settings dialog: quality preset, aspect ratio, output folder, the
// open-folder choice, subtitles, loudness and the interface language of the
// job list, edited in place on OK. Created once,
// hidden, at start-up; Execute fills it from the settings every time.
#include <QDialog>
#include <QLabel>

#include <string>

#include "jobs/ThConvertInfo.h"
#include "platform/FileDialogs.h"
#include "ui/PngPicture.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class TImageButton;

// A label that reports a click (left button pressed and released on it).
class TClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit TClickLabel(QWidget* parent) : QLabel(parent) {}

signals:
    void OnClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool Armed_ = false;
};

class TFormConfig : public QDialog {
    Q_OBJECT
public:
    TFormConfig(QWidget* parent, movarin::IFileDialogs& dialogs);

    // Remembers the list, fills the controls from its settings and shows the
    // dialog modally; returns when it has closed.
    void Execute(ThConvertInfoObjectList& list);
    // True when the dialog was last closed with OK; showing does not reset it.
    bool Accepted() const { return Accepted_; }

    // Controls; the dialog owns them.
    QComboBox* CBConvertQuality = nullptr;
    QComboBox* CBConvertRaito = nullptr;
    QLineEdit* EditSaveDir = nullptr;
    QCheckBox* CBOpenDir = nullptr;
    TClickLabel* LblOpenDir = nullptr;
    QComboBox* CBSubtitles = nullptr;
    QCheckBox* CBLoudness = nullptr;
    TClickLabel* LblLoudness = nullptr;
    QComboBox* CBLanguage = nullptr;
    TImageButton* ImgBtnSelectDir = nullptr;
    TImageButton* ImgBtnOK = nullptr;
    TImageButton* ImgBtnCancel = nullptr;

    // Handlers, bound to the controls.
    void ImgBtnOKClick();
    void ImgBtnCancelClick();
    void ImgBtnSelectDirClick();
    void LblOpenDirClick();

    // Settings of TargetList to the controls and back; values outside the
    // lists' ranges leave the other side as it was.
    void LoadControls();
    void StoreControls();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetSaveDir(const std::string& dir);

    movarin::IFileDialogs& Dialogs_;
    TPngPicture Background_;
    ThConvertInfoObjectList* TargetList_ = nullptr;
    // The folder as narrow text, exactly as it came in: the edit only shows it
    // (a Linux path need not be valid UTF-8).
    std::string SaveDirText_;
    bool Accepted_ = false;
};
