// Movarin's entry: one instance per user login, the application title, the
// three windows in their order, then the event loop until the main window closes.
#include "app/InterfaceLanguage.h"
#include "app/InterfaceTranslation.h"
#include "app/MovarinApplication.h"
#include "app/Startup.h"
#include "desktop/RunDesktop.h"
#include "jobs/Settings.h"
#include "platform/Folders.h"
#include "platform/Paths.h"
#include "platform/ProgramFolder.h"
#include "platform/SingleInstance.h"
#include "platform/Volumes.h"
#include "ui/ArtworkLanguage.h"
#include "ui/QtFileDialogs.h"
#include "ui/QtMessageBoxes.h"
#include "ui/WindowKit.h"

#include <QIcon>
#include <QLocale>

#include <cstdio>
#include <cstring>

namespace {

// The desktop's language unless config.ini names one. Read before the work
// folder is made: choosing a language creates nothing.
movarin::InterfaceLanguage ChosenLanguage(const std::string& documents)
{
    const std::string workDir = movarin::IncludeTrailingDelimiter(
        movarin::IncludeTrailingDelimiter(documents) + movarin::WorkFolderName);
    return movarin::ChooseInterfaceLanguage(QLocale::system().uiLanguages(),
                                            ReadLanguageSetting(workDir));
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/img/icon/movarin-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace

int main(int argc, char** argv)
{
    // Whatever folder Movarin was started from, its command lines find the
    // encoder front "lib/ffmpeg" relative to the program's own folder. When
    // that fails the start goes on: each job then ends with the runner's box.
    if (const int error = movarin::EnterProgramFolder())
        std::fprintf(stderr, "movarin: cannot change to the program's folder: %s\n",
                     std::strerror(error));

    movarin::QtMessageBoxes boxes;
    movarin::MovarinApplication app(argc, argv, boxes);

    QApplication::setApplicationName("Movarin");  // also the window class the menu entry names
    QGuiApplication::setDesktopFileName("movarin");
    QApplication::setWindowIcon(ApplicationIcon());
    // The one place the interface language is known: everything that speaks
    // it (translations, the button pictures, the viewer's language the
    // encoder front is told) takes it from here, before any window is made.
    const std::string documents = movarin::DocumentsFolder();
    const movarin::InterfaceLanguage language = ChosenLanguage(documents);
    const movarin::InterfaceTranslation translation(language);
    movarin::SetArtworkLanguage(movarin::LanguageTag(language));
    // Message boxes and the file dialogs take the windows' Gothic too.
    QApplication::setFont(movarin::WindowFont());

    movarin::QtFileDialogs fileDialogs;
    const std::unique_ptr<movarin::IVolumeTable> volumes = movarin::CreateSystemVolumeTable();

    movarin::SingleInstanceLock instanceLock;
    const auto windows = movarin::StartMovarin(
        instanceLock, MainWindowServices{boxes, fileDialogs, *volumes, documents,
                                         OpenFolderInDesktop, movarin::ViewerLanguageCode(language)});
    if (!windows)
        return 0;
    windows->FormMain.SetRunDesktop(
        std::make_unique<movarin::RunDesktop>(windows->FormMain, movarin::SystemDesktopSeam()));
    windows->FormMain.show();
    return app.exec();
}
