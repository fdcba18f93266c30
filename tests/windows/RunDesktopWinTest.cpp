// What a run asks of Windows: the execution state and the taskbar button,
// through the seam in every ending, and the system's own execution state
// under Wine.
#include <gtest/gtest.h>

#include <QWidget>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "desktop/RunDesktop.h"

namespace {

using movarin::ITaskbarButton;

std::string Hex(std::uint32_t flags)
{
    char text[16];
    std::snprintf(text, sizeof text, "%#x", unsigned(flags));
    return text;
}

class RecordingButton final : public ITaskbarButton {
public:
    explicit RecordingButton(std::vector<std::string>& calls) : calls_(calls) {}
    void SetState(State state) override
    {
        calls_.push_back(state == State::None ? "none" : state == State::Normal ? "normal" : "error");
    }
    void SetValue(int percent) override { calls_.push_back(std::to_string(percent)); }

private:
    std::vector<std::string>& calls_;
};

enum class Ending { Completes, CompletesWithFailure, Cancelled, WindowCloses };

struct WinCase {
    const char* name;
    Ending ending;
    std::vector<std::string> expected;
};

TEST(RunDesktopWinTest, ExecutionStateAndTaskbarAreSetAndUndoneInEveryEnding)
{
    const std::string held = Hex(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
    const std::string cleared = Hex(ES_CONTINUOUS);
    const std::vector<WinCase> cases = {
        {"completes", Ending::Completes, {held, "normal", "0", "40", cleared, "none"}},
        {"a job failed", Ending::CompletesWithFailure,
         {held, "normal", "0", "40", "error", "40", cleared, "none"}},
        {"cancelled", Ending::Cancelled, {held, "normal", "0", "40", cleared, "none"}},
        // Torn down with the window: the pieces go in reverse of their making.
        {"window closes", Ending::WindowCloses, {held, "normal", "0", "40", "none", cleared}},
    };
    for (const WinCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> calls;
        QWidget window;
        movarin::DesktopSeam seam{
            [&](std::uint32_t flags) -> std::uint32_t {
                calls.push_back(Hex(flags));
                return ES_CONTINUOUS;
            },
            [&](QWidget& of) -> std::unique_ptr<ITaskbarButton> {
                EXPECT_EQ(&of, &window);
                return std::make_unique<RecordingButton>(calls);
            }};
        auto desktop = std::make_unique<movarin::RunDesktop>(window, seam);
        desktop->RunStarted();
        desktop->RunProgress(40, false);
        if (c.ending == Ending::CompletesWithFailure)
            desktop->RunProgress(40, true);
        if (c.ending == Ending::WindowCloses)
            desktop.reset();
        else
            desktop->RunEnded({c.ending == Ending::Cancelled, c.ending == Ending::CompletesWithFailure,
                               c.ending == Ending::Cancelled ? "" : "変換が完了しました", ""});
        EXPECT_EQ(calls, c.expected);
        desktop.reset();
        EXPECT_EQ(calls, c.expected);  // nothing undone twice
    }
}

TEST(RunDesktopWinTest, TheThreadsExecutionStateIsHeldDuringTheRunOnly)
{
    // The system's own call, with no taskbar button: a second request of the
    // same state answers with the state in force.
    movarin::DesktopSeam seam = movarin::SystemDesktopSeam();
    seam.MakeTaskbarButton = nullptr;
    QWidget window;
    movarin::RunDesktop desktop(window, seam);
    desktop.RunStarted();
    EXPECT_EQ(SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED),
              EXECUTION_STATE(ES_CONTINUOUS | ES_SYSTEM_REQUIRED));
    desktop.RunEnded({false, false, "変換が完了しました", ""});
    EXPECT_EQ(SetThreadExecutionState(ES_CONTINUOUS), EXECUTION_STATE(ES_CONTINUOUS));
}

} // namespace
