#include "testdir.h"

#include <QDir>

ScopedWorkingDir::ScopedWorkingDir() : previous(QDir::currentPath())
{
    QDir::setCurrent(dir.path());
}

ScopedWorkingDir::~ScopedWorkingDir()
{
    QDir::setCurrent(previous);
}
