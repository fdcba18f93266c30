#pragma once
// Boxes that answer at once and file dialogs that are always cancelled: a
// benchmark measures the program, not a user.
#include <optional>
#include <string>
#include <vector>

#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"

class SilentBoxes final : public movarin::IMessageBoxes {
public:
    movarin::BoxAnswer Show(const std::string&, const std::string&, movarin::BoxButtons buttons,
                            movarin::BoxIcon) override
    {
        return buttons == movarin::BoxButtons::Ok ? movarin::BoxAnswer::Ok : movarin::BoxAnswer::Yes;
    }
};

class NoDialogs final : public movarin::IFileDialogs {
public:
    std::vector<std::string> OpenFiles(const std::string&, const std::string&) override
    {
        return {};
    }
    std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }
};
