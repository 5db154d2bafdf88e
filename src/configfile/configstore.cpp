#include "configfile/configstore.h"

#include <QDebug>
#include <QFile>
#include <QMap>
#include <QSettings>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <optional>

namespace ConfigFile {

namespace {

// QSettings keeps what it wrote in a per-path cache, so only a copy under another name shows
// what really reached the disk.
bool diskHolds(const QString &path, const QMap<QString, int> &written)
{
    QTemporaryDir scratch;
    const QString copy = scratch.filePath(QStringLiteral("written.ini"));
    if (!scratch.isValid() || !QFile::copy(path, copy))
        return false;
    QSettings check(copy, QSettings::IniFormat);
    for (auto it = written.cbegin(); it != written.cend(); ++it) {
        if (check.value(it.key()).toString() != QString::number(it.value()))
            return false;
    }
    return check.status() == QSettings::NoError;
}

// QSettings turns a value "@Variant(...)" into whatever QDataStream reads from it, already
// when it parses the file, and a crafted stream makes it allocate without bound: the tool
// aborted on such a file. Positions are plain numbers and the tool never writes such values.
// True when the text could spell one: "@Variant(" once quotes are dropped, or a hex or octal
// escape, which could spell any character.
bool mayHoldStoredQtValue(const QByteArray &text)
{
    // Most files hold neither an '@' nor a backslash: found by a scan, not a copy.
    if (text.contains('@')) {
        QByteArray unquoted = text;
        unquoted.replace('"', QByteArray());
        if (unquoted.contains("@Variant("))
            return true;
    }
    for (int i = text.indexOf('\\'); i >= 0 && i + 1 < text.size(); i = text.indexOf('\\', i + 2)) {
        const char next = text.at(i + 1);
        if (next == 'x' || next == 'X' || (next >= '0' && next <= '9'))
            return true;
        // i + 2 skips the escaped character, "\\" included
    }
    return false;
}

QByteArray fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

SaveResult save(const QString &fileName, Writer writer, const SelectorAccess &selectors)
{
    SaveResult result;
    result.path = withIniSuffix(fileName);

    if (mayHoldStoredQtValue(fileText(result.path))) {
        // Keeping the rest of this file means parsing it: leave it as it is, unsaved.
        qWarning() << "configuration file: not saved over a file with encoded values"
                   << result.path;
        return result;
    }

    QMap<QString, int> written;
    QSettings file(result.path, QSettings::IniFormat);
    // Only the editor's groups are replaced, whole, so no key of an older save lingers in
    // them; everything else the file holds stays, such as the tool's own settings when the
    // user saves over "config.ini".
    for (const GroupKeys &group : writerKeys(writer)) {
        file.remove(group.group);
        file.beginGroup(group.group);
        for (const QString &key : group.keys) {
            if (selectors.count(key) < 0) {
                qWarning() << "configuration file: no selector" << key;
                continue;
            }
            const int position = selectors.current(key);
            file.setValue(key, position);
            written.insert(settingsPath(group.group, key), position);
        }
        file.endGroup();
    }
    file.sync();

    switch (file.status()) {
    case QSettings::NoError:
        result.saved = true;
        break;
    case QSettings::FormatError:
        // The old content was no INI text; that error hides whether the new one was written.
        result.saved = diskHolds(result.path, written);
        break;
    case QSettings::AccessError:
        result.saved = false;
        break;
    }
    return result;
}

void load(const QString &fileName, SelectorAccess &selectors)
{
    // Such a file is read from a copy where no value can start with '@' or hold an escape;
    // those values load as what they are for the editor: no numbers.
    std::optional<QTemporaryFile> inert;
    QString readable = fileName;
    QByteArray text = fileText(fileName);
    if (mayHoldStoredQtValue(text)) {
        inert.emplace();
        text.replace('@', '_').replace('\\', '/');
        if (inert->open() && inert->write(text) >= 0 && inert->flush())
            readable = inert->fileName();
        else
            readable.clear(); // loads as an empty file
    }
    QSettings file(readable, QSettings::IniFormat);
    const auto stored = [&](const QString &path) { return positionFromValue(file.value(path)); };
    const auto apply = [&](const QString &key, const QString &path) {
        if (selectors.count(key) < 0) {
            qWarning() << "configuration file: no selector" << key;
            return;
        }
        selectors.select(key, stored(path));
    };

    for (const LoadStep &step : loadPlan()) {
        if (!step.isPair() || selectors.count(step.key) < 0 || selectors.count(step.maxKey) < 0) {
            apply(step.key, step.keyPath);
            if (step.isPair())
                apply(step.maxKey, step.maxKeyPath);
            continue;
        }
        const int minimum = stored(step.keyPath);
        const int maximum = stored(step.maxKeyPath);
        if (setsMinimumFirst(minimum, selectors.current(step.maxKey))) {
            selectors.select(step.key, minimum);
            selectors.select(step.maxKey, maximum);
        } else {
            selectors.select(step.maxKey, maximum);
            selectors.select(step.key, minimum);
        }
    }
    if (file.status() != QSettings::NoError)
        qDebug() << "configuration file not readable as INI:" << fileName << file.status();
    if (inert) {
        // QSettings keeps a file it read in its process-wide cache, unless the file was empty
        // when last read: the copy, read once more after it is gone, leaves no entry behind.
        inert->remove();
        file.sync();
    }
}

} // namespace ConfigFile
