// The update dialog and one check behind it: ask the server for the tool's update
// description, judge it by the rule of the entry point, and download and start the installer.
#pragma once

#include "update/toolversion.h"

#include <QDialog>
#include <QPointer>
#include <QProcess>

class QLabel;
class QProgressBar;
class QPushButton;
class NetFetch;

class SoftwareUpdateDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SoftwareUpdateDialog(QWidget *parent);

    QLabel *label = nullptr;
    QProgressBar *progressBar = nullptr;
    QPushButton *downloadButton = nullptr;
    QPushButton *cancelButton = nullptr;
};

// Keeps a started installer running when the window that owns it goes away: the user is
// usually asked to close the tool while the installer replaces it.
class InstallerProcess : public QProcess
{
    Q_OBJECT

public:
    explicit InstallerProcess(QObject *parent);
    ~InstallerProcess() override;
};

class SoftwareUpdateCheck : public QObject
{
    Q_OBJECT

public:
    using Rule = ToolVersion::CheckRule;

    static constexpr int kInstallerStartWaitMs = 30000;

    // Builds a new dialog under `mainWindow`, hidden until a newer version is found, and asks
    // for the update description (at start-up once the window has drawn its first frame). The
    // check lives inside its dialog.
    static SoftwareUpdateCheck *start(QWidget *mainWindow, Rule rule, const QString &currentVersion,
                                      QProcess *installer);

    SoftwareUpdateDialog *dialog() const { return updateDialog; }

signals:
    // The check is over and its dialog was never shown: the label says why; the dialog is
    // released right after.
    void endedUnseen(const QString &labelText);

private:
    SoftwareUpdateCheck(SoftwareUpdateDialog *dialog, QWidget *mainWindow, Rule rule,
                        const QString &currentVersion, QProcess *installer);

    void handleDescription(bool ok, const QByteArray &body, const QString &errorText);
    void offerUpdate();
    void endUnseen();
    void showLatestReleaseBox(QWidget *parent);
    void startDownload();
    void cancelDownload();
    void handleInstaller(bool ok, const QByteArray &body, const QString &errorText);
    // Writes the installer beside the other temporary files and starts it; the text for the
    // label when that fails.
    QString installAndStart(const QByteArray &installer);

    SoftwareUpdateDialog *updateDialog;
    QWidget *window;
    Rule rule;
    QString current;
    QPointer<QProcess> installer;
    ToolVersion::ToolUpdate offered;
    QPointer<NetFetch> download;
    bool cancelRequested = false;
};
