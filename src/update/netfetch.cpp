#include "update/netfetch.h"

#include <QDebug>
#include <QLibrary>
#include <QMetaObject>

#ifdef Q_OS_UNIX
#include <dlfcn.h>
#endif

namespace {
int stallTimeoutMs = NetFetch::kStallTimeoutMs;
const QByteArray kModuleFile = QByteArrayLiteral("libtredora_network.so");
QByteArray moduleFile = kModuleFile;
constexpr int kUnknownNetworkError = 99; // QNetworkReply::UnknownNetworkError

using StartTransfer = QObject *(*)(const QUrl &url, int stallTimeoutMs, QObject *parent);

// The module stays loaded for the life of the process: its objects may outlive any one fetch.
StartTransfer loadNetworkModule(QString *error)
{
#ifdef Q_OS_UNIX
    // dlopen is called from here rather than through QLibrary so that the loader searches this
    // program's own run path: the module's build folder while developing, the install's
    // private library folder afterwards.
    void *module = dlopen(moduleFile.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        *error = QString::fromLocal8Bit(dlerror());
        return nullptr;
    }
    if (auto start = reinterpret_cast<StartTransfer>(dlsym(module, "tredoraStartTransfer")))
        return start;
    *error = QString::fromLocal8Bit(dlerror());
    return nullptr;
#else
    QLibrary module(QString::fromLocal8Bit(moduleFile)); // next to the program
    if (auto start = reinterpret_cast<StartTransfer>(module.resolve("tredoraStartTransfer")))
        return start;
    *error = module.errorString();
    return nullptr;
#endif
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

void NetFetch::setModuleFileForTests(const QByteArray &fileName)
{
    moduleFile = fileName.isEmpty() ? kModuleFile : fileName;
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
