#include "app/application.h"

#include "app/stylesheet.h"
#include "app/widget.h"

#include <QApplication>
#include <QDebug>
#include <QIcon>
#include <QStyleFactory>

int runTredora(int argc, char *argv[], const BeforeWindow &beforeWindow)
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    app.setStyleSheet(applicationStyleSheet());
    app.setWindowIcon(QIcon(QStringLiteral(":/ico.png")));

    std::unique_ptr<QObject> plugged = beforeWindow ? beforeWindow() : nullptr;

    Widget window;
    window.setWindowFlags(window.windowFlags() | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);

    qDebug() << "Available widget styles:" << QStyleFactory::keys();
    window.show();
    return app.exec();
}
