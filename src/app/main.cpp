#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Movarin");
    QWidget w;
    w.setWindowTitle("Movarin");
    w.show();
    return app.exec();
}
