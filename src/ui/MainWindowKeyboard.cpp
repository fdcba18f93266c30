#include "ui/MainWindowKeyboard.h"

#include <QCoreApplication>
#include <QKeySequence>
#include <QShortcut>
#include <QTreeWidget>

#include "ui/UnitMain.h"
#include "ui/WindowKit.h"
#include "ui/imagebutton.h"

namespace movarin {

namespace {

void BindKey(TFormMain& window, TImageButton* button, const QString& name, QKeyCombination key)
{
    const QKeySequence keys(key);
    NameImageButton(button, name, keys.toString(QKeySequence::NativeText));
    auto* shortcut = new QShortcut(keys, &window);
    QObject::connect(shortcut, &QShortcut::activated, button, &TImageButton::Click);
}

} // namespace

void SetUpMainWindowKeyboard(TFormMain& window)
{
    window.ListViewConvertFile->setAccessibleName(QCoreApplication::translate("TFormMain", "変換リスト"));

    BindKey(window, window.ImgBtnAddFile, QCoreApplication::translate("TFormMain", "ファイル追加"),
            Qt::CTRL | Qt::Key_O);
    NameImageButton(window.ImgBtnAddDVD, QCoreApplication::translate("TFormMain", "DVD追加"));
    BindKey(window, window.ImgBtnListDelete, QCoreApplication::translate("TFormMain", "削除"),
            QKeyCombination(Qt::Key_Delete));
    NameImageButton(window.ImgBtnConfig, QCoreApplication::translate("TFormMain", "設定"));
    NameImageButton(window.ImgBtnConvertMovie, QCoreApplication::translate("TFormMain", "MP4変換"));
    NameImageButton(window.ImgBtnConvertMovie2Walkman,
                    QCoreApplication::translate("TFormMain", "WALKMAN転送"));
    NameImageButton(window.ImgBtnConvertMusic, QCoreApplication::translate("TFormMain", "MP3変換"));
    // Only enabled during a run, so Escape cancels only then.
    BindKey(window, window.ImgBtnConvertCancel, QCoreApplication::translate("TFormMain", "中止"),
            QKeyCombination(Qt::Key_Escape));

    QTreeWidget* list = window.ListViewConvertFile;
    auto* selectAll = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_A), &window);
    QObject::connect(selectAll, &QShortcut::activated, list, &QTreeWidget::selectAll);

    // The list stays first; the cancel button sits bottom left, but it is
    // the last thing to reach for.
    SetTabOrder({list, window.ImgBtnAddFile, window.ImgBtnAddDVD, window.ImgBtnListDelete,
                 window.ImgBtnConfig, window.ImgBtnConvertMovie, window.ImgBtnConvertMovie2Walkman,
                 window.ImgBtnConvertMusic, window.ImgBtnConvertCancel});
}

} // namespace movarin
