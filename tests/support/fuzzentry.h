// Drives a libFuzzer entry that a test compiles in with the suite's own compiler. The entry
// aborts on a broken invariant, so a clean return is the whole check.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QtTest>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

inline int runFuzzEntry(const QByteArray &input)
{
    return LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(input.constData()),
                                  size_t(input.size()));
}

// Every file of a committed seed corpus; a corpus of fewer than five seeds is taken as lost.
inline void runSeedCorpus(const QString &path)
{
    const QDir corpus(path);
    const QStringList seeds = corpus.entryList(QDir::Files, QDir::Name);
    QVERIFY2(seeds.size() >= 5, qPrintable(corpus.path()));
    for (const QString &name : seeds) {
        QFile file(corpus.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(runFuzzEntry(file.readAll()), 0);
    }
}
