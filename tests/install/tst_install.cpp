// `cmake --install` into a temporary prefix: the program and its network module, a menu entry
// that desktop-file-validate accepts and whose Icon and Exec name installed files, and the udev
// rule for the pedals.
#include "sim/emulatedpedal.h"
#include "testdir.h"

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

namespace {
QString run(const QString &program, const QStringList &arguments, int *exitCode)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        process.kill();
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAll());
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void installLaysOutTheFiles()
    {
        const ScopedWorkingDir dir;
        const QString prefix = dir.filePath(QStringLiteral("prefix"));
        int exitCode = 0;
        const QString log = run(QStringLiteral(CMAKE_PROGRAM),
                                {QStringLiteral("--install"), QStringLiteral(BUILD_DIR),
                                 QStringLiteral("--prefix"), prefix},
                                &exitCode);
        QVERIFY2(exitCode == 0, qPrintable(log));

        const QFileInfo program(prefix + QStringLiteral("/bin/tredora"));
        QVERIFY(program.isFile() && program.isExecutable());

        // The network module where the program looks for it, and Qt Network not among the
        // libraries the program loads at start.
        QVERIFY(QFileInfo(program.absolutePath() +
                          QStringLiteral("/" TREDORA_MODULE_FROM_PROGRAM "/libtredora_network.so"))
                    .isFile());
        const QString dynamic =
            run(QStringLiteral("readelf"), {QStringLiteral("-d"), program.filePath()}, &exitCode);
        QVERIFY2(exitCode == 0, qPrintable(dynamic));
        QVERIFY2(!dynamic.contains(QStringLiteral("libQt5Network")), qPrintable(dynamic));

        // The menu entry: valid, and pointing at the program and an icon that were installed.
        const QString desktop = prefix + QStringLiteral("/share/applications/tredora.desktop");
        const QString validator =
            QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        QVERIFY2(!validator.isEmpty(), "desktop-file-validate missing: run scripts/setup.sh");
        const QString complaints = run(validator, {desktop}, &exitCode);
        QVERIFY2(exitCode == 0 && complaints.trimmed().isEmpty(), qPrintable(complaints));
        QSettings entry(desktop, QSettings::IniFormat);
        entry.beginGroup(QStringLiteral("Desktop Entry"));
        QCOMPARE(entry.value(QStringLiteral("Exec")).toString(), program.fileName());
        const QString icon = entry.value(QStringLiteral("Icon")).toString();
        const QString icons = prefix + QStringLiteral("/share/icons/hicolor/");
        const QImage bitmap(icons + QStringLiteral("256x256/apps/") + icon + ".png");
        QCOMPARE(bitmap.size(), QSize(256, 256));
        QVERIFY(readText(icons + QStringLiteral("scalable/apps/") + icon + ".svg")
                    .contains(QStringLiteral("<svg")));

        // The udev rule: every device line matches the pedals' vendor id, the serial port
        // is handed to the user and ModemManager is told to keep off.
        const QString rules =
            readText(prefix + QStringLiteral("/lib/udev/rules.d/70-tredora-pedals.rules"));
        const QString vendor =
            QStringLiteral("%1").arg(EmulatedPedal::kDefaultVendorId, 4, 16, QLatin1Char('0'));
        int tty = 0;
        int usb = 0;
        for (const QString &line : rules.split(QLatin1Char('\n'))) {
            if (!line.contains(QStringLiteral("idVendor")))
                continue;
            QVERIFY2(line.contains(QStringLiteral("idVendor}==\"%1\"").arg(vendor)),
                     qPrintable(line));
            QVERIFY2(line.contains(QStringLiteral("ENV{ID_MM_DEVICE_IGNORE}=\"1\"")),
                     qPrintable(line));
            if (line.startsWith(QStringLiteral("SUBSYSTEM==\"tty\""))) {
                ++tty;
                QVERIFY(line.contains(QStringLiteral("TAG+=\"uaccess\"")));
                QVERIFY(line.contains(QStringLiteral("GROUP=\"dialout\"")));
                QVERIFY(line.contains(QRegularExpression(QStringLiteral("MODE=\"0?66[06]\""))));
            } else if (line.startsWith(QStringLiteral("SUBSYSTEM==\"usb\""))) {
                ++usb;
            }
        }
        QVERIFY(tty >= 1 && usb >= 1);
    }
};

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
