#include "upgrade/autoupgrade.h"

#include "common/userprompt.h"
#include "link/serialport.h"
#include "protocol/messages.h"
#include "update/netfetch.h"
#include "update/serverpaths.h"
#include "update/updatedescription.h"
#include "upgrade/upgrade_dialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDebug>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

namespace {

int searchTimeoutMs = AutoUpgrade::kSearchTimeoutMs;
int preparePauseMs = AutoUpgrade::kPreparePauseMs;

const QString kNotReported = QStringLiteral("xx");

// Bytes from `from` up to the CR LF after it, when there is one.
std::optional<QString> lineFrom(const QByteArray &buffer, int from)
{
    const int end = buffer.indexOf("\r\n", from);
    if (end < 0)
        return std::nullopt;
    return QString::fromUtf8(buffer.mid(from, end - from));
}

} // namespace

namespace AutoUpgradeRules {

PedalInfo readPedalInfo(const QByteArray &buffer)
{
    PedalInfo info;
    if (buffer.contains("ERASE END") || buffer.size() == 7 || buffer.contains("Reset")) {
        info.ignored = true;
        return info;
    }
    info.byte6IsO = buffer.size() >= 7 && buffer.at(6) == 'o';
    if (buffer.contains("TRV-") || buffer.contains("ZB-")) {
        const int zb = buffer.indexOf("ZB-");
        info.model = lineFrom(buffer, zb >= 0 ? zb : buffer.indexOf("TRV-"));
    } else {
        const int reply = buffer.indexOf(QByteArray("\xAA\xCC\x06", 3));
        if (reply >= 0 && !info.byte6IsO)
            info.version = lineFrom(buffer, reply + 3);
    }
    return info;
}

bool isBootloaderEntry(const QString &name)
{
    static const char *const models[] = {"TRV-40", "TRV-50", "ZB-5", "ZB-4"};
    static const char *const markers[] = {"BootLoad", "Bootloader", " B"};
    const auto containsAny = [&name](const auto &texts) {
        for (const char *text : texts) {
            if (name.contains(QLatin1String(text), Qt::CaseInsensitive))
                return true;
        }
        return false;
    };
    return containsAny(models) && containsAny(markers);
}

} // namespace AutoUpgradeRules

void AutoUpgrade::setLongWaitsForTests(int searchMs, int pauseMs)
{
    searchTimeoutMs = searchMs;
    preparePauseMs = pauseMs;
}

AutoUpgrade::AutoUpgrade(QWidget *window, SerialPort *port, upgrade_dialog *dialog,
                         PedalState pedal)
    : QObject(window), window(window), port(port), dialog(dialog), pedal(pedal)
{}

void AutoUpgrade::receive(const QByteArray &buffer)
{
    const AutoUpgradeRules::PedalInfo info = AutoUpgradeRules::readPedalInfo(buffer);
    if (info.ignored)
        return;
    if (info.model)
        pedal.pedalModel = *info.model;
    if (info.version)
        pedal.pedalVersion = *info.version;
    if (pedal.updateDialogShown || pedal.pedalModel == kNotReported ||
        pedal.pedalVersion == kNotReported || info.byte6IsO)
        return;
    pedal.updateDialogShown = true;
    // While the upgrade dialog holds the port the answer could only be dropped unasked; the
    // dialog does its own check.
    if (port->upgradeLink)
        return;
    if (const UpdateServer::WindowModel *model = UpdateServer::mainWindowModelFor(pedal.pedalModel))
        checkForUpdate(model->index);
}

void AutoUpgrade::checkForUpdate(int modelIndex)
{
    const UpdateServer::WindowModel &model = UpdateServer::mainWindowModels().at(modelIndex - 1);
    NetFetch *fetch = NetFetch::get(UpdateServer::address(model.descriptionPath), window);
    connect(fetch, &NetFetch::finished, this,
            [this, modelIndex](bool ok, const QByteArray &file, const QString &error) {
                if (!ok) {
                    qDebug() << "Firmware check ended:" << error;
                    return;
                }
                onDescription(modelIndex, file);
            });
}

void AutoUpgrade::onDescription(int modelIndex, const QByteArray &file)
{
    const UpdateServer::WindowModel &model = UpdateServer::mainWindowModels().at(modelIndex - 1);
    const UpdateDescription::Description description =
        UpdateDescription::forMainWindow(file, model.versionPattern);
    emit versionNameReceived(pedal.pedalModel, description.versionName);
    if (!UpdateDescription::mainWindowFindsNewer(pedal.pedalVersion, description.versionName))
        return;

    const QString text =
        QStringLiteral("The current version is %1_%2\n").arg(model.name, pedal.pedalVersion) +
        QStringLiteral("A new version is available: %1\n\n%2")
            .arg(description.versionName,
                 QStringLiteral("Update Content:\n") + description.content);
    if (port->upgradeLink) {
        qDebug() << "Upgrade dialog holds the port: no firmware prompt";
        return;
    }
    const auto answer =
        UserPrompt::show(nullptr, QMessageBox::Information, QStringLiteral("Update Available"),
                         text, QMessageBox::Ok | QMessageBox::Cancel);
    if (answer != QMessageBox::Ok)
        return;

    pedal.pedalModel = kNotReported;
    pedal.pedalVersion = kNotReported;
    const QString path = UpdateServer::firmwareImagePath(model.name, description.versionName);
    NetFetch *fetch = NetFetch::get(UpdateServer::address(path), window);
    connect(fetch, &NetFetch::finished, this,
            [this](bool ok, const QByteArray &image, const QString &error) {
                if (!ok)
                    qDebug() << "Firmware download ended:" << error;
                else
                    onImage(image);
            });
}

void AutoUpgrade::onImage(const QByteArray &downloaded)
{
    if (downloaded.isEmpty()) {
        // Nothing to write: the pedal is not sent into upgrade mode for it.
        qDebug() << "Downloaded firmware is empty; no upgrade";
        return;
    }
    port->write(Protocol::bootloaderRequest(Protocol::EnterUpgradeModeRequest));
    port->flush();
    pedal.updateDialogShown = true;

    auto *box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Message"),
                                QStringLiteral("Preparing for the upgrade..."),
                                QMessageBox::NoButton, window);
    box->setModal(false);
    UserPrompt::showModeless(box);
    QCoreApplication::processEvents();
    // The pedal re-enumerates meanwhile; nothing of the old port is worth handling.
    QThread::msleep(ulong(preparePauseMs));
    box->close();
    delete box;
    emit imageReady(downloaded);
}

void AutoUpgrade::startByName(const QByteArray &downloaded)
{
    stopSearchTimers();
    stopWaiting();
    image = downloaded;
    port->initPort2();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    dialog->clearLog();

    scanTimer = new QTimer(this);
    scanTimer->setInterval(kScanIntervalMs);
    connect(scanTimer, &QTimer::timeout, this, &AutoUpgrade::scanTick);
    searchTimeout = new QTimer(this);
    searchTimeout->setSingleShot(true);
    searchTimeout->setTimerType(Qt::PreciseTimer);
    searchTimeout->setInterval(searchTimeoutMs);
    connect(searchTimeout, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("Bootloader device not found (timeout).\nPlease check: device in "
                            "upgrade mode, USB cable, driver, then try again."));
    });
    scanTimer->start();
    searchTimeout->start();
}

void AutoUpgrade::scanTick()
{
    dialog->refreshDeviceList();
    QComboBox *list = dialog->deviceList();
    int found = -1;
    for (int i = 0; i < list->count() && found < 0; ++i) {
        if (!list->itemData(i).toString().isEmpty() &&
            AutoUpgradeRules::isBootloaderEntry(list->itemText(i)))
            found = i;
    }
    if (found < 0)
        return;

    stopSearchTimers();
    if (port->isOpen())
        port->close();
    list->setCurrentIndex(found);
    dialog->autoupdateflag = true;
    dialog->on_pushButton_clicked();
    dialog->firmwareImage = image;
    attempt = 0;
    waitConnected = new QTimer(this);
    waitConnected->setInterval(kConnectWaitIntervalMs);
    connect(waitConnected, &QTimer::timeout, this, &AutoUpgrade::waitTick);
    waitConnected->start();
}

void AutoUpgrade::waitTick()
{
    ++attempt;
    switch (dialog->upgradeState()) {
    case UpgradeState::Connected:
        stopWaiting();
        dialog->on_pushButton_4_clicked();
        pedal.updateDialogShown = false;
        break;
    case UpgradeState::Idle:
    case UpgradeState::FinishedFailed:
        stopWaiting();
        fail(QStringLiteral("Connect failed: cannot enter Connected state.\nCheck device mode "
                            "and whether the port is occupied."));
        break;
    default:
        if (attempt > kConnectWaitTicks) {
            stopWaiting();
            fail(QStringLiteral("Connect timeout: waited too long for Connected state."));
        }
        break;
    }
}

void AutoUpgrade::fail(const QString &message)
{
    stopSearchTimers();
    UserPrompt::show(window, QMessageBox::Warning, QStringLiteral("Auto Upgrade Failed"), message);
    pedal.updateDialogShown = false;
}

// Timers end from inside their own timeout: stopped now, deleted once the emission is over.
void AutoUpgrade::discard(QPointer<QTimer> &timer)
{
    if (timer) {
        timer->stop();
        timer->deleteLater();
    }
    timer.clear();
}

void AutoUpgrade::stopSearchTimers()
{
    discard(scanTimer);
    discard(searchTimeout);
}

void AutoUpgrade::stopWaiting()
{
    discard(waitConnected);
}
