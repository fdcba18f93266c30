#pragma once
// The real file open dialog and folder chooser.
#include "platform/FileDialogs.h"

class QFileDialog;

namespace movarin {

// Prepares the open dialog as OpenFiles shows it. Qt's own dialog is used:
// it matches the filter's patterns whatever the case of a name (a camera's
// "CLIP0001.MOV" is listed under "*.mov"), which a desktop's native dialog
// does not promise.
void SetUpOpenFileDialog(QFileDialog& dialog, const std::string& initialDir,
                         const std::string& filter);

class QtFileDialogs final : public IFileDialogs {
public:
    std::vector<std::string> OpenFiles(const std::string& initialDir,
                                       const std::string& filter) override;
    std::optional<std::string> ChooseFolder(const std::string& prompt) override;
};

} // namespace movarin
