#include "upgrade/upgrade_dialog.h"

#include "common/userprompt.h"
#include "link/serialport.h"
#include "protocol/messages.h"
#include "ui_upgrade_dialog.h"

#include <QCloseEvent>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>

namespace {
constexpr qint32 kBootloaderBaud = 115200;
constexpr int kRefreshMs = 1500;
constexpr int kEraseTimeoutMs = 10000;
constexpr int kBlockPacingMs = 30;
constexpr int kSettleMs = 5000;
constexpr int kSuccessBoxDelayMs = 50;

int eraseTimeoutMs = kEraseTimeoutMs;
int settleMs = kSettleMs;

const char kDisconnectedText[] =
    "<p><b>The connection to the device was lost during the upgrade.</b></p>"
    "<p>The device's flash may be partly erased, so it may not start normally until a "
    "firmware upgrade has completed.</p>"
    "<p>To recover:</p>"
    "<ol><li>Reconnect the USB cable.</li>"
    "<li>Put the device back into firmware upgrade mode (see the product manual).</li>"
    "<li>Connect to it here and try the upgrade again.</li></ol>";
} // namespace

upgrade_dialog::upgrade_dialog(SerialPort *port, QWidget *parent)
    : QDialog(parent), ui(new Ui::upgrade_dialog), port(port)
{
    // Before the form: changing the flags re-parents the window, which re-resolves the style of
    // every child it already has.
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    ui->setupUi(this);
    ui->progressBar->setValue(0);
    ui->pushButton->setText(tr("Connect"));
    setWindowTitle(tr("Firmware Upgrade"));
    ui->textBrowser_2->setText(tr("Please refer to the product manual to put the device into "
                                  "firmware upgrade mode before connecting."));

    connect(port, &SerialPort::send_vesion, this, &upgrade_dialog::rec_version);
    connect(port, &SerialPort::send_MTD, this, &upgrade_dialog::rec_mtd);
    connect(port, &SerialPort::send_erase, this, &upgrade_dialog::rec_erase_flag);
    connect(port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        // Closing the port ends the hang-up, so look before the error slot may close it.
        const bool hungUp = error == QSerialPort::ReadError && portHungUp();
        handleSerialError(error);
        onCommunicationLost(error, hungUp);
    });
    connect(port, &SerialPort::portDisconnected, this, &upgrade_dialog::onPortDisconnected);
    connect(port, &SerialPort::portReconnected, this, &upgrade_dialog::onPortReconnected);

    refreshTimer = new QTimer(this);
    connect(refreshTimer, &QTimer::timeout, this, &upgrade_dialog::refreshDeviceList);
    refreshTimer->start(kRefreshMs);

    eraseTimer = new QTimer(this);
    eraseTimer->setSingleShot(true);
    eraseTimer->setTimerType(Qt::PreciseTimer); // a coarse timer may fire 5 % early
    connect(eraseTimer, &QTimer::timeout, this, &upgrade_dialog::onEraseTimeout);

    // A member timer rather than a free single shot, so that closing can cancel it.
    blockTimer = new QTimer(this);
    blockTimer->setSingleShot(true);
    blockTimer->setTimerType(Qt::PreciseTimer);
    blockTimer->setInterval(kBlockPacingMs);
    connect(blockTimer, &QTimer::timeout, this, &upgrade_dialog::sendNextChunk);

    settleTimer = new QTimer(this);
    settleTimer->setSingleShot(true);
    settleTimer->setTimerType(Qt::PreciseTimer);
    connect(settleTimer, &QTimer::timeout, this, [this] {
        ui->progressBar->setValue(100);
        // Precise: a coarse 50 ms timer may fire a few milliseconds early.
        QTimer::singleShot(kSuccessBoxDelayMs, Qt::PreciseTimer, this,
                           &upgrade_dialog::finishSuccess);
    });

    connect(ui->pushButton_2, &QPushButton::clicked, this, &QWidget::close);
}

upgrade_dialog::~upgrade_dialog()
{
    delete ui;
}

void upgrade_dialog::setLongWaitsForTests(int eraseMs, int settleTimeMs)
{
    eraseTimeoutMs = eraseMs;
    settleMs = settleTimeMs;
}

QComboBox *upgrade_dialog::deviceList() const
{
    return ui->comboBox;
}

void upgrade_dialog::clearLog()
{
    ui->textBrowser->clear();
}

void upgrade_dialog::appendLog(const QString &line)
{
    ui->textBrowser->append(line);
    emit logLineAppended(line);
}

// ---- state machine ----

void upgrade_dialog::setUpgradeState(UpgradeState s)
{
    if (s == state)
        return;
    state = s;
    qDebug() << "Upgrade state changed to:" << int(s) << upgradeStateName(s);

    switch (s) {
    case UpgradeState::Idle:
        ui->pushButton->setEnabled(true);
        ui->pushButton->setText(QStringLiteral("Connect"));
        ui->comboBox->setEnabled(true);
        ui->progressBar->setValue(0);
        break;
    case UpgradeState::Connected:
        ui->pushButton->setText(QStringLiteral("Disconnect"));
        ui->comboBox->setEnabled(false);
        appendLog(QStringLiteral("Connected. Requesting device info..."));
        break;
    case UpgradeState::Erasing:
        ui->pushButton->setEnabled(false);
        ui->comboBox->setEnabled(false);
        appendLog(QStringLiteral("Erasing flash, please wait..."));
        ui->progressBar->setValue(0);
        break;
    case UpgradeState::Sending:
        enterSending();
        break;
    case UpgradeState::FinishedSuccess:
        if (ui->progressBar->value() < Upgrade::kProgressBeforeSettled)
            ui->progressBar->setValue(Upgrade::kProgressBeforeSettled);
        appendLog(QStringLiteral("Finalizing, please wait..."));
        settleTimer->start(settleMs);
        break;
    case UpgradeState::FinishedFailed:
        enterFailed();
        break;
    }
}

void upgrade_dialog::enterSending()
{
    ui->pushButton->setEnabled(false);
    ui->comboBox->setEnabled(false);
    appendLog(QStringLiteral("Sending firmware..."));
    if (firmwareImage.isEmpty()) {
        // The flash has just been erased: ending quietly would leave a blank device unreported.
        qDebug() << "Sending: no firmware image";
        appendLog(QStringLiteral("<font color=\"red\">Error: No firmware image to send!</font>"));
        setUpgradeState(UpgradeState::FinishedFailed);
        return;
    }
    if (!validateFirmware(firmwareImage)) {
        appendLog(QStringLiteral("<font color=\"red\">Firmware validation failed!</font>"));
        setUpgradeState(UpgradeState::FinishedFailed);
        return;
    }
    bytesSent = 0;
    currentChunk = Upgrade::blockAt(firmwareImage, 0);
    currentChunkSize = currentChunk.size();
    sendNextChunk();
}

void upgrade_dialog::enterFailed()
{
    // A late second report of the same attempt stays here, without another box.
    if (failureReported)
        return;
    failureReported = true;
    eraseTimer->stop();
    firmwareImage.clear();
    bytesSent = 0;
    setUpgradeState(UpgradeState::Idle);
    const bool deviceLost = deviceRemoved;
    QTimer::singleShot(0, this, [this, deviceLost] { showFailureBox(deviceLost); });
}

void upgrade_dialog::showFailureBox(bool deviceLost)
{
    // One box per failed attempt: a lost device gets the one with the recovery steps.
    if (!deviceLost) {
        UserPrompt::show(this, QMessageBox::Critical, QStringLiteral("Upgrade Failed"),
                         QStringLiteral("Upgrade failed. Please check connection and try again."));
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Upgrade Failed - Device Disconnected"),
                    QString::fromUtf8(kDisconnectedText), QMessageBox::Ok, this);
    box.setTextFormat(Qt::RichText);
    UserPrompt::exec(&box);
}

void upgrade_dialog::finishSuccess()
{
    UserPrompt::show(this, QMessageBox::Information, QStringLiteral("Upgrade"),
                     QStringLiteral("Upgrade successful, please power on the device again."));
    eraseTimer->stop();
    firmwareImage.clear();
    bytesSent = 0;
    setUpgradeState(UpgradeState::Idle);
    hide();
    autoupdateflag = false;
}

void upgrade_dialog::startErase()
{
    if (!port || !port->isOpen())
        return;
    port->write(Protocol::bootloaderRequest(Protocol::EraseRequest));
    port->flush();
    // The log line comes first, so the watchdog never ends earlier than its full time after it.
    setUpgradeState(UpgradeState::Erasing);
    eraseTimer->start(eraseTimeoutMs);
}

void upgrade_dialog::sendNextChunk()
{
    if (!port || !port->isOpen() || deviceRemoved) {
        setUpgradeState(UpgradeState::FinishedFailed);
        appendLog(
            QStringLiteral("<font color=\"red\">Error: Connection lost during sending!</font>"));
        return;
    }
    // A block left over from an attempt that has ended must not count its cleared image as sent.
    if (state != UpgradeState::Sending)
        return;
    // A serial write is only queued: a device that stopped reading leaves the earlier blocks
    // here. Counting them as sent would end in a success box for an image never delivered.
    if (port->bytesToWrite() > 0) {
        failBlockWrite(port->bytesToWrite(), 0);
        return;
    }
    if (bytesSent >= firmwareImage.size()) {
        setUpgradeState(UpgradeState::FinishedSuccess);
        return;
    }
    if (currentChunk.isEmpty())
        return;

    const qint64 written = port->write(currentChunk);
    port->flush();
    // The port reports a failed write through its error signal, inside flush(): that may
    // already have ended the attempt, and then nothing more is scheduled.
    if (state != UpgradeState::Sending)
        return;
    if (written != currentChunk.size()) {
        failBlockWrite(written, currentChunk.size());
        return;
    }
    bytesSent += written;
    ui->progressBar->setValue(Upgrade::progressPercent(bytesSent, firmwareImage.size()));
    currentChunk = Upgrade::blockAt(firmwareImage, bytesSent);
    currentChunkSize = currentChunk.size();
    blockTimer->start();
}

void upgrade_dialog::failBlockWrite(qint64 written, qint64 expected)
{
    qDebug() << "Write failed or partial:" << written << "/" << expected;
    // What is still queued must not reach the device after the attempt has ended.
    port->clear(QSerialPort::Output);
    setUpgradeState(UpgradeState::FinishedFailed);
    appendLog(QStringLiteral("<font color=\"red\">Error: Failed to send data block!</font>"));
}

bool upgrade_dialog::validateFirmware(const QByteArray &image, const QString &expectedMd5)
{
    const Upgrade::Validation result = Upgrade::validateFirmware(image, expectedMd5);
    for (const QString &line : result.lines)
        appendLog(line);
    return result.ok;
}

void upgrade_dialog::startOnlineUpgrade(const QByteArray &image, const QString &versionName)
{
    failureReported = false;
    deviceRemoved = false;
    if (image.isEmpty()) {
        // Erasing for an empty image would leave a blank device: fail before touching it.
        appendLog(QStringLiteral("<font color=\"red\">Downloaded firmware %1 is empty; the "
                                 "device was not erased.</font>")
                      .arg(versionName));
        setUpgradeState(UpgradeState::FinishedFailed);
        return;
    }
    firmwareImage = image;
    appendLog(QStringLiteral("Downloaded new firmware: %1 (%2 bytes)")
                  .arg(versionName)
                  .arg(image.size()));
    startErase();
}

void upgrade_dialog::resetForNewConnection()
{
    deviceModel.clear();
    deviceVersion.clear();
    firmwareImage.clear();
    bytesSent = -1;
    currentChunkSize = -1;
}

// ---- replies ----

void upgrade_dialog::rec_mtd(QString MTD)
{
    deviceModel = MTD;
    appendLog(QStringLiteral("Product Model: %1").arg(MTD));
}

void upgrade_dialog::rec_version(QString version)
{
    deviceVersion = version;
    appendLog(QStringLiteral("Current Firmware: %1").arg(version));
    if (autoupdateflag) {
        qDebug() << "Automatic upgrade connection: no online check";
        return;
    }
    if (state == UpgradeState::Connected)
        checkForOnlineUpdate();
}

void upgrade_dialog::rec_erase_flag(bool flag)
{
    if (!flag || state != UpgradeState::Erasing)
        return;
    eraseTimer->stop();
    appendLog(QStringLiteral("Erase completed."));
    setUpgradeState(UpgradeState::Sending);
}

void upgrade_dialog::onEraseTimeout()
{
    if (state != UpgradeState::Erasing)
        return;
    appendLog(QStringLiteral("<font color=\"red\">Erase timeout! Device not responding.</font>"));
    setUpgradeState(UpgradeState::FinishedFailed);
}

// ---- port errors and presence ----

bool upgrade_dialog::portHungUp() const
{
    return port && port->isOpen() && port->deviceGone();
}

void upgrade_dialog::handleSerialError(QSerialPort::SerialPortError error)
{
    Q_UNUSED(error)
    // A hung-up tty (Linux) is the unplug's resource error; the window closes it when it holds
    // the port, this dialog when it does.
    const bool gone =
        port->error() == QSerialPort::ResourceError ||
        (port->error() == QSerialPort::ReadError && port->upgradeLink && portHungUp());
    if (!gone || !port->isOpen())
        return;
    port->close();
    ui->pushButton->setEnabled(true);
    ui->pushButton->setText(QStringLiteral("Connect"));
    ui->comboBox->setEnabled(true);
}

void upgrade_dialog::onCommunicationLost(QSerialPort::SerialPortError error, bool hungUp)
{
    const bool lost = error == QSerialPort::DeviceNotFoundError ||
                      error == QSerialPort::ResourceError || error == QSerialPort::NotOpenError ||
                      hungUp;
    if (!lost || failureReported ||
        (state != UpgradeState::Erasing && state != UpgradeState::Sending))
        return;
    deviceRemoved = true;
    setUpgradeState(UpgradeState::FinishedFailed);
    appendLog(QStringLiteral("<font color=\"red\"><b>CRITICAL: Communication lost!</b></font>"));
}

void upgrade_dialog::onPortDisconnected(const QString &portName)
{
    if (portName != port->portName() || deviceRemoved || failureReported ||
        (state != UpgradeState::Erasing && state != UpgradeState::Sending))
        return;
    deviceRemoved = true;
    ui->pushButton->setText(QStringLiteral("Connect"));
    setUpgradeState(UpgradeState::FinishedFailed);
    appendLog(QStringLiteral("<font color=\"red\"><b>CRITICAL: Device removed!</b></font>"));
    appendLog(QStringLiteral("<font color=\"red\">Upgrade aborted immediately.</font>"));
}

void upgrade_dialog::onPortReconnected(const QString &portName)
{
    // The failure of an attempt ends in Idle unless a late block report followed it.
    if (portName != port->portName() || !deviceRemoved ||
        (state != UpgradeState::FinishedFailed && state != UpgradeState::Idle))
        return;
    appendLog(QStringLiteral("<font color=\"green\">Device reconnected: %1</font>").arg(portName));
    appendLog(QStringLiteral("You can now try the upgrade again."));
}

// ---- device list ----

void upgrade_dialog::refreshDeviceList()
{
    QComboBox *list = ui->comboBox;
    QMap<QString, QString> before;
    for (int i = 0; i < list->count(); ++i)
        before.insert(list->itemText(i), list->itemData(i).toString());
    const bool hadSelection = list->currentIndex() >= 0;
    const QString previous = hadSelection ? list->currentData().toString() : QString();

    const Upgrade::DeviceScan scan = Upgrade::scanUpgradeDevices(
        PortCatalog::current().availablePorts(), port->usbProductNames());
    if (scan.entries == before)
        return;
    qDebug() << "Device list changed, updating ComboBox incrementally.";

    const Upgrade::DeviceListChange change = Upgrade::deviceListChange(before, scan.entries);
    const auto flags = Qt::MatchExactly | Qt::MatchCaseSensitive;
    for (const QString &name : change.removed) {
        const int index = list->findText(name, flags);
        if (index >= 0)
            list->removeItem(index);
    }
    // An entry that stays keeps its place; its port name follows the device, or Connect would
    // open a port that is gone.
    for (const QString &name : change.moved)
        list->setItemData(list->findText(name, flags), scan.entries.value(name));
    for (const QString &name : change.added)
        list->addItem(QIcon(), name, scan.entries.value(name));

    appendLog(QStringLiteral("Device list refreshed: found %1 upgrade device(s).").arg(scan.count));
    if (scan.count == 0)
        appendLog(QStringLiteral("No upgrade device detected.\nPlease ensure the device is in "
                                 "firmware upgrade mode and properly connected."));

    if (hadSelection) {
        const int index = list->findData(previous, Qt::UserRole, flags);
        if (index >= 0) {
            list->setCurrentIndex(index);
            qDebug() << "Restored previous selection:" << previous;
        } else {
            qDebug() << "Previously selected device no longer available:" << previous;
        }
    } else if (list->count() > 0 && list->currentIndex() < 0) {
        list->setCurrentIndex(0);
    }
}

// ---- buttons ----

void upgrade_dialog::on_pushButton_clicked()
{
    if (port->isOpen()) {
        port->close();
        port->upgradeLink = false;
        setUpgradeState(UpgradeState::Idle);
        return;
    }
    if (ui->comboBox->count() == 0) {
        UserPrompt::show(this, QMessageBox::Warning, QStringLiteral("No Device"),
                         QStringLiteral("No upgrade device detected. Please check connection "
                                        "and mode."));
        return;
    }
    const QString portName = ui->comboBox->currentData().toString();
    if (!port->openDevicePort(portName, kBootloaderBaud)) {
        UserPrompt::show(this, QMessageBox::Warning, QStringLiteral("Error"),
                         QStringLiteral("Failed to open port: %1").arg(port->errorString()));
        return;
    }
    port->upgradeLink = true;
    port->write(Protocol::bootloaderRequest(Protocol::DeviceInfoRequest));
    port->flush();
    setUpgradeState(UpgradeState::Connected);
}

void upgrade_dialog::on_pushButton_3_clicked()
{
    if (state != UpgradeState::Connected) {
        UserPrompt::show(this, QMessageBox::Warning, QStringLiteral("Warning"),
                         QStringLiteral("Please connect the device first."));
        return;
    }
    const QString path =
        UserPrompt::openFileName(this, QStringLiteral("Select Firmware"), QString(),
                                 QStringLiteral("Bin files (*.bin);;All files (*.*)"));
    if (path.isEmpty() || !loadImageFile(path))
        return;
    ui->lineEdit->setText(path);
    appendLog(QStringLiteral("Local file loaded: %1 bytes").arg(firmwareImage.size()));
    appendLog(QStringLiteral("<font color=\"green\">File loaded successfully. Click 'Start "
                             "Upgrade' to begin.</font>"));
    ui->pushButton_4->setEnabled(true);
}

bool upgrade_dialog::loadImageFile(const QString &path)
{
    const auto refuseSize = [this, &path](qint64 size) {
        UserPrompt::show(this, QMessageBox::Warning, QStringLiteral("File Too Large"),
                         QStringLiteral("%1 is %2 bytes, larger than any firmware image (at most "
                                        "%3 bytes). Please choose the device's .bin file.")
                             .arg(QDir::toNativeSeparators(path))
                             .arg(size)
                             .arg(Upgrade::kMaxImageBytes));
        return false;
    };
    // Judge by the size first: reading a huge file whole could take minutes and the memory.
    const qint64 size = QFileInfo(path).size();
    if (size > Upgrade::kMaxImageBytes)
        return refuseSize(size);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        UserPrompt::show(this, QMessageBox::Warning, QStringLiteral("Error"),
                         QStringLiteral("Cannot open file."));
        return false;
    }
    // The file may have grown since it was measured.
    const QByteArray image = file.read(Upgrade::kMaxImageBytes + 1);
    if (image.size() > Upgrade::kMaxImageBytes)
        return refuseSize(file.size());
    firmwareImage = image;
    return true;
}

void upgrade_dialog::on_pushButton_4_clicked()
{
    if (state != UpgradeState::Connected) {
        UserPrompt::show(this, QMessageBox::Warning, QStringLiteral("Warning"),
                         QStringLiteral("Please connect the device first."));
        return;
    }
    if (firmwareImage.isEmpty()) {
        UserPrompt::show(this, QMessageBox::Warning, QStringLiteral("No File"),
                         QStringLiteral("Please select a firmware file first."));
        return;
    }
    if (!validateFirmware(firmwareImage)) {
        UserPrompt::show(this, QMessageBox::Critical, QStringLiteral("Validation Failed"),
                         QStringLiteral("Firmware validation failed. Cannot proceed."));
        return;
    }
    failureReported = false;
    deviceRemoved = false;
    appendLog(QStringLiteral("Starting manual upgrade..."));
    ui->pushButton_4->setEnabled(false);
    startErase();
}

void upgrade_dialog::closeEvent(QCloseEvent *event)
{
    eraseTimer->stop();
    blockTimer->stop();
    firmwareImage.clear();
    bytesSent = 0;
    setUpgradeState(UpgradeState::Idle);
    hide();
    event->accept();
}
