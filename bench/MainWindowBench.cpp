// Main window benchmark (run by hand): time from program start to the main
// window shown, and RefreshJobList over 5,000 jobs (target <= 50 ms).
// With "--grab file.png" it also saves a picture of the window holding a few
// jobs and a status text, to look at it as a user would.
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
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

int main(int argc, char** argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    const char* grabPath = nullptr;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--grab") == 0)
            grabPath = argv[i + 1];

    QApplication app(argc, argv);
    char pattern[] = "/tmp/movarin-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string docs = pattern;
    SilentBoxes boxes;
    NoDialogs dialogs;
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
    std::filesystem::remove_all(docs);
    return 0;
}
