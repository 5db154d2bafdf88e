// The reference for start-up time: the least a Qt Widgets program does to show a window.
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(973, 795);
    window.show();
    QTimer::singleShot(0, &app, &QApplication::quit);
    return app.exec();
}
