// The update dialog and the check that drives it; every box goes through UserPrompt.
#include "update/softwareupdate.h"

#include "common/userprompt.h"
#include "editor/configuration.h"
#include "update/netfetch.h"
#include "update/serverpaths.h"

#include <QDebug>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <functional>

namespace {
constexpr int kDialogWidth = 400;
constexpr int kDialogHeight = 200;

// Runs a piece of work once `window` has drawn its next frame: a window paints and flushes
// while it handles its expose event. The network manager's first request loads the network
// stack, a good part of the start-up; the window comes first.
class AfterNextFrame : public QObject
{
public:
    AfterNextFrame(QWindow *window, QObject *owner, std::function<void()> work)
        : QObject(owner), work(std::move(work))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose) {
            watched->removeEventFilter(this);
            // Queued twice: after the expose has been painted and flushed, and after what that
            // paint queued in turn (the window's own follow-ups to its first frame).
            QObject *owner = parent();
            QTimer::singleShot(
                0, owner, [owner, work = std::move(work)] { QTimer::singleShot(0, owner, work); });
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> work;
};
} // namespace

SoftwareUpdateDialog::SoftwareUpdateDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Checking Update..."));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    resize(kDialogWidth, kDialogHeight);
    setModal(false);

    label = new QLabel(QStringLiteral("Checking update information..."), this);
    // The text quotes the server's description; it is never read as markup.
    label->setTextFormat(Qt::PlainText);
    progressBar = new QProgressBar(this);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->hide();
    downloadButton = new QPushButton(QStringLiteral("Download"), this);
    downloadButton->setEnabled(false);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(progressBar);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(downloadButton);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons);
}

InstallerProcess::InstallerProcess(QObject *parent) : QProcess(parent)
{
    // No pipes to the tool: an installer writing to a closed pipe would be killed by it.
    setProcessChannelMode(QProcess::ForwardedChannels);
    setInputChannelMode(QProcess::ForwardedInputChannel);
}

InstallerProcess::~InstallerProcess()
{
    // QProcess kills and waits for a running child when destroyed; the installer must outlive
    // the tool, so let go of it instead.
    if (state() != QProcess::NotRunning)
        setProcessState(QProcess::NotRunning);
}

SoftwareUpdateCheck *SoftwareUpdateCheck::start(QWidget *mainWindow, Rule rule,
                                                const QString &currentVersion, QProcess *installer)
{
    auto *dialog = new SoftwareUpdateDialog(mainWindow);
    auto *check = new SoftwareUpdateCheck(dialog, mainWindow, rule, currentVersion, installer);
    const auto fetchDescription = [check] {
        NetFetch *fetch =
            NetFetch::get(UpdateServer::address(UpdateServer::toolDescriptionPath()), check);
        connect(fetch, &NetFetch::finished, check,
                [check](bool ok, const QByteArray &body, const QString &errorText) {
                    check->handleDescription(ok, body, errorText);
                });
    };
    if (QWindow *shown = mainWindow->window()->windowHandle(); rule == Rule::Startup && shown)
        new AfterNextFrame(shown, check, fetchDescription);
    else
        fetchDescription();
    return check;
}

SoftwareUpdateCheck::SoftwareUpdateCheck(SoftwareUpdateDialog *dialog, QWidget *mainWindow,
                                         Rule rule, const QString &currentVersion,
                                         QProcess *installer)
    : QObject(dialog), updateDialog(dialog), window(mainWindow), rule(rule),
      current(currentVersion), installer(installer)
{
    connect(dialog->downloadButton, &QPushButton::clicked, this,
            &SoftwareUpdateCheck::startDownload);
    connect(dialog->cancelButton, &QPushButton::clicked, dialog, &QDialog::reject);
    // Escape and the window's close button count as Cancel: a download nobody watches any more
    // must not go on to start an installer.
    connect(dialog, &QDialog::rejected, this, &SoftwareUpdateCheck::cancelDownload);
}

void SoftwareUpdateCheck::handleDescription(bool ok, const QByteArray &body,
                                            const QString &errorText)
{
    if (!ok) {
        updateDialog->label->setText(QStringLiteral("Update file download failed: ") + errorText);
        updateDialog->downloadButton->setEnabled(false);
        endUnseen();
        return;
    }
    offered = ToolVersion::parseToolDescription(body);
    if (offered.versionName.isEmpty()) {
        updateDialog->label->setText(
            QStringLiteral("Update check finished, but no version info found."));
        updateDialog->downloadButton->setEnabled(false);
        endUnseen();
        return;
    }

    if (ToolVersion::checkFindsNewer(rule, current, offered.newVersion)) {
        if (rule == Rule::Startup) {
            const QPointer<SoftwareUpdateCheck> alive(this);
            showLatestReleaseBox(nullptr);
            if (!alive) // the window went away while the box was open
                return;
        }
        offerUpdate();
        return;
    }

    updateDialog->close();
    const QPointer<SoftwareUpdateCheck> alive(this);
    if (rule == Rule::Startup)
        showLatestReleaseBox(nullptr);
    else
        UserPrompt::show(
            window, QMessageBox::Information, QStringLiteral("Version Check"),
            QStringLiteral("Your software is already up to date.\nCurrent version: V%1")
                .arg(current));
    if (alive)
        endUnseen();
}

void SoftwareUpdateCheck::offerUpdate()
{
    updateDialog->setWindowTitle(QStringLiteral("Update Available"));
    // One arg() call: a "%1" inside the server's description stays as it is.
    updateDialog->label->setText(
        QStringLiteral("The current version is: V%1\nA new version is available: %2\n\n"
                       "Update Content:\n%3")
            .arg(current, offered.versionName, ToolVersion::shownDescription(offered.description)));
    updateDialog->downloadButton->setEnabled(true);
    updateDialog->show();
}

void SoftwareUpdateCheck::endUnseen()
{
    emit endedUnseen(updateDialog->label->text());
    // Restoring the window again and again must not pile up hidden dialogs.
    updateDialog->deleteLater();
}

void SoftwareUpdateCheck::showLatestReleaseBox(QWidget *parent)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), latestReleaseText(),
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::RichText);
    box.setTextInteractionFlags(Qt::TextBrowserInteraction);
    UserPrompt::exec(&box);
}

void SoftwareUpdateCheck::startDownload()
{
    updateDialog->label->setText(QStringLiteral("Downloading update, please wait..."));
    updateDialog->progressBar->setValue(0);
    updateDialog->progressBar->show();
    updateDialog->downloadButton->setEnabled(false);
    cancelRequested = false;

    download = NetFetch::get(UpdateServer::address(UpdateServer::installerPath(offered.newVersion)),
                             window);
    connect(download, &NetFetch::progress, this, [this](qint64 received, qint64 total) {
        if (total > 0)
            updateDialog->progressBar->setValue(int(received * 100 / total));
    });
    connect(download, &NetFetch::finished, this,
            [this](bool ok, const QByteArray &body, const QString &errorText) {
                download = nullptr;
                handleInstaller(ok, body, errorText);
            });
}

void SoftwareUpdateCheck::cancelDownload()
{
    if (!download)
        return;
    qDebug() << "User requested cancel: aborting download.";
    cancelRequested = true;
    download->abort();
}

void SoftwareUpdateCheck::handleInstaller(bool ok, const QByteArray &body, const QString &errorText)
{
    if (!ok) {
        if (cancelRequested) {
            qDebug() << "Download canceled by user.";
            return; // the dialog is closing already
        }
        qDebug() << "EXE download failed:" << errorText;
        updateDialog->reject();
        return;
    }
    const QString failure = installAndStart(body);
    if (failure.isEmpty())
        updateDialog->accept();
    else
        updateDialog->label->setText(failure);
}

QString SoftwareUpdateCheck::installAndStart(const QByteArray &bytes)
{
    const QString name = offered.newVersion + QStringLiteral(".exe");
    const QString folder = QDir::tempPath();
    // Empty when the folder named for temporary files does not exist: never the root folder.
    if (folder.isEmpty()) {
        qDebug() << "Failed to open file for writing.";
        return QStringLiteral("The installer could not be written: ") + name;
    }
    const QString path = folder + QLatin1Char('/') + name;
    // Written aside and renamed into place: in a shared temporary folder the name may already
    // be taken by a file of someone else, which must never be what gets started.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        qDebug() << "Failed to open file for writing.";
        return QStringLiteral("The installer could not be written: ") + path;
    }
    if (bytes.isEmpty()) {
        qDebug() << "Downloaded EXE is empty!";
        return QStringLiteral("The downloaded installer is empty: ") + path;
    }
#ifndef Q_OS_WIN
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeUser);
#endif
    if (installer && installer->state() == QProcess::NotRunning) {
        installer->setProgram(path);
        installer->setArguments({});
        installer->start();
        if (installer->waitForStarted(kInstallerStartWaitMs)) {
            qDebug() << "Started downloaded EXE.";
            return QString();
        }
    }
    qDebug() << "Failed to start EXE file!";
    return QStringLiteral("The installer could not be started: ") + path;
}
