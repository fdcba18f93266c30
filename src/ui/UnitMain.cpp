#include "ui/UnitMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QTreeWidget>
#include <QUrl>

#include <utility>

#include "jobs/Settings.h"
#include "jobs/VideoFiles.h"
#include "platform/FileDialogs.h"
#include "platform/Folders.h"
#include "platform/MessageBoxes.h"
#include "platform/NaturalOrder.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "runner/ConsoleRunner.h"
#include "ui/DropFiles.h"
#include "ui/DropQueue.h"
#include "ui/MainWindowKeyboard.h"
#include "ui/UnitConfig.h"
#include "ui/UnitSelectDVD.h"
#include "ui/imagebutton.h"

using movarin::BoxAnswer;
using movarin::BoxButtons;
using movarin::BoxIcon;

namespace {

const char* const ReadingFoldersText = QT_TRANSLATE_NOOP("TFormMain", "フォルダを読み込んでいます…");

// Local file names of a drop, in its order; other URLs are not files of
// this machine and are left out.
std::vector<std::string> LocalFileNames(const QMimeData& mime)
{
    std::vector<std::string> names;
    for (const QUrl& url : mime.urls()) {
        if (!url.isLocalFile())
            continue;
        QString name = url.toLocalFile();
        // A folder may come with a trailing delimiter; its name is what counts.
        while (name.size() > 1 && name.endsWith(QLatin1Char('/')))
            name.chop(1);
        names.push_back(name.toStdString());
    }
    return names;
}

bool HasLocalFile(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls())
        return false;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            return true;
    return false;
}

// Qt's signal and event code does not support exceptions passing through it,
// so a handler's failure is reported where it leaves the handler.
template <class Handler>
auto Reported(movarin::IMessageBoxes& boxes, Handler handler)
{
    return [&boxes, handler](auto... args) -> decltype(handler(args...), void()) {
        try {
            handler(args...);
        } catch (const std::exception& error) {
            movarin::ReportUnhandledException(boxes, error);
        } catch (...) {
            movarin::ReportUnknownException(boxes);
        }
    };
}

} // namespace

void OpenFolderInDesktop(const std::string& folder)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}

TFormMain::TFormMain(const MainWindowServices& services, QWidget* parent)
    : QWidget(parent)
    , Boxes_(services.Boxes)
    , FileDialogs_(services.FileDialogs)
    , Volumes_(services.Volumes)
    , DocumentsFolder_(services.DocumentsFolder)
    , OpenFolder_(services.OpenFolder)
{
    CreateControls();
    connect(ImgBtnAddFile, &TImageButton::OnClick, this, Reported(Boxes_, [this] { ImgBtnAddFileClick(); }));
    connect(ImgBtnAddDVD, &TImageButton::OnClick, this, Reported(Boxes_, [this] { ImgBtnAddDVDClick(); }));
    connect(ImgBtnListDelete, &TImageButton::OnClick, this,
            Reported(Boxes_, [this] { ImgBtnListDeleteClick(); }));
    connect(ImgBtnConfig, &TImageButton::OnClick, this, Reported(Boxes_, [this] { ImgBtnConfigClick(); }));
    connect(ImgBtnConvertCancel, &TImageButton::OnClick, this,
            Reported(Boxes_, [this] { ImgBtnConvertCancelClick(); }));
    for (TImageButton* button :
         {ImgBtnConvertMovie, ImgBtnConvertMovie2Walkman, ImgBtnConvertMusic})
        connect(button, &TImageButton::OnClick, this,
                Reported(Boxes_, [this](TImageButton* sender) { BtnConvertClick(sender); }));
    movarin::SetUpMainWindowKeyboard(*this);
    FormCreate();
    Driver_->ViewerLanguage = services.ViewerLanguage;
}

TFormMain::~TFormMain()
{
    // A folder still being read is given up at once rather than after the
    // window's parts are gone. The runners wait for their workers; a worker's
    // end-of-run handler refers to the driver, so they go first.
    delete Drops_;
    Drops_ = nullptr;
    delete ConsoleConvert;
    ConsoleConvert = nullptr;
    delete ConsoleThumnail;
    ConsoleThumnail = nullptr;
}

void TFormMain::FormCreate()
{
    JobList_ = std::make_unique<ThConvertInfoObjectList>();
    const movarin::WorkFolders folders = movarin::PrepareWorkDir(DocumentsFolder_);
    DocumentsDir_ = folders.DocumentsDir;
    WorkDir_ = folders.WorkDir;
    LoadSettings(*JobList_, WorkDir_);
    OpenDialogInitialDir_ = DocumentsDir_;
    IConversionView& view = *this;
    Driver_ = std::make_unique<TConversionDriver>(nullptr, view, *JobList_, *ConsoleConvert,
                                                  *ConsoleThumnail, Boxes_, Volumes_,
                                                  OpenFolder_);
    Driver_->WorkFolder = WorkDir_;
    Drops_ = new TDropQueue(Reported(Boxes_, [this](const movarin::DropPlan& plan) { ApplyDrop(plan); }),
                            this);
    Drops_->Drained = Reported(Boxes_, [this] { DropsDrained(); });
    Drops_->ReadingShown = [this](bool reading) {
        if (reading)
            StatusBeforeReading_ = LblSituation->text().toStdString();
        ShowStatus(reading ? QCoreApplication::translate("TFormMain", ReadingFoldersText).toStdString()
                           : StatusBeforeReading_);
    };
    Probe_ = std::make_unique<TLengthProbe>(nullptr, *JobList_);
    SetBusy(false);
}

void TFormMain::SetDialogs(TFormSelectDVD& dvd, TFormConfig& config)
{
    FormSelectDVD_ = &dvd;
    FormConfig_ = &config;
}

void TFormMain::SetRunDesktop(std::unique_ptr<movarin::IRunObserver> desktop)
{
    Driver_->RunObserver = desktop.get();
    RunDesktop_ = std::move(desktop);
}

bool TFormMain::Busy() const
{
    return !ImgBtnConvertMovie->isEnabled();
}

void TFormMain::AddJob(const std::string& path)
{
    auto job = std::make_unique<ThConvertInfoObject>();
    job->SourcePath = movarin::ToWide(path);
    job->State = csWaiting;
    JobList_->Add(std::move(job));
}

void TFormMain::AddJobs(const std::vector<std::string>& paths)
{
    for (const auto& path : paths)
        AddJob(path);
    RefreshJobList();
}

bool TFormMain::AddingFiles() const
{
    return Drops_ && Drops_->Pending();
}

void TFormMain::RefreshJobList()
{
    QTreeWidget* view = ListViewConvertFile;
    view->setUpdatesEnabled(false);
    view->clear();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(JobList_->Count());
    for (int i = 0; i < JobList_->Count(); ++i) {
        const ThConvertInfoObject* job = JobList_->Items(i);
        auto* row = new QTreeWidgetItem;
        row->setText(0, QString::fromStdString(
                            movarin::ExtractFileName(movarin::ToNarrow(job->SourcePath))));
        row->setText(1, QCoreApplication::translate("JobState", StateText(*job).c_str()));
        rows.append(row);
    }
    view->addTopLevelItems(rows);  // the view owns the rows from here
    view->setUpdatesEnabled(true);
    // Every way of adding jobs shows them through here.
    if (Probe_)
        Probe_->Look();
}

void TFormMain::ShowStatus(const std::string& text)
{
    LblSituation->setText(QString::fromStdString(text));
}

void TFormMain::SetBusy(bool busy)
{
    for (TImageButton* button : {ImgBtnAddFile, ImgBtnAddDVD, ImgBtnListDelete, ImgBtnConfig,
                                 ImgBtnConvertMovie, ImgBtnConvertMovie2Walkman,
                                 ImgBtnConvertMusic})
        button->setEnabled(!busy);
    ImgBtnConvertCancel->setEnabled(busy);
    ListViewConvertFile->setAcceptDrops(!busy);
    ListViewConvertFile->viewport()->setAcceptDrops(!busy);
}

void TFormMain::RestoreApplication()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void TFormMain::ImgBtnAddFileClick()
{
    auto chosen = FileDialogs_.OpenFiles(
        OpenDialogInitialDir_,
        movarin::VideoFileFilter(
            QCoreApplication::translate("VideoFiles", movarin::VideoFilesLabel).toStdString()));
    if (chosen.empty())
        return;
    movarin::SortNaturally(chosen);
    AddJobs(chosen);
}

void TFormMain::ImgBtnAddDVDClick()
{
    if (!FormSelectDVD_)
        return;
    FormSelectDVD_->ShowModal();
    if (FormSelectDVD_->Accepted()) {
        FormSelectDVD_->AddSelectedChapters(*JobList_);
        RefreshJobList();
    }
}

void TFormMain::ImgBtnListDeleteClick()
{
    QTreeWidget* view = ListViewConvertFile;
    if (view->selectedItems().isEmpty()) {
        Boxes_.Show("情報",
                    QCoreApplication::translate("TFormMain", "変換リストから除外するファイルを選択してください")
                        .toStdString(),
                    BoxButtons::Ok, BoxIcon::None);
        return;
    }
    if (Boxes_.Show("確認",
                    QCoreApplication::translate("TFormMain", "選択したファイルを変換リストから除外しますか？")
                        .toStdString(),
                    BoxButtons::YesNo, BoxIcon::None) != BoxAnswer::Yes)
        return;
    // Rows are read before any job goes: the list and the rows stay in step
    // until the refresh below.
    std::vector<bool> selected(std::size_t(JobList_->Count()), false);
    for (int i = 0; i < JobList_->Count() && i < view->topLevelItemCount(); ++i)
        selected[std::size_t(i)] = view->topLevelItem(i)->isSelected();
    for (int i = JobList_->Count() - 1; i >= 0; --i)
        if (selected[std::size_t(i)])
            JobList_->Delete(i);
    RefreshJobList();
}

void TFormMain::BtnConvertClick(TImageButton* Sender)
{
    if (AddingFiles()) {
        ConvertAfterDrops_ = Sender->Tag();
        return;
    }
    Driver_->BtnConvertClick(Sender->Tag());
}

void TFormMain::ImgBtnConvertCancelClick()
{
    Driver_->ImgBtnConvertCancelClick();
}

void TFormMain::ImgBtnConfigClick()
{
    if (!FormConfig_)
        return;
    FormConfig_->Execute(*JobList_);
    if (FormConfig_->Accepted())
        SaveSettings(*JobList_, WorkDir_);
}

void TFormMain::FormCloseQuery(bool& CanClose)
{
    if (!Busy()) {
        CanClose = true;
        return;
    }
    Boxes_.Show("情報",
                QCoreApplication::translate(
                    "TFormMain", "変換中は終了できません。変換を中止してから終了してください。")
                    .toStdString(),
                BoxButtons::Ok, BoxIcon::None);
    CanClose = false;
}

void TFormMain::DropFiles(const std::vector<std::string>& names)
{
    Drops_->Add(names);
}

void TFormMain::ApplyDrop(const movarin::DropPlan& plan)
{
    if (plan.failure)
        std::rethrow_exception(plan.failure);
    movarin::WorkThroughDrop(plan, Boxes_,
                             [this](const std::vector<std::string>& paths) { AddJobs(paths); });
}

void TFormMain::DropsDrained()
{
    if (const auto tag = std::exchange(ConvertAfterDrops_, std::nullopt))
        Driver_->BtnConvertClick(*tag);
}

void TFormMain::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    if (!Background_.Empty())
        Background_.Draw(painter, 0, 0);
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    bool canClose = true;
    FormCloseQuery(canClose);
    if (canClose)
        event->accept();
    else
        event->ignore();
}

void TFormMain::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (Centred_)
        return;
    Centred_ = true;
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        const QSize outer = frameGeometry().size();
        move(area.x() + (area.width() - outer.width()) / 2,
             area.y() + (area.height() - outer.height()) / 2);
    }
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != ListViewConvertFile->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (!Busy() && HasLocalFile(drag->mimeData())) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (Busy() || !HasLocalFile(drop->mimeData())) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        Reported(Boxes_, [&] { DropFiles(LocalFileNames(*drop->mimeData())); })();
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}
