#include "app/MovarinApplication.h"

namespace movarin {

MovarinApplication::MovarinApplication(int& argc, char** argv, IMessageBoxes& boxes)
    : QApplication(argc, argv)
    , boxes_(boxes)
{
}

bool MovarinApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ReportUnhandledException(boxes_, error);
    } catch (...) {
        ReportUnknownException(boxes_);
    }
    return false;
}

} // namespace movarin
