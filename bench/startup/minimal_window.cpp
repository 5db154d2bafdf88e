// The reference for start-up time: the least a Qt Widgets program does to show a window.
#include "firstframe.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(973, 795);
    new FirstFrame(&window);
    window.show();
    return app.exec();
}
