// The software update end to end: the real window against the local HTTPS update server, the
// boxes through the prompt script, and a stand-in program as the downloaded installer.
#include "app/widget.h"
#include "browserstandin.h"
#include "localupdateserver.h"
#include "promptscript.h"
#include "testdir.h"
#include "update/netfetch.h"
#include "update/serverpaths.h"
#include "update/softwareupdate.h"

#include <QAction>
#include <QBoxLayout>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <memory>

namespace {

using Failure = LocalUpdateServer::Failure;
constexpr int kNone = int(Failure::None);
constexpr int kUntrusted = -1;     // served, but by the listener with a certificate nobody trusts
constexpr int kFileAsFolder = -2;  // the temporary folder is a plain file
constexpr int kMissingFolder = -3; // the temporary folder does not exist
constexpr int kWaitMs = 15000;
const QString kDescriptionPath =
    QStringLiteral("/download/Product/Tredora/Update/Tredora_UpdateWin.txt");
const QString kRecordVariable = QStringLiteral("TREDORA_STANDIN_RECORD");
const QString kLingerVariable = QStringLiteral("TREDORA_STANDIN_LINGER_MS");
const QString kLatestRelease = QStringLiteral(
    "This software is the latest release. Please ensure that your product is using the latest "
    "firmware. Download the latest firmware from the official website: ");

QString installerPath(const QString &version)
{
    return QStringLiteral("/download/Product/Tredora/Update/Tredora_V%1.exe").arg(version);
}

QString offerText(const QString &versionName, const QString &description)
{
    return QStringLiteral("The current version is: V4.0.3\nA new version is available: ") +
           versionName + QStringLiteral("\n\nUpdate Content:\n") + description;
}

QByteArray standInProgram()
{
    QFile file(QStringLiteral(STANDIN_INSTALLER));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<SoftwareUpdateDialog *> updateDialogs(const Widget &w)
{
    return w.findChildren<SoftwareUpdateDialog *>(QString(), Qt::FindDirectChildrenOnly);
}

QAction *checkForUpdateAction(Widget &w)
{
    for (QAction *entry : w.findChildren<QAction *>()) {
        if (entry->text() == QLatin1String("Check for Update "))
            return entry;
    }
    return nullptr;
}

// How many boxes had been answered when an update dialog appeared.
class ShowWatcher : public QObject
{
public:
    explicit ShowWatcher(const PromptScript &script) : script(script)
    {
        qApp->installEventFilter(this);
    }
    ~ShowWatcher() override { qApp->removeEventFilter(this); }
    QList<int> boxesBeforeShow;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<SoftwareUpdateDialog *>(watched))
            boxesBeforeShow << script.boxes.size();
        return false;
    }

private:
    const PromptScript &script;
};

// Collects warnings while it lives.
class WarningCollector
{
public:
    WarningCollector() { previous = qInstallMessageHandler(&WarningCollector::handle); }
    ~WarningCollector() { qInstallMessageHandler(previous); }
    static inline QStringList warnings;

private:
    static void handle(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        if (type != QtDebugMsg && type != QtInfoMsg)
            warnings << text;
    }
    QtMessageHandler previous = nullptr;
};

// One check as it runs: its dialog, released when the check ends unseen, and that ending.
struct RunningCheck
{
    QPointer<SoftwareUpdateDialog> dialog;
    std::unique_ptr<QSignalSpy> unseen;

    bool endedUnseen() const { return unseen && unseen->size() == 1; }
    QString unseenLabel() const { return endedUnseen() ? unseen->first().first().toString() : ""; }
    bool settled() const { return endedUnseen() || (dialog && dialog->isVisible()); }
};

RunningCheck watchNewestCheck(const Widget &w)
{
    RunningCheck check;
    const QList<SoftwareUpdateDialog *> dialogs = updateDialogs(w);
    if (!dialogs.isEmpty()) {
        check.dialog = dialogs.last();
        check.unseen = std::make_unique<QSignalSpy>(
            check.dialog->findChild<SoftwareUpdateCheck *>(), &SoftwareUpdateCheck::endedUnseen);
    }
    return check;
}

} // namespace

class TestSoftwareUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void dialogAsBuilt();
    void checks_data();
    void checks();
    void informationBoxLinkOpensTheBrowser();
    void everyShowRunsAnotherCheck();
    void startupCheckAsksAfterTheFirstFrame();
    void defaultAddressStaysQuiet();
    void downloadStartsTheInstaller();
    void cancelDuringStalledDownload_data();
    void cancelDuringStalledDownload();
    void failedInstallers_data();
    void failedInstallers();

private:
    // Runs one check (a show of the window, or the menu entry) and waits until it has settled.
    RunningCheck runCheck(Widget &w, bool manual);
    // "Check for Update " against Tredora_V5.0, then "Download".
    RunningCheck offerAndDownload(Widget &w);
    QString installerFile(const QString &version) const;
    QByteArray record() const;

    QTemporaryDir serverRoot;
    std::unique_ptr<LocalUpdateServer> server;
    std::unique_ptr<ScopedWorkingDir> workDir;
    QString tempDir;
    BrowserStandIn browser;
};

void TestSoftwareUpdate::initTestCase()
{
    QVERIFY(!standInProgram().isEmpty());
    server = std::make_unique<LocalUpdateServer>(serverRoot.path());
    QVERIFY2(server->start(), qPrintable(server->errorString()));
    server->trustOnlyThisServer();
    QVERIFY(UpdateServer::setBaseAddress(server->baseAddress()));
}

void TestSoftwareUpdate::init()
{
    workDir = std::make_unique<ScopedWorkingDir>();
    // The system's temporary folder, as the tool sees it, is this test's own.
    tempDir = workDir->filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(tempDir));
    qputenv("TMPDIR", QFile::encodeName(tempDir));
    qputenv(qPrintable(kRecordVariable), QFile::encodeName(workDir->filePath("record.txt")));
    server->clearFailures();
    QVERIFY(UpdateServer::setBaseAddress(server->baseAddress()));
    browser.opened.clear();
}

void TestSoftwareUpdate::cleanup()
{
    qunsetenv("TMPDIR");
    qunsetenv(qPrintable(kLingerVariable));
    NetFetch::setStallTimeoutForTests(NetFetch::kStallTimeoutMs);
    workDir.reset();
}

void TestSoftwareUpdate::cleanupTestCase()
{
    server->stop();
}

RunningCheck TestSoftwareUpdate::runCheck(Widget &w, bool manual)
{
    if (manual)
        checkForUpdateAction(w)->trigger();
    else
        w.show();
    RunningCheck check = watchNewestCheck(w);
    if (check.dialog && !QTest::qWaitFor([&check] { return check.settled(); }, kWaitMs))
        qWarning("The update check did not settle");
    return check;
}

RunningCheck TestSoftwareUpdate::offerAndDownload(Widget &w)
{
    server->putFile(kDescriptionPath, "Tredora_V5.0\nUpdate content: new");
    RunningCheck check = runCheck(w, true);
    if (check.dialog && check.dialog->downloadButton->isEnabled())
        check.dialog->downloadButton->click();
    return check;
}

QString TestSoftwareUpdate::installerFile(const QString &version) const
{
    return tempDir + QLatin1Char('/') + version + QStringLiteral(".exe");
}

QByteArray TestSoftwareUpdate::record() const
{
    QFile file(workDir->filePath("record.txt"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestSoftwareUpdate::dialogAsBuilt()
{
    PromptScript script;
    server->setFailure(kDescriptionPath, LocalUpdateServer::Failure::Stall);
    Widget w;
    checkForUpdateAction(w)->trigger();
    QCOMPARE(updateDialogs(w).size(), 1);
    SoftwareUpdateDialog *dialog = updateDialogs(w).first();

    QCOMPARE(dialog->parentWidget(), &w);
    QCOMPARE(dialog->windowTitle(), QString("Checking Update..."));
    QVERIFY(!dialog->windowFlags().testFlag(Qt::WindowContextHelpButtonHint));
    QCOMPARE(dialog->size(), QSize(400, 200));
    QVERIFY(!dialog->isModal());
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->label->text(), QString("Checking update information..."));
    QCOMPARE(dialog->progressBar->minimum(), 0);
    QCOMPARE(dialog->progressBar->maximum(), 100);
    QCOMPARE(dialog->progressBar->value(), 0);
    QVERIFY(dialog->progressBar->isHidden());
    QCOMPARE(dialog->downloadButton->text(), QString("Download"));
    QVERIFY(!dialog->downloadButton->isEnabled());
    QCOMPARE(dialog->cancelButton->text(), QString("Cancel"));

    auto *column = qobject_cast<QVBoxLayout *>(dialog->layout());
    QVERIFY(column);
    QCOMPARE(column->count(), 3);
    QCOMPARE(column->itemAt(0)->widget(), dialog->label);
    QCOMPARE(column->itemAt(1)->widget(), dialog->progressBar);
    auto *row = qobject_cast<QHBoxLayout *>(column->itemAt(2)->layout());
    QVERIFY(row);
    QCOMPARE(row->itemAt(0)->widget(), dialog->downloadButton);
    QCOMPARE(row->itemAt(1)->widget(), dialog->cancelButton);

    // Every check builds its own dialog.
    checkForUpdateAction(w)->trigger();
    QCOMPARE(updateDialogs(w).size(), 2);
    QCOMPARE(script.unexpected, 0);
}

void TestSoftwareUpdate::checks_data()
{
    QTest::addColumn<QByteArray>("description");
    QTest::addColumn<int>("failure"); // a LocalUpdateServer::Failure, or kUntrusted
    QTest::addColumn<bool>("manual");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("label"); // the shown dialog's, or the hidden one's at the end

    const QStringList none;
    const QStringList information{"Information"};
    const QString unchanged = "Checking update information...";
    const QString noVersion = "Update check finished, but no version info found.";
    const QString failed = "Update file download failed: ";
    const QByteArray patch = "Tredora_V4.0.4\nUpdate content:\nSteadier connection\n";
    const QByteArray major = "Tredora_V5.0\nUpdate content: New editor";

    QTest::newRow("4.0.4 at start-up: only the information box")
        << patch << kNone << false << information << unchanged;
    QTest::newRow("4.0.4 on request: offered")
        << patch << kNone << true << none << offerText("Tredora_V4.0.4", "Steadier connection\n");
    QTest::newRow("5.0 at start-up: the information box, then the dialog")
        << major << kNone << false << information << offerText("Tredora_V5.0", "New editor");
    QTest::newRow("5.0 on request: the dialog only")
        << major << kNone << true << none << offerText("Tredora_V5.0", "New editor");
    QTest::newRow("same version on request: up to date")
        << QByteArray("Tredora_V4.0.3\nUpdate content: x") << kNone << true
        << QStringList{"Version Check"} << unchanged;
    QTest::newRow("no marker: nothing after Update Content:")
        << QByteArray("Tredora_V4.1.0\nNew pictures") << kNone << true << none
        << offerText("Tredora_V4.1.0", "");
    QTest::newRow("markup and place markers stay text")
        << QByteArray("Tredora_V4.1\nUpdate content: <b>%1</b> %2 %3") << kNone << true << none
        << offerText("Tredora_V4.1", "<b>%1</b> %2 %3");

    // A description of any size leaves the dialog usable: a few lines of it are shown.
    QByteArray huge = "Tredora_V5.0\nUpdate content: ";
    for (int i = 0; i < 20000; ++i)
        huge += "line " + QByteArray::number(i) + ' ' + QByteArray(i % 500, '-') + '\n';
    QString shown;
    for (int i = 0; i < 30; ++i)
        shown += "line " + QString::number(i) + ' ' + QString(i, '-') + '\n';
    QTest::newRow("huge description")
        << huge << kNone << true << none << offerText("Tredora_V5.0", shown + QChar(0x2026));

    // Nothing visible: the dialog's label alone says what happened.
    QTest::newRow("another product's version")
        << QByteArray("TRV-40_V9.0\nUpdate content: x") << kNone << false << none << noVersion;
    QTest::newRow("empty file") << QByteArray() << kNone << false << none << noVersion;
    QTest::newRow("binary") << QByteArray::fromHex("00ff10fe0d0a7f80") << kNone << true << none
                            << noVersion;
    QTest::newRow("empty reply") << major << int(Failure::EmptyBody) << false << none << noVersion;
    QTest::newRow("404") << major << int(Failure::NotFound) << false << none << failed;
    QTest::newRow("redirect") << major << int(Failure::Redirect) << true << none << failed;
    QTest::newRow("cut short") << major << int(Failure::CutBody) << true << none << failed;
    QTest::newRow("untrusted certificate") << major << kUntrusted << false << none << failed;
}

void TestSoftwareUpdate::checks()
{
    QFETCH(QByteArray, description);
    QFETCH(int, failure);
    QFETCH(bool, manual);
    QFETCH(QStringList, boxes);
    QFETCH(QString, label);

    QVERIFY(server->putFile(kDescriptionPath, description));
    if (failure == kUntrusted)
        QVERIFY(UpdateServer::setBaseAddress(server->untrustedBaseAddress()));
    else
        server->setFailure(kDescriptionPath, Failure(failure));

    PromptScript script;
    for (int i = 0; i < boxes.size(); ++i)
        script.answer(QMessageBox::Ok);
    ShowWatcher shows(script);
    Widget w;
    RunningCheck check = runCheck(w, manual);
    QVERIFY(check.settled());

    QStringList titles;
    for (const SeenBox &box : script.boxes) {
        titles << box.title;
        QCOMPARE(box.icon, QMessageBox::Information);
        QCOMPARE(box.buttons, QStringList("OK"));
        if (box.title == QLatin1String("Version Check")) {
            QCOMPARE(box.text,
                     QString("Your software is already up to date.\nCurrent version: V4.0.3"));
            QVERIFY(box.hasParent);
        } else {
            QVERIFY(box.text.startsWith(kLatestRelease));
            QVERIFY(box.text.contains("<a href=\"https://www.volarix.example\">"));
            QVERIFY(box.text.contains("color:#FFA500"));
            QCOMPARE(box.textFormat, Qt::RichText);
            QCOMPARE(box.interaction, Qt::TextInteractionFlags(Qt::TextBrowserInteraction));
            QVERIFY(!box.hasParent);
        }
    }
    QCOMPARE(titles, boxes);
    QCOMPARE(script.unexpected, 0);

    const bool offered = label.startsWith(QLatin1String("The current version is:"));
    if (offered) {
        QVERIFY(check.dialog->isVisible());
        QCOMPARE(check.dialog->windowTitle(), QString("Update Available"));
        QCOMPARE(check.dialog->label->text(), label);
        QVERIFY(check.dialog->downloadButton->isEnabled());
        QVERIFY(check.dialog->progressBar->isHidden());
        // The information box, when there is one, comes first.
        QCOMPARE(shows.boxesBeforeShow, QList<int>{boxes.size()});
    } else {
        QVERIFY(check.endedUnseen());
        QVERIFY(shows.boxesBeforeShow.isEmpty());
        if (label.endsWith(QLatin1String(": ")))
            QVERIFY2(check.unseenLabel().startsWith(label) &&
                         check.unseenLabel().size() > label.size(),
                     qPrintable(check.unseenLabel()));
        else
            QCOMPARE(check.unseenLabel(), label);
        // A dialog never shown is released once its check is over.
        QTRY_VERIFY_WITH_TIMEOUT(!check.dialog, kWaitMs);
    }
    QVERIFY(!server->requestedPaths().contains(installerPath("5.0")));
}

void TestSoftwareUpdate::informationBoxLinkOpensTheBrowser()
{
    server->putFile(kDescriptionPath, "Tredora_V4.0.3");
    int boxes = 0;
    UserPrompt::setMessageResponder([&boxes](QMessageBox &box) {
        ++boxes;
        box.show();
        if (auto *label = box.findChild<QLabel *>("qt_msgbox_label"))
            BrowserStandIn::activateFirstLink(label);
        return int(QMessageBox::Ok);
    });
    Widget w;
    runCheck(w, false);
    UserPrompt::setMessageResponder({});
    QCOMPARE(boxes, 1);
    QTRY_COMPARE_WITH_TIMEOUT(browser.opened.size(), 1, kWaitMs);
    QCOMPARE(browser.opened.first(), QUrl("https://www.volarix.example"));
}

void TestSoftwareUpdate::everyShowRunsAnotherCheck()
{
    server->putFile(kDescriptionPath, "Tredora_V4.0.4\nUpdate content: x");
    PromptScript script;
    Widget w;
    const int asked = server->requestedPaths().count(kDescriptionPath);
    const int restores = 5;
    for (int i = 1; i <= restores; ++i) {
        script.answer(QMessageBox::Ok);
        const RunningCheck check = runCheck(w, false);
        QVERIFY(check.endedUnseen());
        QCOMPARE(script.boxes.size(), i);
        w.hide();
    }
    QCOMPARE(server->requestedPaths().count(kDescriptionPath) - asked, restores);
    QTRY_VERIFY_WITH_TIMEOUT(updateDialogs(w).isEmpty(), kWaitMs);
    QCOMPARE(script.unexpected, 0);
}

namespace {
// Notes, when the window is first drawn (its expose), whether an update request had gone out.
class FirstFrameWatch : public QObject
{
public:
    explicit FirstFrameWatch(QWidget *window) : QObject(window), window(window) {}
    bool drawn = false;
    bool fetchBeforeFrame = false;

    void watchShown() { window->windowHandle()->installEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && !drawn) {
            drawn = true;
            fetchBeforeFrame = window->findChild<NetFetch *>() != nullptr;
        }
        return false;
    }

private:
    QWidget *window;
};
} // namespace

void TestSoftwareUpdate::startupCheckAsksAfterTheFirstFrame()
{
    server->putFile(kDescriptionPath, "Tredora_V4.0.4\nUpdate content: x");
    PromptScript script;
    Widget w;
    const int asked = server->requestedPaths().count(kDescriptionPath);
    FirstFrameWatch watch(&w);
    script.answer(QMessageBox::Ok);
    w.show();
    watch.watchShown();
    // The dialog is there at once; its request waits for the window's first frame.
    const RunningCheck check = watchNewestCheck(w);
    QVERIFY(check.dialog);
    QVERIFY(!check.dialog->findChild<NetFetch *>());
    QTRY_VERIFY_WITH_TIMEOUT(check.endedUnseen(), kWaitMs);
    QVERIFY(watch.drawn);
    QVERIFY(!watch.fetchBeforeFrame);
    QCOMPARE(server->requestedPaths().count(kDescriptionPath) - asked, 1);
    QCOMPARE(script.boxes.size(), 1);

    // The menu entry asks at once.
    checkForUpdateAction(w)->trigger();
    QVERIFY(updateDialogs(w).last()->findChild<NetFetch *>());
    QCOMPARE(script.unexpected, 0);
}

void TestSoftwareUpdate::defaultAddressStaysQuiet()
{
    QVERIFY(UpdateServer::setBaseAddress(QStringLiteral(TREDORA_UPDATE_SERVER)));
    QVERIFY(QHostAddress(QUrl(UpdateServer::baseAddress()).host()).isLoopback());
    PromptScript script;
    WarningCollector::warnings.clear();
    {
        WarningCollector collect;
        Widget w;
        w.show();
        RunningCheck check = watchNewestCheck(w);
        QVERIFY(check.dialog);
        // Nothing listens there: the connection is refused at once.
        QTRY_VERIFY_WITH_TIMEOUT(check.endedUnseen(), kWaitMs);
        QVERIFY(check.unseenLabel().startsWith("Update file download failed: "));
        QTRY_VERIFY_WITH_TIMEOUT(!check.dialog, kWaitMs);
    }
    QCOMPARE(WarningCollector::warnings, QStringList());
    QCOMPARE(script.boxes.size(), 0);
}

void TestSoftwareUpdate::downloadStartsTheInstaller()
{
    const QByteArray program = standInProgram();
    server->putFile(installerPath("5.0"), program);
    // The stand-in stays a while, so that closing the tool meets it still running.
    qputenv(qPrintable(kLingerVariable), "1500");
    PromptScript script;
    auto w = std::make_unique<Widget>();
    RunningCheck check = offerAndDownload(*w);
    QVERIFY(check.dialog);
    QCOMPARE(check.dialog->label->text(), QString("Downloading update, please wait..."));
    QVERIFY(check.dialog->progressBar->isVisible());
    QVERIFY(!check.dialog->downloadButton->isEnabled());

    QSignalSpy accepted(check.dialog.data(), &QDialog::accepted);
    QVERIFY(accepted.wait(kWaitMs));
    QVERIFY(!check.dialog->isVisible());
    QCOMPARE(check.dialog->progressBar->value(), 100);
    QTRY_VERIFY_WITH_TIMEOUT(record().contains("ran with 0 arguments\n"), kWaitMs);

    QFile written(installerFile("5.0"));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), program);
    QVERIFY(written.permissions().testFlag(QFile::ExeOwner));
    QCOMPARE(QDir(tempDir).entryList(QDir::Files), QStringList("5.0.exe"));

    // The installer belongs to the window and was started by it; the tool keeps running.
    auto *installer = w->findChild<QProcess *>();
    QVERIFY(installer);
    QCOMPARE(installer->parent(), w.get());
    QCOMPARE(installer->program(), installerFile("5.0"));
    QCOMPARE(installer->arguments(), QStringList());
    QCOMPARE(installer->state(), QProcess::Running);

    // Closing the tool does not stop the installer.
    WarningCollector::warnings.clear();
    {
        WarningCollector collect;
        w.reset();
    }
    QVERIFY(!record().contains("finished"));
    QTRY_VERIFY_WITH_TIMEOUT(record().contains("finished\n"), kWaitMs);
    QCOMPARE(WarningCollector::warnings, QStringList());
    QCOMPARE(script.unexpected, 0);
}

void TestSoftwareUpdate::cancelDuringStalledDownload_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("Cancel") << 0;
    // Escape and the window's close button count as Cancel.
    QTest::newRow("Escape") << 1;
    QTest::newRow("closing the dialog") << 2;
}

void TestSoftwareUpdate::cancelDuringStalledDownload()
{
    QFETCH(int, how);
    server->putFile(installerPath("5.0"), standInProgram());
    server->setFailure(installerPath("5.0"), LocalUpdateServer::Failure::Stall);
    PromptScript script;
    Widget w;
    RunningCheck check = offerAndDownload(w);
    QVERIFY(check.dialog);
    QTRY_VERIFY_WITH_TIMEOUT(server->requestedPaths().contains(installerPath("5.0")), kWaitMs);

    QSignalSpy rejected(check.dialog.data(), &QDialog::rejected);
    if (how == 0)
        check.dialog->cancelButton->click();
    else if (how == 1)
        QTest::keyClick(check.dialog, Qt::Key_Escape);
    else
        check.dialog->close();
    QCOMPARE(rejected.size(), 1);
    QVERIFY(!check.dialog->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(w.findChildren<NetFetch *>().isEmpty(), kWaitMs);
    QCOMPARE(QDir(tempDir).entryList(QDir::Files), QStringList());
    QVERIFY(record().isEmpty());
    // Closed, not released: a dialog the user has seen stays with the window.
    QVERIFY(check.dialog);
    QCOMPARE(rejected.size(), 1);
    QCOMPARE(script.unexpected, 0);
}

void TestSoftwareUpdate::failedInstallers_data()
{
    QTest::addColumn<int>("failure");        // a LocalUpdateServer::Failure, or a kind below
    QTest::addColumn<QByteArray>("content"); // "program" for the stand-in
    QTest::addColumn<QString>("label");      // empty: the dialog closes
    QTest::addColumn<bool>("fileKept");

    const QByteArray program("program");
    QTest::newRow("404 closes") << int(Failure::NotFound) << program << "" << false;
    QTest::newRow("redirect closes") << int(Failure::Redirect) << program << "" << false;
    QTest::newRow("cut short closes") << int(Failure::CutBody) << program << "" << false;
    QTest::newRow("stall ends as a network error") << int(Failure::Stall) << program << "" << false;
    QTest::newRow("untrusted certificate: nothing started") << kUntrusted << program << "" << false;
    QTest::newRow("empty reply says so")
        << int(Failure::EmptyBody) << program << "The downloaded installer is empty: %1" << true;
    QTest::newRow("not a program says it could not start")
        << kNone << QByteArray("just text\n") << "The installer could not be started: %1" << true;
    QTest::newRow("a file where the folder should be")
        << kFileAsFolder << program << "The installer could not be written: %1" << false;
    // Regression: the path became "/5.0.exe", written and started in the root folder.
    QTest::newRow("missing temporary folder")
        << kMissingFolder << program << "The installer could not be written: %1" << false;
}

void TestSoftwareUpdate::failedInstallers()
{
    QFETCH(int, failure);
    QFETCH(QByteArray, content);
    QFETCH(QString, label);
    QFETCH(bool, fileKept);

    server->putFile(installerPath("5.0"), content == "program" ? standInProgram() : content);
    if (failure == int(Failure::Stall))
        NetFetch::setStallTimeoutForTests(300);
    if (failure >= 0)
        server->setFailure(installerPath("5.0"), Failure(failure));
    QString expectedPath = installerFile("5.0");
    if (failure == kFileAsFolder) {
        // Even root cannot create a file below a plain file.
        tempDir = workDir->filePath(QStringLiteral("plain"));
        QFile plain(tempDir);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        expectedPath = installerFile("5.0");
    } else if (failure == kMissingFolder) {
        tempDir = workDir->filePath(QStringLiteral("missing"));
        expectedPath = QStringLiteral("5.0.exe");
    }
    qputenv("TMPDIR", QFile::encodeName(tempDir));

    PromptScript script;
    Widget w;
    server->putFile(kDescriptionPath, "Tredora_V5.0\nUpdate content: new");
    RunningCheck check = runCheck(w, true);
    QVERIFY(check.dialog && check.dialog->isVisible());
    if (failure == kUntrusted)
        QVERIFY(UpdateServer::setBaseAddress(server->untrustedBaseAddress()));
    QSignalSpy finished(check.dialog.data(), &QDialog::finished);
    check.dialog->downloadButton->click();

    if (label.isEmpty()) {
        QVERIFY(finished.wait(kWaitMs));
        QCOMPARE(finished.first().first().toInt(), int(QDialog::Rejected));
    } else {
        const QString expected = label.arg(expectedPath);
        QTRY_COMPARE_WITH_TIMEOUT(check.dialog->label->text(), expected, kWaitMs);
        QVERIFY(check.dialog->isVisible());
        QCOMPARE(finished.size(), 0);
    }
    QCOMPARE(QFile::exists(installerFile("5.0")), fileKept);
    QVERIFY(!QFile::exists(QStringLiteral("/5.0.exe")));
    QVERIFY(record().isEmpty());
    QCOMPARE(script.unexpected, 0);
}

QTEST_MAIN(TestSoftwareUpdate)
#include "tst_softwareupdate.moc"
