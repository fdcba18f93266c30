#include "app/Startup.h"
#include "common/FakeVolumeTable.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Boxes : movarin::IMessageBoxes {
    std::vector<std::pair<std::string, std::string>> shown;
    movarin::BoxAnswer Show(const std::string& title, const std::string& text, movarin::BoxButtons,
                            movarin::BoxIcon) override
    {
        shown.emplace_back(title, text);
        return movarin::BoxAnswer::Ok;
    }
};

struct NoDialogs : movarin::IFileDialogs {
    std::vector<std::string> OpenFiles(const std::string&, const std::string&) override { return {}; }
    std::optional<std::string> ChooseFolder(const std::string&) override { return {}; }
};

} // namespace

TEST(Startup, SecondInstanceIsRefusedAndALaterStartRuns)
{
    QTemporaryDir lockDir, documents;
    Boxes boxes;
    NoDialogs dialogs;
    FakeVolumeTable volumes;
    const MainWindowServices services{boxes, dialogs, volumes, documents.path().toStdString(),
                                      [](const std::string&) {}};

    {
        movarin::SingleInstanceLock first(lockDir.path().toStdString());
        ASSERT_EQ(first.TryAcquire(), movarin::LockResult::Acquired);

        movarin::SingleInstanceLock second(lockDir.path().toStdString());
        EXPECT_EQ(movarin::StartMovarin(second, services), nullptr);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].first, "情報");
        EXPECT_EQ(boxes.shown[0].second, "既に起動しています");
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    }

    // The first instance has ended: a new start runs normally and silently.
    boxes.shown.clear();
    movarin::SingleInstanceLock again(lockDir.path().toStdString());
    const auto windows = movarin::StartMovarin(again, services);
    ASSERT_NE(windows, nullptr);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(windows->FormMain.windowTitle(), "Movarin");
    EXPECT_EQ(windows->FormSelectDVD.parentWidget(), &windows->FormMain);
    EXPECT_EQ(windows->FormConfig.parentWidget(), &windows->FormMain);
    EXPECT_FALSE(windows->FormSelectDVD.isVisible());
    EXPECT_FALSE(windows->FormConfig.isVisible());
    EXPECT_TRUE(std::filesystem::is_directory(documents.path().toStdString() + "/MOVARIN_VIDEO"));
}
