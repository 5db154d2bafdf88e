// The main window's automatic firmware upgrade: reading the pedal's model and version from the
// receive stream, the update check and its prompt, the image download, and the timed search
// for the bootloader that ends in the upgrade dialog's own upgrade.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class QTimer;
class QWidget;
class SerialPort;
class upgrade_dialog;

namespace AutoUpgradeRules {

// What one receive buffer tells about the pedal (step by step as the window reads it).
struct PedalInfo
{
    bool ignored = false; // an erase-end, a 7-byte buffer or a reset text: nothing else happens
    std::optional<QString> model;
    std::optional<QString> version;
    bool byte6IsO = false; // byte 6 is "o"; a buffer of fewer than 7 bytes has none
};
PedalInfo readPedalInfo(const QByteArray &buffer);

// A device-list name that is one of the known bootloaders (case ignored).
bool isBootloaderEntry(const QString &name);

} // namespace AutoUpgradeRules

class AutoUpgrade : public QObject
{
    Q_OBJECT

public:
    static constexpr int kScanIntervalMs = 150;
    static constexpr int kSearchTimeoutMs = 20000;
    static constexpr int kConnectWaitIntervalMs = 50;
    static constexpr int kConnectWaitTicks = 60;
    static constexpr int kPreparePauseMs = 3000;

    // The one test-only hook: shortens the bootloader search time-out and the blocking pause.
    static void setLongWaitsForTests(int searchTimeoutMs, int preparePauseMs);

    // The window keeps the pedal's model and version and the check flag as its own members;
    // this object reads and writes them there.
    struct PedalState
    {
        QString &pedalModel;
        QString &pedalVersion;
        bool &updateDialogShown;
    };

    AutoUpgrade(QWidget *window, SerialPort *port, upgrade_dialog *dialog, PedalState pedal);

    void receive(const QByteArray &buffer); // every buffer the link shows
    void startByName(const QByteArray &image);
    void fail(const QString &message);

    bool isSearching() const { return !scanTimer.isNull() || !waitConnected.isNull(); }

signals:
    void versionNameReceived(QString model, QString versionName);
    // An image is ready: the window queues its start of the search.
    void imageReady(QByteArray image);

private:
    void checkForUpdate(int modelIndex);
    void onDescription(int modelIndex, const QByteArray &file);
    void onImage(const QByteArray &image);
    void scanTick();
    void waitTick();
    void stopSearchTimers();
    void stopWaiting();
    static void discard(QPointer<QTimer> &timer);

    QWidget *window = nullptr;
    SerialPort *port = nullptr;
    upgrade_dialog *dialog = nullptr;
    PedalState pedal;
    QByteArray image;
    QPointer<QTimer> scanTimer;
    QPointer<QTimer> searchTimeout;
    QPointer<QTimer> waitConnected;
    int attempt = 0;
};
