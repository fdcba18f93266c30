#pragma once
// A main window over scripted boxes, a scripted file dialog, fake drives and
// a temp documents folder, for the window and driver suites.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMimeData>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/FakeVolumeTable.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "ui/UnitMain.h"
#include "ui/imagebutton.h"

struct ShownBox {
    std::string title;
    std::string text;
    movarin::BoxButtons buttons;
    movarin::BoxIcon icon;
};

// Records every box and answers from a queue (Ok / Yes when it is empty).
class ScriptedBoxes final : public movarin::IMessageBoxes {
public:
    movarin::BoxAnswer Show(const std::string& title, const std::string& text,
                            movarin::BoxButtons buttons, movarin::BoxIcon icon) override
    {
        shown.push_back({title, text, buttons, icon});
        if (onShow)
            onShow(shown.back());
        if (buttons == movarin::BoxButtons::Ok)
            return movarin::BoxAnswer::Ok;
        if (answers.empty())
            return movarin::BoxAnswer::Yes;
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const auto& box : shown)
            texts.push_back(box.text);
        return texts;
    }
    std::vector<ShownBox> shown;
    std::deque<movarin::BoxAnswer> answers;
    std::function<void(const ShownBox&)> onShow;
};

class ScriptedOpenFile final : public movarin::IFileDialogs {
public:
    std::vector<std::string> OpenFiles(const std::string& initialDir,
                                       const std::string& filter) override
    {
        calls.push_back({initialDir, filter});
        if (answers.empty())
            return {};
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }

    std::vector<std::pair<std::string, std::string>> calls;
    std::deque<std::vector<std::string>> answers;  // empty: the user cancels
};

class TempFolder {
public:
    TempFolder()
    {
#ifdef _WIN32
        static int made = 0;
        const auto base = std::filesystem::temp_directory_path()
            / ("movarin-mw-" + std::to_string(QCoreApplication::applicationPid()) + "-" + std::to_string(++made));
        std::filesystem::create_directories(base);
        path_ = base.generic_string();
#else
        char pattern[] = "/tmp/movarin-mw-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (!made)
            throw std::runtime_error("mkdtemp failed");
        path_ = made;
#endif
    }
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Pumps events until done() holds or timeoutMs passes; a safety net only.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(5);
    }
    return true;
}

inline void Click(TImageButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() / 2, button->height() / 2));
}

struct MainWindowFixture {
    TempFolder temp;
    ScriptedBoxes boxes;
    ScriptedOpenFile dialogs;
    FakeVolumeTable volumes;
    std::vector<std::string> opened;
    std::unique_ptr<TFormMain> window;

    void Create()
    {
        std::filesystem::create_directories(temp / "docs");
        window = std::make_unique<TFormMain>(MainWindowServices{
            boxes, dialogs, volumes, temp / "docs",
            [this](const std::string& folder) { opened.push_back(folder); }});
    }

    // Sends a real drop of these local names onto the list; unless told not
    // to, waits until the drop's files are in the list.
    bool Drop(const std::vector<std::string>& names, bool wait = true)
    {
        QMimeData mime;
        QList<QUrl> urls;
        for (const auto& name : names)
            urls.append(QUrl::fromLocalFile(QString::fromStdString(name)));
        mime.setUrls(urls);
        QWidget* target = window->ListViewConvertFile->viewport();
        const QPointF at(10, 10);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        if (wait) {
            EXPECT_TRUE(PumpUntil([this] { return !window->AddingFiles(); }));
        }
        return drop.isAccepted();
    }

    std::vector<std::string> Rows(int column) const
    {
        std::vector<std::string> rows;
        auto* view = window->ListViewConvertFile;
        for (int i = 0; i < view->topLevelItemCount(); ++i)
            rows.push_back(view->topLevelItem(i)->text(column).toStdString());
        return rows;
    }
};
