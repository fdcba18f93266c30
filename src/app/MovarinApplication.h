#pragma once
// The application object. An exception that escapes any handler ends up in
// notify(): Qt must never see it, so it is shown as the default error report
// and the program goes on.
#include <QApplication>

#include <exception>

namespace movarin {

class IMessageBoxes;

// Title "Movarin", error icon, the exception's message followed by a full stop.
void ReportUnhandledException(IMessageBoxes& boxes, const std::exception& error);

class MovarinApplication final : public QApplication {
public:
    MovarinApplication(int& argc, char** argv, IMessageBoxes& boxes);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    IMessageBoxes& boxes_;
};

} // namespace movarin
