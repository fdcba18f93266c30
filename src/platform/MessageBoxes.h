#pragma once
// Every notice and question reaches the user through this interface, so that
// tests can answer the boxes and record what was shown.
#include <exception>
#include <string>

#include "platform/Translatable.h"

namespace movarin {

enum class BoxButtons { Ok, YesNo };
enum class BoxIcon { None, Error };
enum class BoxAnswer { Ok, Yes, No };

// The boxes' titles and the texts of this header are translated by the box
// that shows them (context "MessageBoxes"); the callers pass them as they are.
inline constexpr const char* InfoTitle = QT_TRANSLATE_NOOP("MessageBoxes", "情報");
inline constexpr const char* ConfirmTitle = QT_TRANSLATE_NOOP("MessageBoxes", "確認");
inline constexpr const char* UnknownErrorText =
    QT_TRANSLATE_NOOP("MessageBoxes", "予期しないエラーが発生しました.");

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    // Modal: returns when the user has answered. Texts are UTF-8.
    virtual BoxAnswer Show(const std::string& title, const std::string& text,
                           BoxButtons buttons, BoxIcon icon) = 0;
};

// The default error report: title "Movarin", error icon, the exception's
// message followed by a full stop.
inline void ReportUnhandledException(IMessageBoxes& boxes, const std::exception& error)
{
    boxes.Show("Movarin", std::string(error.what()) + ".", BoxButtons::Ok, BoxIcon::Error);
}

// The same report for something thrown that is no std::exception.
inline void ReportUnknownException(IMessageBoxes& boxes)
{
    boxes.Show("Movarin", UnknownErrorText, BoxButtons::Ok, BoxIcon::Error);
}

} // namespace movarin
