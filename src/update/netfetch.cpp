#include "update/netfetch.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLibrary>
#include <QMetaObject>

namespace {
int stallTimeoutMs = NetFetch::kStallTimeoutMs;
QString modulePathForTests;
constexpr int kUnknownNetworkError = 99; // QNetworkReply::UnknownNetworkError

using StartTransfer = QObject *(*)(const QUrl &url, int stallTimeoutMs, QObject *parent);

// Programs run from the build tree take the build's module; any other, an installed one, the
// module of its own install, at the same place relative to the program as at build time.
QString networkModulePath()
{
    if (!modulePathForTests.isEmpty())
        return modulePathForTests;
    const QString programDir = QCoreApplication::applicationDirPath();
    if (programDir.startsWith(QStringLiteral(TREDORA_BUILD_DIR "/")))
        return QStringLiteral(TREDORA_MODULE_BUILD_PATH);
    return programDir + QStringLiteral("/" TREDORA_MODULE_FROM_PROGRAM);
}

// The module stays loaded for the life of the process: its objects may outlive any one fetch.
StartTransfer loadNetworkModule(QString *error)
{
    QLibrary module(networkModulePath());
    if (auto start = reinterpret_cast<StartTransfer>(module.resolve("tredoraStartTransfer")))
        return start;
    *error = module.errorString();
    return nullptr;
}
} // namespace

NetFetch::NetFetch(QObject *parent) : QObject(parent) {}

NetFetch *NetFetch::get(const QUrl &url, QObject *parent)
{
    auto *fetch = new NetFetch(parent);
    fetch->start(url);
    return fetch;
}

void NetFetch::setStallTimeoutForTests(int ms)
{
    stallTimeoutMs = ms;
}

void NetFetch::setModulePathForTests(const QString &path)
{
    modulePathForTests = path;
}

void NetFetch::start(const QUrl &url)
{
    QString error;
    const StartTransfer startTransfer = loadNetworkModule(&error);
    if (!startTransfer) {
        qWarning() << "Network module not loaded:" << error;
        // Reported once the caller, who has not connected yet, can hear it.
        QMetaObject::invokeMethod(
            this,
            [this, error] {
                report(false, {}, tr("Network support could not be loaded: %1").arg(error),
                       kUnknownNetworkError);
            },
            Qt::QueuedConnection);
        return;
    }
    transfer = startTransfer(url, stallTimeoutMs, this);
    connect(transfer, SIGNAL(progress(qint64, qint64)), this, SIGNAL(progress(qint64, qint64)));
    connect(transfer, SIGNAL(finished(bool, QByteArray, QString, int)), this,
            SLOT(report(bool, QByteArray, QString, int)));
}

void NetFetch::abort()
{
    if (!done && transfer)
        QMetaObject::invokeMethod(transfer, "abort");
}

void NetFetch::report(bool ok, const QByteArray &body, const QString &errorText, int code)
{
    if (done)
        return;
    done = true;
    emit finished(ok, body, errorText, code);
    deleteLater();
}
