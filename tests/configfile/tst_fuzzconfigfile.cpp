// Runs the configuration file loader's libFuzzer entry with the suite's own compiler: over the
// committed seed corpus and over pseudo-random INI-like files. The entry aborts when a load
// chooses a selector the window lacks, a position outside a list, a selector twice, or when a
// saved state does not load back the same.
#include "configfile/configformat.h"
#include "fuzzentry.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

constexpr int kRandomFiles = 400;
constexpr quint32 kSeed = 0xC0F16;

// The pieces a saved state is made of, plus the characters INI parsing treats specially.
QList<QByteArray> fileTokens()
{
    QList<QByteArray> tokens = {"[Expression]\n",
                                "[Switch]\n",
                                "[Hat]\n",
                                "[General]\n",
                                "=",
                                "\n",
                                "\r\n",
                                "0",
                                "7",
                                "127",
                                "16383",
                                "-1",
                                "99999999999",
                                " ",
                                "\"",
                                "\\",
                                ";",
                                "%",
                                ",",
                                "@Variant(",
                                ")",
                                "/",
                                "[",
                                "]"};
    for (ConfigFile::Writer w : {ConfigFile::Writer::SaveAs, ConfigFile::Writer::Save})
        for (const ConfigFile::GroupKeys &group : ConfigFile::writerKeys(w))
            for (const QString &key : group.keys)
                tokens << key.toLatin1();
    return tokens;
}

} // namespace

class TestFuzzConfigFile : public QObject
{
    Q_OBJECT

private slots:
    void seedCorpus() { runSeedCorpus(QStringLiteral(CONFIGFILE_CORPUS_DIR)); }

    void pseudoRandomFiles()
    {
        const QList<QByteArray> tokens = fileTokens();
        QRandomGenerator random(kSeed);
        for (int i = 0; i < kRandomFiles; ++i) {
            QByteArray input(1, char(random.bounded(256)));
            const int pieces = int(random.bounded(0, 120));
            for (int j = 0; j < pieces; ++j) {
                if (random.bounded(6) == 0)
                    input.append(char(random.bounded(256)));
                else
                    input.append(tokens.at(int(random.bounded(tokens.size()))));
            }
            QCOMPARE(runFuzzEntry(input), 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestFuzzConfigFile)
#include "tst_fuzzconfigfile.moc"
