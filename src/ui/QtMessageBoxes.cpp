#include "ui/QtMessageBoxes.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>

namespace movarin {

BoxAnswer QtMessageBoxes::Show(const std::string& title, const std::string& text,
                               BoxButtons buttons, BoxIcon icon)
{
    // The active window owns the box so that it stays on top of a shown dialog
    // and is centred over it, as a modal box of the application should be.
    QMessageBox box(icon == BoxIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QCoreApplication::translate("MessageBoxes", title.c_str()),
                    QCoreApplication::translate("MessageBoxes", text.c_str()),
                    buttons == BoxButtons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                                 : QMessageBox::Ok,
                    QApplication::activeWindow());
    if (buttons == BoxButtons::YesNo)
        box.setDefaultButton(QMessageBox::Yes);
    const int answer = box.exec();
    if (buttons == BoxButtons::Ok)
        return BoxAnswer::Ok;
    return answer == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
}

} // namespace movarin
