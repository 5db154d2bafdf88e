// Runs the framer's libFuzzer entry with the suite's own compiler: over the committed seed
// corpus and over a fixed number of pseudo-random streams. The entry aborts on any broken
// invariant (kept buffer beyond its bound, records of impossible lengths, replies or live
// frames that depend on how the reads were cut).
#include "fuzzentry.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {
constexpr int kRandomInputs = 3000;
constexpr quint32 kSeed = 0x7ED0A;
} // namespace

class TestFuzzFramer : public QObject
{
    Q_OBJECT

private slots:
    void seedCorpus();
    void pseudoRandomStreams();
};

void TestFuzzFramer::seedCorpus()
{
    runSeedCorpus(QStringLiteral(FRAMER_CORPUS_DIR));
}

void TestFuzzFramer::pseudoRandomStreams()
{
    // Bytes weighted towards the ones the framer decides on, so the paths are reached.
    static const quint8 interesting[] = {0xF0, 0xF7, 0x00, 0x21, 0x5E, 0x03, 0x04, 0x05,
                                         0x06, 0xAA, 0xCC, 0x56, 0x0D, 0x0A, 0x90, 0xB0,
                                         0xC0, 0xF8, '-',  '4',  'T',  'E'};
    QRandomGenerator random(kSeed);
    for (int i = 0; i < kRandomInputs; ++i) {
        QByteArray input;
        const int length = int(random.bounded(0, 400));
        for (int j = 0; j < length; ++j) {
            if (random.bounded(3) == 0)
                input.append(char(random.bounded(256)));
            else
                input.append(char(interesting[random.bounded(int(sizeof interesting))]));
        }
        QCOMPARE(runFuzzEntry(input), 0);
    }
}

QTEST_APPLESS_MAIN(TestFuzzFramer)
#include "tst_fuzzframer.moc"
