// Program entry shared by the tool and the demo launcher: the demo only adds what it plugs in.
#pragma once

#include <QObject>

#include <functional>
#include <memory>

// Called after the application object exists and before the window is built; whatever it
// returns lives until the event loop has ended.
using BeforeWindow = std::function<std::unique_ptr<QObject>()>;

int runTredora(int argc, char *argv[], const BeforeWindow &beforeWindow = {});
