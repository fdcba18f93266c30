#pragma once
// Scripted stand-ins for the message boxes and the folder chooser, and a way
// to drive a modal dialog from inside its own event loop.
#include <gtest/gtest.h>

#include <QDialog>
#include <QTimer>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"

struct RecordedBox {
    std::string title;
    std::string text;
    movarin::BoxButtons buttons;
    movarin::BoxIcon icon;
};

class RecordingMessageBoxes final : public movarin::IMessageBoxes {
public:
    movarin::BoxAnswer Show(const std::string& title, const std::string& text, movarin::BoxButtons buttons,
                            movarin::BoxIcon icon) override
    {
        shown.push_back({title, text, buttons, icon});
        return buttons == movarin::BoxButtons::Ok ? movarin::BoxAnswer::Ok : movarin::BoxAnswer::Yes;
    }
    std::vector<RecordedBox> shown;
};

class ScriptedFileDialogs final : public movarin::IFileDialogs {
public:
    std::vector<std::string> OpenFiles(const std::string&, const std::string&) override
    {
        ADD_FAILURE() << "no file dialog expected";
        return {};
    }
    std::optional<std::string> ChooseFolder(const std::string& prompt) override
    {
        prompts.push_back(prompt);
        if (answers.empty()) {
            ADD_FAILURE() << "folder chooser opened without a scripted answer";
            return std::nullopt;
        }
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<std::optional<std::string>> answers;  // nullopt: the user cancels
    std::vector<std::string> prompts;
};

// Runs showModal (which must block in the dialog's event loop) and calls
// whileOpen from inside that loop. A dialog that whileOpen leaves open is
// hidden by force so the test cannot hang; that counts as a failure.
inline void DriveModal(QDialog& dialog, const std::function<void()>& showModal,
                       const std::function<void()>& whileOpen)
{
    bool ran = false;
    QTimer::singleShot(0, &dialog, [&] {
        ran = true;
        EXPECT_TRUE(dialog.isVisible());
        whileOpen();
        if (dialog.isVisible()) {
            ADD_FAILURE() << "the dialog is still open";
            dialog.hide();
        }
    });
    showModal();
    EXPECT_TRUE(ran);
}
