// The main window's controls: positions, sizes, tags, pictures, the list
// view's columns and look, the status line and the window's own frame.
#include "ui/UnitMain.h"

#include <QCoreApplication>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QtGlobal>

#include "platform/MessageBoxes.h"
#include "runner/ConsoleRunner.h"
#include "ui/WindowKit.h"
#include "ui/imagebutton.h"

namespace {

constexpr int ClientWidth = 471;
constexpr int ClientHeight = 266;
constexpr int NameColumnWidth = 180;
constexpr int StateColumnWidth = 110;

// Draws the cell borders of a report list: Qt's tree view has no grid.
class GridLineDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(QColor(0xd0, 0xd0, 0xd0));
        const QRect r = option.rect;
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
    }

    // Room for the bottom line below underscores and descenders.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(0, 2);
    }
};

} // namespace

void TFormMain::CreateControls()
{
    setWindowTitle(QStringLiteral("Movarin"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);
    setFont(movarin::WindowFont());
    Background_ = movarin::LoadWindowPicture("main/background.png");

    // Created bottom to top, so that later controls lie above earlier ones.
    using movarin::MakeImageButton;
    ImgBtnAddFile = MakeImageButton(this, "main/add_file", {18, 9, 130, 38});
    ImgBtnAddDVD = MakeImageButton(this, "main/add_dvd", {159, 8, 136, 40});
    ImgBtnListDelete = MakeImageButton(this, "main/list_delete", {308, 9, 65, 38});
    ImgBtnConfig = MakeImageButton(this, "main/config", {391, 9, 65, 38});
    ImgBtnConvertCancel = MakeImageButton(this, "main/convert_cancel", {20, 245, 65, 21}, ibsImageLeft);
    ImgBtnConvertMovie =
        MakeImageButton(this, "main/convert_movie", {341, 63, 127, 38}, ibsImageAbove, cmMovie);
    ImgBtnConvertMovie2Walkman = MakeImageButton(this, "main/convert_walkman", {341, 117, 127, 38},
                                                 ibsImageAbove, cmMovieToWalkman);
    ImgBtnConvertMusic =
        MakeImageButton(this, "main/convert_music", {341, 190, 127, 38}, ibsImageAbove, cmMusic);

    ConsoleConvert = new TConsoleRunner(this, &Boxes_);
    ConsoleThumnail = new TConsoleRunner(this, &Boxes_);
    for (TConsoleRunner* runner : {ConsoleConvert, ConsoleThumnail}) {
        runner->InputToOutput = false;
        runner->MaxTimeAfterBeginning = 0;
        runner->MaxTimeAfterLastOutput = 0;
        runner->ShowWindow = swHIDE;
        runner->CreationFlag = fCREATE_NEW_CONSOLE;
        runner->ReturnCode = rcCRLF;
    }

    LblSituation = new QLabel(this);
    LblSituation->setGeometry(96, 249, 369, 12);
    LblSituation->setWordWrap(false);
    LblSituation->setTextFormat(Qt::PlainText);
    LblSituation->setAttribute(Qt::WA_TranslucentBackground);
    LblSituation->setAutoFillBackground(false);
    // A long text is cut at the label's right edge instead of widening it.
    LblSituation->setMinimumWidth(0);
    LblSituation->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    ListViewConvertFile = new QTreeWidget(this);
    ListViewConvertFile->setGeometry(20, 63, 315, 171);
    ListViewConvertFile->setColumnCount(2);
    ListViewConvertFile->setHeaderLabels({QCoreApplication::translate("TFormMain", "ファイル名"),
                                          QCoreApplication::translate("TFormMain", "状態")});
    ListViewConvertFile->setRootIsDecorated(false);
    ListViewConvertFile->setItemsExpandable(false);
    ListViewConvertFile->setUniformRowHeights(true);
    ListViewConvertFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListViewConvertFile->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewConvertFile->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewConvertFile->setDragDropMode(QAbstractItemView::NoDragDrop);
    ListViewConvertFile->setSortingEnabled(false);
    ListViewConvertFile->setAllColumnsShowFocus(true);
    ListViewConvertFile->setItemDelegate(new GridLineDelegate(ListViewConvertFile));
    // The selection keeps its colour when the list loses the focus.
    QPalette palette = ListViewConvertFile->palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    ListViewConvertFile->setPalette(palette);

    QHeaderView* header = ListViewConvertFile->header();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setSortIndicatorShown(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(StateColumnWidth);
    header->setSectionResizeMode(0, QHeaderView::Interactive);
    header->setSectionResizeMode(1, QHeaderView::Fixed);
    header->resizeSection(0, NameColumnWidth);
    header->resizeSection(1, StateColumnWidth);
    connect(header, &QHeaderView::sectionResized, this,
            [header](int logical, int, int newSize) {
                if (logical == 0 && newSize < NameColumnWidth)
                    header->resizeSection(0, NameColumnWidth);
            });

    // Drops are handled by the window, and only over the list.
    ListViewConvertFile->viewport()->installEventFilter(this);
    setTabOrder(ListViewConvertFile, ImgBtnAddFile);
    ListViewConvertFile->setFocus();
}
