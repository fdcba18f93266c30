// Main window benchmark (run by hand): time from program start to the main
// window shown, RefreshJobList over 5,000 jobs (target <= 50 ms), and adding
// 1,000 files until the list shows them, chosen in the add dialog and
// dropped as one folder (target <= 200 ms each).
// With "--grab file.png" it also saves a picture of the window holding a few
// jobs and a status text, to look at it as a user would; with "--episodes
// file.png" one after twelve episodes were chosen at once in the add dialog
// (the window then stays up three seconds, for a screenshot of the screen).
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <stdlib.h>

#include "jobs/ThConvertInfo.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/Volumes.h"
#include "ui/UnitMain.h"

#include "SilentServices.h"

namespace {

// The add dialog answering with the same choice every time.
class ChosenFiles final : public movarin::IFileDialogs {
public:
    std::vector<std::string> OpenFiles(const std::string&, const std::string&) override
    {
        return files;
    }
    std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }
    std::vector<std::string> files;
};

// Times act on an emptied job list, seven rounds.
template <class Act>
void Report(const char* what, TFormMain& window, Act act)
{
    std::vector<double> times;
    for (int round = 0; round < 7; ++round) {
        while (window.JobList().Count() > 0)
            window.JobList().Delete(window.JobList().Count() - 1);
        window.RefreshJobList();
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        act();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("%s: median %.2f ms, min %.2f ms, max %.2f ms\n", what, times[times.size() / 2],
                times.front(), times.back());
}

} // namespace

int main(int argc, char** argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    const char* grabPath = nullptr;
    const char* episodesPath = nullptr;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--grab") == 0)
            grabPath = argv[i + 1];
        if (std::strcmp(argv[i], "--episodes") == 0)
            episodesPath = argv[i + 1];
    }

    QApplication app(argc, argv);
    char pattern[] = "/tmp/movarin-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string docs = pattern;
    SilentBoxes boxes;
    ChosenFiles dialogs;
    auto volumes = movarin::CreateSystemVolumeTable();
    TFormMain window(MainWindowServices{boxes, dialogs, *volumes, docs, {}});
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "window not exposed\n");
        return 1;
    }
    const double startMs = double(sinceStart.nsecsElapsed()) / 1e6;

    for (int i = 0; i < 5000; ++i)
        window.AddJob("/videos/folder " + std::to_string(i) + "/録画 " + std::to_string(i) + ".avi");
    std::vector<double> refresh;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer timer;
        timer.start();
        window.RefreshJobList();
        refresh.push_back(double(timer.nsecsElapsed()) / 1e6);
        QCoreApplication::processEvents();
    }
    std::sort(refresh.begin(), refresh.end());
    std::printf("start to main window shown: %.1f ms\n", startMs);
    std::printf("RefreshJobList, 5000 jobs: median %.2f ms, min %.2f ms, max %.2f ms\n",
                refresh[refresh.size() / 2], refresh.front(), refresh.back());

    // 1,000 files, in the dialog's answer shuffled, on disk as one folder
    // (with a subtitle beside every tenth video, skipped on the way).
    const std::string folder = docs + "/season/";
    std::filesystem::create_directories(folder);
    for (int i = 1; i <= 1000; ++i) {
        const std::string name = folder + "第" + std::to_string(i) + "話.mp4";
        std::ofstream(name) << "x";
        dialogs.files.push_back(name);
        if (i % 10 == 0)
            std::ofstream(folder + "第" + std::to_string(i) + "話.srt") << "x";
    }
    std::shuffle(dialogs.files.begin(), dialogs.files.end(), std::mt19937(1));
    Report("adding 1000 files from the dialog, list refreshed", window,
           [&] { window.ImgBtnAddFileClick(); });
    Report("dropping a folder of 1000 videos, list refreshed", window, [&] {
        window.DropFiles({folder});
        while (window.AddingFiles())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    });
    if (window.JobList().Count() != 1000)
        std::fprintf(stderr, "the drop added %d jobs\n", window.JobList().Count());

    // 10,000 entries in 100 subfolders, half of them videos: how long until
    // the list shows them, and the longest the window's event loop went
    // without turning meanwhile (what a user would feel as a freeze).
    const std::string big = docs + "/big/";
    for (int d = 0; d < 100; ++d) {
        const std::string sub = big + "disc " + std::to_string(d) + "/";
        std::filesystem::create_directories(sub);
        for (int i = 0; i < 50; ++i) {
            std::ofstream(sub + std::to_string(i) + ".mkv") << "x";
            std::ofstream(sub + std::to_string(i) + ".ass") << "x";
        }
    }
    double longestStall = 0;
    Report("dropping a folder of 10000 entries, list refreshed", window, [&] {
        QElapsedTimer sinceTurn;
        sinceTurn.start();
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestStall = std::max(longestStall, double(sinceTurn.nsecsElapsed()) / 1e6);
            sinceTurn.restart();
        });
        ticker.start(0);
        window.DropFiles({big});
        while (window.AddingFiles())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    });
    std::printf("  longest stall of the event loop meanwhile: %.2f ms (%d jobs)\n", longestStall,
                window.JobList().Count());

    if (grabPath) {
        while (window.JobList().Count() > 0)
            window.JobList().Delete(0);
        const char* names[] = {"/v/旅行の記録 2009年夏.avi", "/v/ニュース.mpg",
                               "/dvd/VIDEO_TS/VTS_01_1.VOB",
                               "/v/とても長い名前の動画ファイルで列の幅を超えてしまうもの.flv"};
        const std::uint8_t states[] = {csConverted, csFailed, csConverting, csWaiting};
        for (int i = 0; i < 4; ++i) {
            window.AddJob(names[i]);
            window.JobList().Items(i)->State = states[i];
        }
        window.RefreshJobList();
        window.ListViewConvertFile->topLevelItem(1)->setSelected(true);
        window.SetBusy(true);
        window.ShowStatus("00時間01分05秒までの動画を変換完了");
        QTest::qWait(200);
        window.grab().save(QString::fromLocal8Bit(grabPath));
        window.SetBusy(false);
    }
    if (episodesPath) {
        while (window.JobList().Count() > 0)
            window.JobList().Delete(0);
        window.ShowStatus("");
        dialogs.files.clear();
        for (int i = 12; i >= 1; --i)
            dialogs.files.push_back(docs + "/アニメ/第" + std::to_string(i) + "話" +
                                    (i % 4 ? ".mp4" : ".mkv"));
        window.ImgBtnAddFileClick();
        QTest::qWait(200);
        window.grab().save(QString::fromLocal8Bit(episodesPath));
        QTest::qWait(3000);
    }
    std::filesystem::remove_all(docs);
    return 0;
}
