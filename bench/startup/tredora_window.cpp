// The tool's start-up up to the main window shown, then out: what the user waits for.
#include "app/stylesheet.h"
#include "app/widget.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    app.setStyleSheet(applicationStyleSheet());
    Widget window;
    window.show();
    QTimer::singleShot(0, &app, &QApplication::quit);
    return app.exec();
}
