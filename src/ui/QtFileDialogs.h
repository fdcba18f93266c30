#pragma once
// The real file open dialog and folder chooser.
#include "platform/FileDialogs.h"

namespace movarin {

class QtFileDialogs final : public IFileDialogs {
public:
    std::optional<std::string> OpenFile(const std::string& initialDir,
                                        const std::string& filter) override;
    std::optional<std::string> ChooseFolder(const std::string& prompt) override;
};

} // namespace movarin
