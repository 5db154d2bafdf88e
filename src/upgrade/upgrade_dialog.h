// The firmware upgrade window: lists devices in upgrade mode, connects the application's one
// serial port to a bootloader, loads an image and drives the erase-and-stream state machine.
#pragma once

#include "upgrade/upgradecore.h"

#include <QByteArray>
#include <QDialog>
#include <QSerialPort>
#include <QString>
#include <QUrl>

#include <functional>

QT_BEGIN_NAMESPACE
namespace Ui {
class upgrade_dialog;
}
class QComboBox;
class QTimer;
QT_END_NAMESPACE

class SerialPort;

class upgrade_dialog : public QDialog
{
    Q_OBJECT

public:
    upgrade_dialog(SerialPort *port, QWidget *parent = nullptr);
    ~upgrade_dialog() override;

    Ui::upgrade_dialog *form() const { return ui; }
    QComboBox *deviceList() const;
    UpgradeState upgradeState() const { return state; }
    void clearLog();

    void setUpgradeState(UpgradeState s);
    void startErase();
    bool validateFirmware(const QByteArray &image, const QString &expectedMd5 = QString());
    void checkForOnlineUpdate();
    // GET `url`, logging progress; on an error retry at once while `retriesLeft` lasts, then
    // fail the attempt. `handler` gets the body of a successful reply.
    void fetchWithRetry(const QUrl &url, const std::function<void(const QByteArray &)> &handler,
                        int retriesLeft);
    // The online start: an image fetched from the update server, named by its version.
    void startOnlineUpgrade(const QByteArray &image, const QString &versionName);
    // What a new pedal connection of the main window resets.
    void resetForNewConnection();

    // The one test-only hook: shortens the 10 s erase watchdog and the 5 s settling time.
    static void setLongWaitsForTests(int eraseTimeoutMs, int settleMs);

    QByteArray firmwareImage;
    qint64 bytesSent = 0;
    int currentChunkSize = 0;
    QByteArray currentChunk;
    bool failureReported = false;
    bool deviceRemoved = false;
    bool autoupdateflag = false;
    QString deviceModel;
    QString deviceVersion;

signals:
    // Every line appended to the upgrade log, exactly as appended (rich text included).
    void logLineAppended(const QString &line);

public slots:
    void refreshDeviceList();
    void sendNextChunk();
    void rec_mtd(QString MTD);
    void rec_version(QString version);
    void rec_erase_flag(bool flag);
    void onEraseTimeout();
    void on_pushButton_clicked();
    void on_pushButton_3_clicked();
    void on_pushButton_4_clicked();
    void handleSerialError(QSerialPort::SerialPortError error);
    void onPortDisconnected(const QString &portName);
    void onPortReconnected(const QString &portName);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void appendLog(const QString &line);
    void enterSending();
    void enterFailed();
    void failBlockWrite(qint64 written, qint64 expected);
    void showFailureBox(bool deviceLost);
    void finishSuccess();
    void handleUpdateDescription(const QByteArray &bytes, const QString &modelKey);
    void onCommunicationLost(QSerialPort::SerialPortError error, bool hungUp);
    bool portHungUp() const;
    bool loadImageFile(const QString &path);

    Ui::upgrade_dialog *ui = nullptr;
    SerialPort *port = nullptr;
    UpgradeState state = UpgradeState::Idle;
    QTimer *eraseTimer = nullptr;
    QTimer *refreshTimer = nullptr;
    QTimer *blockTimer = nullptr;
    QTimer *settleTimer = nullptr;
};
