// Movarin's entry: one instance per user login, the application title, the
// three windows in their order, then the event loop until the main window closes.
#include "app/MovarinApplication.h"
#include "app/Startup.h"
#include "desktop/RunDesktop.h"
#include "platform/Folders.h"
#include "platform/ProgramFolder.h"
#include "platform/SingleInstance.h"
#include "platform/Volumes.h"
#include "ui/QtFileDialogs.h"
#include "ui/QtMessageBoxes.h"
#include "ui/WindowKit.h"

#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstring>

namespace {

void LoadJapaneseTranslation(QApplication& app, QTranslator& translator)
{
    // The standard buttons (はい / いいえ, OK, キャンセル) and dialogs speak Japanese
    // whatever the desktop's language: the whole interface is Japanese.
    if (translator.load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_",
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&translator);
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
    QTranslator translator;
    LoadJapaneseTranslation(app, translator);
    // Message boxes and the file dialogs take the windows' Gothic too.
    QApplication::setFont(movarin::WindowFont());

    movarin::QtFileDialogs fileDialogs;
    const std::unique_ptr<movarin::IVolumeTable> volumes = movarin::CreateSystemVolumeTable();

    movarin::SingleInstanceLock instanceLock;
    // Japanese is the interface's only language so far, so also the viewer's.
    const auto windows = movarin::StartMovarin(
        instanceLock, MainWindowServices{boxes, fileDialogs, *volumes, movarin::DocumentsFolder(),
                                         OpenFolderInDesktop, "jpn"});
    if (!windows)
        return 0;
    windows->FormMain.SetRunDesktop(
        std::make_unique<movarin::RunDesktop>(windows->FormMain, movarin::SystemDesktopSeam()));
    windows->FormMain.show();
    return app.exec();
}
