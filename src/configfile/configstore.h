// Writing and reading a saved editor state through QSettings. The selectors are reached by
// object name through SelectorAccess, so the file logic runs without a window in tests.
#pragma once

#include "configfile/configformat.h"

#include <QString>

namespace ConfigFile {

class SelectorAccess
{
public:
    virtual ~SelectorAccess() = default;
    // Entry count of the named selector, or -1 when the window has no such selector.
    virtual int count(const QString &name) const = 0;
    virtual int current(const QString &name) const = 0;
    // With change signals active: the editor reacts as to a user's choice.
    virtual void select(const QString &name, int position) = 0;
};

struct SaveResult
{
    bool saved = false;
    QString path; // the file written (or not), ".ini" rule applied
};

// Replaces the file's Expression, Switch and Hat groups with the current positions of the
// writer's keys, keeps everything else in it, and flushes it; `saved` is false when the file
// could not be written.
SaveResult save(const QString &fileName, Writer writer, const SelectorAccess &selectors);

// Applies the file in the load order; a file that cannot be read loads as if it were empty.
void load(const QString &fileName, SelectorAccess &selectors);

} // namespace ConfigFile
