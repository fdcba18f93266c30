#include "app/MovarinApplication.h"
#include "platform/MessageBoxes.h"

#include <QTimer>
#include <gtest/gtest.h>

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
