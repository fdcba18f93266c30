#include "ui/ImageButtonAccessible.h"

#include <QAccessibleWidget>
#include <QPointer>

#include "ui/imagebutton.h"

namespace {

class TImageButtonAccessible final : public QAccessibleWidget {
public:
    explicit TImageButtonAccessible(TImageButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override
    {
        // The label is painted into the picture; the window names it.
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return Button()->Caption();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.pressed = Button()->ButtonState() == ibsStateDown && Button()->MouseOver();
        return state;
    }

    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        if (action != pressAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        // Later, from the event loop: the handler may open a modal dialog,
        // and the reader waits for the answer to its request meanwhile.
        QPointer<TImageButton> button(Button());
        QMetaObject::invokeMethod(
            button, [button] {
                if (button)
                    button->Click();
            },
            Qt::QueuedConnection);
    }

private:
    TImageButton* Button() const { return static_cast<TImageButton*>(widget()); }
};

QAccessibleInterface* MovarinWidgetFactory(const QString& key, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (key == QLatin1String("TImageButton"))
        return new TImageButtonAccessible(static_cast<TImageButton*>(object));
    // Asked for the plain widget only when no subclass had an answer: a
    // top-level window of that kind (the main window) is a frame, not a
    // filler, to a reader.
    auto* widget = static_cast<QWidget*>(object);
    if (key == QLatin1String("QWidget") && widget->windowType() == Qt::Window)
        return new QAccessibleWidget(widget, QAccessible::Window);
    return nullptr;
}

} // namespace

namespace movarin {

void InstallImageButtonAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(MovarinWidgetFactory);
        return true;
    }();
    (void)installed;
}

} // namespace movarin
