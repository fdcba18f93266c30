#include "app/MovarinApplication.h"
#include "app/Startup.h"
#include "common/FakeVolumeTable.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/SingleInstance.h"
#include "ui/imagebutton.h"

#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <vector>

namespace {

struct RecordingBoxes : movarin::IMessageBoxes {
    struct Shown { std::string title, text; movarin::BoxButtons buttons; movarin::BoxIcon icon; };
    std::vector<Shown> shown;
    movarin::BoxAnswer Show(const std::string& title, const std::string& text,
                            movarin::BoxButtons buttons, movarin::BoxIcon icon) override
    {
        shown.push_back({title, text, buttons, icon});
        return movarin::BoxAnswer::Ok;
    }
};

RecordingBoxes* g_boxes = nullptr;

struct NoFileDialogs : movarin::IFileDialogs {
    std::vector<std::string> OpenFiles(const std::string&, const std::string&) override { return {}; }
    std::optional<std::string> ChooseFolder(const std::string&) override { return {}; }
};

void ClickCentre(QWidget* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

} // namespace

TEST(DefaultErrorReport, ExceptionFromAHandlerIsShownAndTheProgramGoesOn)
{
    g_boxes->shown.clear();
    bool laterEventRan = false;
    QTimer::singleShot(0, [] { throw std::runtime_error("/home/u/Documents/MOVARIN_VIDEO/config.ini に書き込めません"); });
    QTimer::singleShot(10, [&] {
        laterEventRan = true;
        QCoreApplication::exit(0);
    });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(laterEventRan);
    ASSERT_EQ(g_boxes->shown.size(), 1u);
    EXPECT_EQ(g_boxes->shown[0].title, "Movarin");
    EXPECT_EQ(g_boxes->shown[0].text, "/home/u/Documents/MOVARIN_VIDEO/config.ini に書き込めません.");
    EXPECT_EQ(g_boxes->shown[0].icon, movarin::BoxIcon::Error);
    EXPECT_EQ(g_boxes->shown[0].buttons, movarin::BoxButtons::Ok);
}

TEST(DefaultErrorReport, RefusedSettingsSaveFromTheSettingsButtonIsReported)
{
    QTemporaryDir lockDir, documents;
    NoFileDialogs dialogs;
    FakeVolumeTable volumes;
    movarin::SingleInstanceLock lock(lockDir.path().toStdString());
    const auto windows = movarin::StartMovarin(
        lock, MainWindowServices{*g_boxes, dialogs, volumes, documents.path().toStdString(),
                                 [](const std::string&) {}});
    ASSERT_NE(windows, nullptr);
    // A folder where the file should be: no write can replace it.
    const std::string file = windows->FormMain.WorkDir() + "config.ini";
    std::filesystem::create_directories(file + "/blocked");
    g_boxes->shown.clear();

    QTimer::singleShot(0, &windows->FormConfig, [&windows] {
        windows->FormConfig.CBConvertQuality->setCurrentIndex(3);
        ClickCentre(windows->FormConfig.ImgBtnOK);
    });
    // Emitted outside any event, so notify() cannot catch it: the handler
    // must report it itself, as Qt does not let exceptions pass its signals.
    TImageButton* button = windows->FormMain.ImgBtnConfig;
    EXPECT_NO_THROW(emit button->OnClick(button));

    ASSERT_EQ(g_boxes->shown.size(), 1u);
    EXPECT_EQ(g_boxes->shown[0].title, "Movarin");
    EXPECT_EQ(g_boxes->shown[0].text, file + " に書き込めません.");
    EXPECT_EQ(g_boxes->shown[0].icon, movarin::BoxIcon::Error);
    // The dialog's choice stays in effect, and the window is usable.
    EXPECT_EQ(windows->FormMain.JobList().Quality, 3);
    EXPECT_FALSE(windows->FormConfig.isVisible());
    EXPECT_TRUE(windows->FormMain.ImgBtnConfig->isEnabled());
}

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    RecordingBoxes boxes;
    g_boxes = &boxes;
    movarin::MovarinApplication app(argc, argv, boxes);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
