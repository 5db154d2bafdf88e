// libFuzzer entry over loading a saved editor state. The test suite compiles this same file
// and runs it over the seed corpus and pseudo-random files, so the checks below hold in both.
//
// Input layout: byte 0 picks the selectors' sizes, the rest is the file's bytes.
#include "configfile/configstore.h"

#include <QFile>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "configuration file invariant broken: %s\n", what);
        std::abort();
    }
}

// The editor's selectors by name, with sizes from the window's lists and some odd ones.
class Selectors : public ConfigFile::SelectorAccess
{
public:
    explicit Selectors(quint8 sizing)
    {
        static const int sizes[] = {128, 16384, 17, 16, 5, 1, 0, 101};
        int i = sizing;
        for (ConfigFile::Writer w : {ConfigFile::Writer::SaveAs, ConfigFile::Writer::Save})
            for (const ConfigFile::GroupKeys &group : ConfigFile::writerKeys(w))
                for (const QString &key : group.keys)
                    if (!counts.contains(key))
                        counts.insert(key, sizes[(i++ * 7 + sizing / 8) % 8]);
        // One selector the window lacks, now and then: the loader must skip it.
        if (sizing % 5 == 0)
            counts.remove(counts.begin().key());
    }

    int count(const QString &name) const override { return counts.value(name, -1); }
    int current(const QString &name) const override { return positions.value(name, 0); }
    void select(const QString &name, int position) override
    {
        const int entries = count(name);
        require(entries >= 0, "a selector the window lacks was chosen");
        require(!chosen.contains(name), "a selector was chosen twice in one load");
        chosen.insert(name);
        // As a list selector does: a position outside its list leaves it without an entry.
        positions[name] = position >= 0 && position < entries ? position : -1;
    }

    QMap<QString, int> counts;
    QMap<QString, int> positions;
    QSet<QString> chosen;
};

// QSettings caches files by path; every round gets names of its own.
QString freshPath(const QTemporaryDir &dir)
{
    static quint64 round = 0;
    return dir.filePath(QStringLiteral("state-%1.ini").arg(++round));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    static const QTemporaryDir dir;
    require(dir.isValid(), "no temporary directory");

    const QString input = freshPath(dir);
    {
        QFile file(input);
        require(file.open(QIODevice::WriteOnly), "cannot write the input file");
        file.write(reinterpret_cast<const char *>(data) + 1, qint64(size - 1));
    }
    Selectors loaded(data[0]);
    ConfigFile::load(input, loaded);
    for (auto it = loaded.counts.cbegin(); it != loaded.counts.cend(); ++it)
        require(loaded.chosen.contains(it.key()), "a selector of the file was left out");

    // Whatever was loaded, saving it and loading that file brings back the same positions.
    for (ConfigFile::Writer writer : {ConfigFile::Writer::SaveAs, ConfigFile::Writer::Save}) {
        const QString copy = freshPath(dir);
        const ConfigFile::SaveResult saved = ConfigFile::save(copy, writer, loaded);
        require(saved.saved, "a save into the temporary directory failed");
        Selectors again(data[0]);
        ConfigFile::load(saved.path, again);
        for (const ConfigFile::GroupKeys &group : ConfigFile::writerKeys(writer))
            for (const QString &key : group.keys)
                if (loaded.counts.contains(key))
                    require(again.positions.value(key) == loaded.positions.value(key),
                            "a saved position did not load back");
        QFile::remove(saved.path);
    }
    QFile::remove(input);
    return 0;
}
