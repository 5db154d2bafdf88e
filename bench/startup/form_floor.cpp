// The floor under the tool's start-up: the window's form alone, built from the same form
// header under the same style sheets and with the same popup deferral, and nothing else.
// What the tool takes beyond this is its own work.
#include "app/popupdeferral.h"
#include "app/stylesheet.h"
#include "firstframe.h"
#include "ui_widget.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources); // the form's pictures, as the tool has them
    app.setStyleSheet(applicationStyleSheet());
    QWidget window;
    Ui::Widget form;
    {
        const PopupDeferral popupsOnFirstOpen;
        form.setupUi(&window);
    }
    new FirstFrame(&window);
    window.show();
    return app.exec();
}
