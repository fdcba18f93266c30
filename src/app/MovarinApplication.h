#pragma once
// The application object. Handlers catch their own exceptions where they
// would enter Qt's signal and event code (which does not support them);
// notify() is the last net for one that still escapes: it is shown as the
// default error report and the program goes on.
#include <QApplication>

#include "platform/MessageBoxes.h"

namespace movarin {

class MovarinApplication final : public QApplication {
public:
    MovarinApplication(int& argc, char** argv, IMessageBoxes& boxes);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    IMessageBoxes& boxes_;
};

} // namespace movarin
