// The upgrade dialog's online check: the model's update description from the update server,
// the question, and the image download that starts the upgrade.
#include "common/userprompt.h"
#include "update/netfetch.h"
#include "update/serverpaths.h"
#include "update/updatedescription.h"
#include "upgrade/upgrade_dialog.h"

#include <QDebug>

namespace {
constexpr int kFetchRetries = 3;
}

void upgrade_dialog::checkForOnlineUpdate()
{
    const UpdateServer::DialogModel *model = UpdateServer::upgradeDialogModelFor(deviceModel);
    if (!model) {
        appendLog(QStringLiteral("Online update not supported for this device."));
        return;
    }
    // A failure left over from an earlier attempt would keep this check's failure silent.
    failureReported = false;
    deviceRemoved = false;
    const QString key = model->key;
    fetchWithRetry(
        UpdateServer::address(model->descriptionPath),
        [this, key](const QByteArray &bytes) { handleUpdateDescription(bytes, key); },
        kFetchRetries);
}

void upgrade_dialog::fetchWithRetry(const QUrl &url,
                                    const std::function<void(const QByteArray &)> &handler,
                                    int retriesLeft)
{
    NetFetch *fetch = NetFetch::get(url, this);
    connect(fetch, &NetFetch::progress, this, [this](qint64 received, qint64 total) {
        if (total > 0)
            appendLog(QStringLiteral("Download progress: %1%").arg(received * 100 / total));
    });
    connect(fetch, &NetFetch::finished, this,
            [this, url, handler, retriesLeft](bool ok, const QByteArray &body,
                                              const QString &errorText) {
                if (ok) {
                    handler(body);
                    return;
                }
                appendLog(QStringLiteral("Network error: %1").arg(errorText));
                if (retriesLeft > 0) {
                    appendLog(
                        QStringLiteral("Retrying... (%1 attempts left)").arg(retriesLeft - 1));
                    fetchWithRetry(url, handler, retriesLeft - 1);
                    return;
                }
                setUpgradeState(UpgradeState::FinishedFailed);
            });
}

void upgrade_dialog::handleUpdateDescription(const QByteArray &bytes, const QString &modelKey)
{
    const UpdateDescription::Description description =
        UpdateDescription::forUpgradeDialog(bytes, modelKey);
    if (!UpdateDescription::upgradeDialogFindsNewer(deviceVersion, description.versionName)) {
        appendLog(QStringLiteral("Already the latest version."));
        return;
    }
    const QString content =
        description.content.isEmpty() ? QStringLiteral("No description") : description.content;
    const QString message =
        QStringLiteral("Current: %1_%2\nNew version available: %3\n\nUpdate Content:\n%4")
            .arg(modelKey, deviceVersion, description.versionName, content);
    if (UserPrompt::show(this, QMessageBox::Question, QStringLiteral("Update Available"), message,
                         QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    const QString versionName = description.versionName;
    fetchWithRetry(
        UpdateServer::address(UpdateServer::firmwareImagePath(modelKey, versionName)),
        [this, versionName](const QByteArray &image) { startOnlineUpgrade(image, versionName); },
        kFetchRetries);
}
