#include "ui/UnitConfig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include "platform/Paths.h"
#include "ui/WindowKit.h"
#include "ui/imagebutton.h"

namespace {

// The client area; the rows' captions and rules are painted into the
// background picture of the same size.
constexpr int DialogWidth = 474;
constexpr int DialogHeight = 475;

QComboBox* MakeList(QWidget* parent, int left, int top, const QStringList& entries)
{
    auto* list = new QComboBox(parent);
    list->setEditable(false);
    list->setGeometry(left, top, 137, 20);
    list->addItems(entries);
    list->setCurrentIndex(0);
    return list;
}

// A check box without text on the background's colour; its wording is
// painted beside it, under a label that takes the clicks.
QCheckBox* MakeCheck(QWidget* parent, int left, int top)
{
    auto* box = new QCheckBox(parent);
    box->setGeometry(left, top, 16, 17);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Window, QColor(244, 242, 235));
    box->setPalette(palette);
    box->setAutoFillBackground(true);
    return box;
}

} // namespace

void TClickLabel::mousePressEvent(QMouseEvent* event)
{
    Armed_ = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = Armed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    Armed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        emit OnClick();
}

TFormConfig::TFormConfig(QWidget* parent, movarin::IFileDialogs& dialogs)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      Dialogs_(dialogs)
{
    setWindowTitle(tr("設定"));
    setFixedSize(DialogWidth, DialogHeight);
    setFont(movarin::WindowFont());
    Background_ = movarin::LoadWindowPicture("config/background.png");

    LblOpenDir = new TClickLabel(this);
    LblOpenDir->setGeometry(121, 189, 151, 15);
    LblLoudness = new TClickLabel(this);
    LblLoudness->setGeometry(136, 310, 100, 15);

    ImgBtnSelectDir = movarin::MakeImageButton(this, "config/select_dir", {365, 155, 65, 32});
    ImgBtnOK = movarin::MakeImageButton(this, "common/ok", {289, 429, 65, 38});
    ImgBtnCancel = movarin::MakeImageButton(this, "common/cancel", {372, 429, 83, 38});

    CBConvertQuality = MakeList(this, 120, 29,
                                {tr("最高画質"), tr("高画質"), tr("標準画質"), tr("低画質")});
    CBConvertRaito = MakeList(this, 120, 92, {tr("標準（４：３）"), tr("ワイド（１６：９）")});

    EditSaveDir = new QLineEdit(this);
    EditSaveDir->setGeometry(105, 160, 251, 20);
    EditSaveDir->setReadOnly(true);
    QPalette editPalette = EditSaveDir->palette();
    editPalette.setColor(QPalette::Base, editPalette.color(QPalette::Button));
    EditSaveDir->setPalette(editPalette);

    CBOpenDir = MakeCheck(this, 105, 188);
    CBSubtitles = MakeList(this, 120, 242, {tr("自動"), tr("焼き込まない")});
    CBLoudness = MakeCheck(this, 120, 309);
    // In the order of LanguageChoice.
    CBLanguage = MakeList(this, 120, 374, {tr("自動"), tr("日本語"), tr("English")});
    // The translations are loaded once, at start.
    CBLanguage->setToolTip(tr("変更は次回の起動から有効になります"));

    // The captions of the rows and the check box's wording are painted into
    // the background.
    CBConvertQuality->setAccessibleName(tr("画質設定"));
    CBConvertRaito->setAccessibleName(tr("画面比率"));
    EditSaveDir->setAccessibleName(tr("保存先"));
    CBOpenDir->setAccessibleName(tr("変換後に保存先を開く"));
    CBSubtitles->setAccessibleName(tr("字幕"));
    CBLoudness->setAccessibleName(tr("音量をそろえる"));
    CBLanguage->setAccessibleName(tr("言語"));
    movarin::NameImageButton(ImgBtnSelectDir, tr("選択"));
    movarin::NameImageButton(ImgBtnOK, QStringLiteral("OK"), QStringLiteral("Enter"));
    movarin::NameImageButton(ImgBtnCancel, tr("キャンセル"), QStringLiteral("Esc"));
    // The settings first, then the buttons as laid out; the dialog opens on
    // the first.
    movarin::SetTabOrder({CBConvertQuality, CBConvertRaito, EditSaveDir, CBOpenDir, CBSubtitles, CBLoudness,
                          CBLanguage, ImgBtnSelectDir, ImgBtnOK, ImgBtnCancel});
    CBConvertQuality->setFocus();

    connect(LblOpenDir, &TClickLabel::OnClick, this, &TFormConfig::LblOpenDirClick);
    connect(LblLoudness, &TClickLabel::OnClick, CBLoudness, &QCheckBox::toggle);
    connect(ImgBtnSelectDir, &TImageButton::OnClick, this, &TFormConfig::ImgBtnSelectDirClick);
    connect(ImgBtnOK, &TImageButton::OnClick, this, &TFormConfig::ImgBtnOKClick);
    connect(ImgBtnCancel, &TImageButton::OnClick, this, &TFormConfig::ImgBtnCancelClick);
}

void TFormConfig::Execute(ThConvertInfoObjectList& list)
{
    TargetList_ = &list;
    LoadControls();
    exec();
}

void TFormConfig::LoadControls()
{
    if (!TargetList_)
        return;
    const auto& list = *TargetList_;
    if (list.Quality <= 3)
        CBConvertQuality->setCurrentIndex(list.Quality);
    if (list.Ratio <= 1)
        CBConvertRaito->setCurrentIndex(list.Ratio);
    SetSaveDir(list.SaveDir);
    CBOpenDir->setChecked(list.OpenDir);
    CBSubtitles->setCurrentIndex(list.Subtitles == smOff ? 1 : 0);
    CBLoudness->setChecked(list.Loudness);
    CBLanguage->setCurrentIndex(int(list.Language));
}

void TFormConfig::StoreControls()
{
    if (!TargetList_)
        return;
    auto& list = *TargetList_;
    const int quality = CBConvertQuality->currentIndex();
    if (quality >= 0 && quality <= 3)
        list.Quality = std::uint8_t(quality);
    const int ratio = CBConvertRaito->currentIndex();
    if (ratio >= 0 && ratio <= 1)
        list.Ratio = std::uint8_t(ratio);
    list.SaveDir = SaveDirText_;
    list.OpenDir = CBOpenDir->isChecked();
    list.Subtitles = CBSubtitles->currentIndex() == 1 ? smOff : smAuto;
    list.Loudness = CBLoudness->isChecked();
    const int language = CBLanguage->currentIndex();
    if (language >= 0 && language <= int(LanguageChoice::English))
        list.Language = LanguageChoice(language);
}

void TFormConfig::SetSaveDir(const std::string& dir)
{
    SaveDirText_ = dir;
    EditSaveDir->setText(QString::fromStdString(dir));
}

void TFormConfig::ImgBtnOKClick()
{
    StoreControls();
    Accepted_ = true;
    close();
}

void TFormConfig::ImgBtnCancelClick()
{
    // The settings stay untouched; a folder picked meanwhile is dropped by
    // the next LoadControls.
    Accepted_ = false;
    close();
}

void TFormConfig::ImgBtnSelectDirClick()
{
    // No folder is preselected, whatever SaveDir holds.
    const auto folder = Dialogs_.ChooseFolder(tr("保存先を選択してください").toStdString());
    // An empty answer is no folder: made into "/" it would send the output
    // to the file-system root.
    if (!folder || folder->empty())
        return;
    SetSaveDir(movarin::IncludeTrailingDelimiter(*folder));
}

void TFormConfig::LblOpenDirClick()
{
    CBOpenDir->setChecked(!CBOpenDir->isChecked());
}

void TFormConfig::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    Background_.Draw(painter, 0, 0);
}

void TFormConfig::keyPressEvent(QKeyEvent* event)
{
    // Through the buttons, so the keys store and close exactly as they do; a
    // focused button takes Enter itself.
    switch (movarin::DialogKeyOf(*event)) {
    case movarin::DialogKey::Ok: ImgBtnOK->Click(); return;
    case movarin::DialogKey::Cancel: ImgBtnCancel->Click(); return;
    case movarin::DialogKey::None: break;
    }
    QWidget::keyPressEvent(event);
}
