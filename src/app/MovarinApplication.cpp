#include "app/MovarinApplication.h"

#include "platform/MessageBoxes.h"

namespace movarin {

void ReportUnhandledException(IMessageBoxes& boxes, const std::exception& error)
{
    boxes.Show("Movarin", std::string(error.what()) + ".", BoxButtons::Ok, BoxIcon::Error);
}

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
        boxes_.Show("Movarin", "予期しないエラーが発生しました.", BoxButtons::Ok, BoxIcon::Error);
    }
    return false;
}

} // namespace movarin
