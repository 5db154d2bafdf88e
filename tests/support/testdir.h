// Each test works in a temporary directory of its own: the window reads and writes
// "./config.ini" in the working directory.
#pragma once

#include <QString>
#include <QTemporaryDir>

class ScopedWorkingDir
{
public:
    ScopedWorkingDir();
    ~ScopedWorkingDir();
    ScopedWorkingDir(const ScopedWorkingDir &) = delete;
    ScopedWorkingDir &operator=(const ScopedWorkingDir &) = delete;

    QString path() const { return dir.path(); }
    QString filePath(const QString &name) const { return dir.filePath(name); }

private:
    QTemporaryDir dir;
    QString previous;
};
