// The tool's start-up up to the main window's first frame: what the user waits for.
#include "app/stylesheet.h"
#include "app/widget.h"
#include "firstframe.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    app.setStyleSheet(applicationStyleSheet());
    Widget window;
    new FirstFrame(&window);
    window.show();
    return app.exec();
}
