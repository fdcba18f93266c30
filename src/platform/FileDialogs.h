#pragma once
// The file open dialog and the folder chooser, behind an interface so that
// tests can script the user's choice.
#include <optional>
#include <string>
#include <vector>

namespace movarin {

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // The files chosen at once (in no particular order), or none when the
    // user cancelled. filter is a Qt name filter such as
    // "動画ファイル (*.avi *.flv)".
    virtual std::vector<std::string> OpenFiles(const std::string& initialDir,
                                               const std::string& filter) = 0;
    // A file-system folder (no trailing delimiter, "/" for the root), or
    // nothing when cancelled. No folder is preselected.
    virtual std::optional<std::string> ChooseFolder(const std::string& prompt) = 0;
};

} // namespace movarin
