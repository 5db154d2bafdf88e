// libFuzzer entry over loading a saved editor state. The test suite compiles this same file
// and runs it over the seed corpus and pseudo-random files, so the checks below hold in both.
//
// Input layout: byte 0 picks the selectors' sizes, the rest is the file's bytes. A quarter of
// the inputs (by length) also save what they loaded and load that back.
#include "configfile/configstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QTemporaryDir>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void require(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "configuration file invariant broken: %s\n", what);
        std::abort();
    }
}

// Every selector name a file may hold, numbered once for the whole run.
const QHash<QString, int> &selectorNumbers()
{
    static const QHash<QString, int> numbers = [] {
        QHash<QString, int> built;
        for (ConfigFile::Writer w : {ConfigFile::Writer::SaveAs, ConfigFile::Writer::Save})
            for (const ConfigFile::GroupKeys &group : ConfigFile::writerKeys(w))
                for (const QString &key : group.keys)
                    if (!built.contains(key))
                        built.insert(key, built.size());
        return built;
    }();
    return numbers;
}

// Entry counts by selector number for one sizing byte, from the window's lists and some odd
// ones; -1 for the selector the window lacks, now and then: the loader must skip it.
const std::vector<int> &selectorSizes(quint8 sizing)
{
    static std::array<std::vector<int>, 256> built;
    std::vector<int> &counts = built[sizing];
    if (counts.empty()) {
        static const int sizes[] = {128, 16384, 17, 16, 5, 1, 0, 101};
        const int selectors = selectorNumbers().size();
        for (int n = 0; n < selectors; ++n)
            counts.push_back(sizes[((sizing + n) * 7 + sizing / 8) % 8]);
        if (sizing % 5 == 0)
            counts[sizing % selectors] = -1;
    }
    return counts;
}

// The editor's selectors by name. Sized and numbered ahead, so an input costs no lookups
// that allocate: a load is what the run should spend its time on.
class Selectors : public ConfigFile::SelectorAccess
{
public:
    explicit Selectors(quint8 sizing)
        : counts(selectorSizes(sizing)), positions(counts.size(), 0), chosen(counts.size())
    {}

    int count(const QString &name) const override
    {
        const int n = selectorNumbers().value(name, -1);
        return n < 0 ? -1 : counts[n];
    }
    int current(const QString &name) const override
    {
        const int n = selectorNumbers().value(name, -1);
        return n < 0 ? 0 : positions[n];
    }
    void select(const QString &name, int position) override
    {
        const int entries = count(name);
        require(entries >= 0, "a selector the window lacks was chosen");
        const int n = selectorNumbers().value(name);
        require(!chosen[n], "a selector was chosen twice in one load");
        chosen[n] = true;
        // As a list selector does: a position outside its list leaves it without an entry.
        positions[n] = position >= 0 && position < entries ? position : -1;
    }

    const std::vector<int> &counts;
    std::vector<int> positions;
    std::vector<bool> chosen;
};

// Saving flushes each file to the disk; in memory that costs nothing, on a disk it made
// the run wait on the disk for every input.
QString scratchBase()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
}

// QSettings keeps a file it read in a process-wide cache once its QSettings is gone, unless
// the file was empty when last read. Opened once more after it was removed, the file reads as
// empty and leaves the cache: a round leaves nothing behind, so libFuzzer never takes an input
// for a leak and reruns it with a scan of the whole heap. Filling the cache with other files
// after each round did the same at ten file reads per input.
void forgetFile(const QString &path)
{
    QFile::remove(path);
    QSettings(path, QSettings::IniFormat).status();
}

// QSettings caches files by path; every round gets names of its own.
QString freshPath(const QTemporaryDir &dir)
{
    static quint64 round = 0;
    return dir.filePath(QStringLiteral("state-%1.ini").arg(++round));
}

// Whatever was loaded, saving it and loading that file brings back the same positions.
void checkRoundTrip(const QTemporaryDir &dir, ConfigFile::Writer writer, const Selectors &loaded,
                    quint8 sizing)
{
    const ConfigFile::SaveResult saved = ConfigFile::save(freshPath(dir), writer, loaded);
    require(saved.saved, "a save into the temporary directory failed");
    Selectors again(sizing);
    ConfigFile::load(saved.path, again);
    for (const ConfigFile::GroupKeys &group : ConfigFile::writerKeys(writer))
        for (const QString &key : group.keys)
            if (loaded.count(key) >= 0)
                require(again.current(key) == loaded.current(key),
                        "a saved position did not load back");
    forgetFile(saved.path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // The loader's diagnostics are no finding; written for every input they cost the run
    // more than the load itself.
    static const QtMessageHandler quiet =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    Q_UNUSED(quiet)
    static const QTemporaryDir dir(scratchBase() + QStringLiteral("/tredora-fuzz-XXXXXX"));
    require(dir.isValid(), "no temporary directory");
    static const bool environment = [] {
        // The loader's own scratch copies go to the same place.
        qputenv("TMPDIR", QFile::encodeName(dir.path()));
        // Each file time QSettings compares is turned into local time; with no TZ set, the C
        // library stats and rereads the zone file for every one of them.
        if (qEnvironmentVariableIsEmpty("TZ"))
            qputenv("TZ", "UTC");
        return true;
    }();
    Q_UNUSED(environment)

    const QString input = freshPath(dir);
    {
        QFile file(input);
        require(file.open(QIODevice::WriteOnly), "cannot write the input file");
        file.write(reinterpret_cast<const char *>(data) + 1, qint64(size - 1));
    }
    Selectors loaded(data[0]);
    ConfigFile::load(input, loaded);
    for (size_t n = 0; n < loaded.counts.size(); ++n)
        require(loaded.counts[n] < 0 || loaded.chosen[n], "a selector of the file was left out");
    forgetFile(input);

    // The save half runs the same code whatever the bytes were; the loader is what they drive.
    if (size % 4 == 0)
        checkRoundTrip(dir, size % 8 == 0 ? ConfigFile::Writer::SaveAs : ConfigFile::Writer::Save,
                       loaded, data[0]);
    return 0;
}
