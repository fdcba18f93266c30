#include "ui/QtFileDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

namespace movarin {

void SetUpOpenFileDialog(QFileDialog& dialog, const std::string& initialDir,
                         const std::string& filter)
{
    // Several files per choice: Shift and Ctrl in the list, or several names
    // typed in quotes. Qt takes several only of files that exist.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    // Without the case-sensitive flag the dialog's model matches names
    // without regard to case.
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setDirectory(QString::fromStdString(initialDir));
    dialog.setNameFilter(QString::fromStdString(filter));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setSizeGripEnabled(true);
}

std::vector<std::string> QtFileDialogs::OpenFiles(const std::string& initialDir,
                                                  const std::string& filter)
{
    QFileDialog dialog(QApplication::activeWindow());
    SetUpOpenFileDialog(dialog, initialDir, filter);
    std::vector<std::string> chosen;
    if (dialog.exec() != QDialog::Accepted)
        return chosen;
    for (const QString& file : dialog.selectedFiles())
        chosen.push_back(file.toStdString());
    return chosen;
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
