#pragma once
// The real message boxes: modal, over the active window, no icon unless asked.
#include "platform/MessageBoxes.h"

class QWidget;

namespace movarin {

class QtMessageBoxes final : public IMessageBoxes {
public:
    BoxAnswer Show(const std::string& title, const std::string& text, BoxButtons buttons,
                   BoxIcon icon) override;
};

} // namespace movarin
