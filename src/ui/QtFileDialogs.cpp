#include "ui/QtFileDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

namespace movarin {

void SetUpOpenFileDialog(QFileDialog& dialog, const std::string& initialDir,
                         const std::string& filter)
{
    // One file per choice; a typed name that names no file is still taken.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    // Without the case-sensitive flag the dialog's model matches names
    // without regard to case.
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setDirectory(QString::fromStdString(initialDir));
    dialog.setNameFilter(QString::fromStdString(filter));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setSizeGripEnabled(true);
}

std::optional<std::string> QtFileDialogs::OpenFile(const std::string& initialDir,
                                                   const std::string& filter)
{
    QFileDialog dialog(QApplication::activeWindow());
    SetUpOpenFileDialog(dialog, initialDir, filter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtFileDialogs::ChooseFolder(const std::string& prompt)
{
    // Nothing of the current setting is preselected. Qt's chooser always shows
    // some folder; it starts at the top of the user's own tree (the home
    // folder) rather than at the program's working folder.
    const QString dir = QFileDialog::getExistingDirectory(
        QApplication::activeWindow(), QString::fromStdString(prompt), QDir::homePath(),
        QFileDialog::ShowDirsOnly);
    if (dir.isEmpty())
        return std::nullopt;
    return dir.toStdString();
}

} // namespace movarin
