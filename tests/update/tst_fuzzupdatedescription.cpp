// Runs the update description readers' libFuzzer entry with the suite's own compiler: over the
// committed seed corpus and over pseudo-random descriptions built from the pieces they match.
#include "fuzzentry.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {
constexpr int kRandomInputs = 2000;
constexpr quint32 kSeed = 0x0DE5C;
} // namespace

class TestFuzzUpdateDescription : public QObject
{
    Q_OBJECT

private slots:
    void seedCorpus() { runSeedCorpus(QStringLiteral(UPDATEDESCRIPTION_CORPUS_DIR)); }

    void pseudoRandomDescriptions()
    {
        static const char *const tokens[] = {"TRV-40",      "TRV-50",
                                             "TRV-60",      "ZB-5",
                                             "ZB-4",        "QDN-70",
                                             "HKL-9",       "Tredora",
                                             "_V",          "V",
                                             ".",           "0",
                                             "1",           "9",
                                             "99999999999", "Update content:",
                                             " ",           "\t",
                                             "\r\n",        "\n",
                                             "-",           "\xEF\xBB\xBF",
                                             "\xff"};
        QRandomGenerator random(kSeed);
        for (int i = 0; i < kRandomInputs; ++i) {
            QByteArray input(1, char(random.bounded(256)));
            const int pieces = int(random.bounded(0, 40));
            for (int j = 0; j < pieces; ++j) {
                if (random.bounded(5) == 0)
                    input.append(char(random.bounded(256)));
                else
                    input.append(tokens[random.bounded(int(sizeof tokens / sizeof *tokens))]);
            }
            QCOMPARE(runFuzzEntry(input), 0);
        }
    }
};

QTEST_APPLESS_MAIN(TestFuzzUpdateDescription)
#include "tst_fuzzupdatedescription.moc"
