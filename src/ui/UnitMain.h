#pragma once
// The main window: the job list view and its editing, the buttons, the status
// line and the conversion run (through TConversionDriver). It owns the job
// list, the two console runners and the work-folder settings.
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jobs/ThConvertInfo.h"
#include "run/ConversionDriver.h"
#include "run/LengthProbe.h"
#include "ui/PngPicture.h"

class QLabel;
class QTreeWidget;
class TConsoleRunner;
class TDropQueue;
class TFormConfig;
class TFormSelectDVD;
class TImageButton;

namespace movarin {
struct DropPlan;
class IFileDialogs;
class IMessageBoxes;
class IVolumeTable;
} // namespace movarin

// The window's collaborators, handed in so that tests can script them.
struct MainWindowServices {
    movarin::IMessageBoxes& Boxes;
    movarin::IFileDialogs& FileDialogs;
    movarin::IVolumeTable& Volumes;
    std::string DocumentsFolder;                        // production: movarin::DocumentsFolder()
    std::function<void(const std::string&)> OpenFolder;  // production: OpenFolderInDesktop
    // The language the interface shows, as the encoder front is told it (ISO 639-2).
    std::string ViewerLanguage = "jpn";
};

// Opens a folder in the desktop's file manager; failures are not reported.
void OpenFolderInDesktop(const std::string& folder);

class TFormMain : public QWidget, private IConversionView {
public:
    // Creates the controls, the job list, the work folder and loads the
    // settings; the window starts idle.
    explicit TFormMain(const MainWindowServices& services, QWidget* parent = nullptr);
    ~TFormMain() override;

    TFormMain(const TFormMain&) = delete;
    TFormMain& operator=(const TFormMain&) = delete;

    // The two dialogs are created after the main window; until this is
    // called their buttons do nothing.
    void SetDialogs(TFormSelectDVD& dvd, TFormConfig& config);
    // What the desktop is told of each run (kept awake, progress, the end);
    // nothing until this is called.
    void SetRunDesktop(std::unique_ptr<movarin::IRunObserver> desktop);

    // Controls, owned by the window (Qt parent).
    QTreeWidget* ListViewConvertFile = nullptr;
    TImageButton* ImgBtnAddFile = nullptr;
    TImageButton* ImgBtnAddDVD = nullptr;
    TImageButton* ImgBtnListDelete = nullptr;
    TImageButton* ImgBtnConfig = nullptr;
    TImageButton* ImgBtnConvertCancel = nullptr;
    TImageButton* ImgBtnConvertMovie = nullptr;
    TImageButton* ImgBtnConvertMovie2Walkman = nullptr;
    TImageButton* ImgBtnConvertMusic = nullptr;
    TConsoleRunner* ConsoleConvert = nullptr;
    QLabel* LblSituation = nullptr;
    TConsoleRunner* ConsoleThumnail = nullptr;

    ThConvertInfoObjectList& JobList() { return *JobList_; }
    const std::string& WorkDir() const { return WorkDir_; }
    const std::string& DocumentsDir() const { return DocumentsDir_; }
    TConversionDriver& Driver() { return *Driver_; }

    // Busy exactly while a run is in progress (the movie button is disabled).
    bool Busy() const;

    void AddJob(const std::string& path);
    // Every way of adding files ends here: one waiting job per path, in the
    // given order, then one refresh of the list.
    void AddJobs(const std::vector<std::string>& paths);
    // Dropped names are still being read (folders walked) or added.
    bool AddingFiles() const;
    void RefreshJobList() override;
    void ShowStatus(const std::string& text) override;
    void SetBusy(bool busy) override;
    void RestoreApplication() override;

    // Handlers, bound to the controls.
    void ImgBtnAddFileClick();
    void ImgBtnAddDVDClick();
    void ImgBtnListDeleteClick();
    void BtnConvertClick(TImageButton* Sender);
    void ImgBtnConvertCancelClick();
    void ImgBtnConfigClick();
    void FormCloseQuery(bool& CanClose);
    // The local file names of one drop, in the drop's order. They are read
    // on a worker and added once all of them are known; a conversion clicked
    // meanwhile starts after that, never on a list still being filled.
    void DropFiles(const std::vector<std::string>& names);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();  // MainWindowLayout.cpp
    void FormCreate();
    void ApplyDrop(const movarin::DropPlan& plan);
    void DropsDrained();

    movarin::IMessageBoxes& Boxes_;
    movarin::IFileDialogs& FileDialogs_;
    movarin::IVolumeTable& Volumes_;
    std::string DocumentsFolder_;
    std::function<void(const std::string&)> OpenFolder_;

    std::unique_ptr<ThConvertInfoObjectList> JobList_;
    std::string WorkDir_;
    std::string DocumentsDir_;
    std::string OpenDialogInitialDir_;
    // Outlives the driver, which holds it; goes while the window is still whole.
    std::unique_ptr<movarin::IRunObserver> RunDesktop_;
    std::unique_ptr<TConversionDriver> Driver_;
    TDropQueue* Drops_ = nullptr;  // owned (Qt parent)
    std::optional<std::int32_t> ConvertAfterDrops_;
    std::string StatusBeforeReading_;
    std::unique_ptr<TLengthProbe> Probe_;  // reads the length of every job added

    TFormSelectDVD* FormSelectDVD_ = nullptr;
    TFormConfig* FormConfig_ = nullptr;
    TPngPicture Background_;
    bool Centred_ = false;
};
