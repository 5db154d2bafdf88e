#include "update/netfetch.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTimer>

namespace {
int stallTimeoutMs = NetFetch::kStallTimeoutMs;
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

void NetFetch::start(const QUrl &url)
{
    manager = new QNetworkAccessManager(this);
    stallTimer = new QTimer(this);
    stallTimer->setSingleShot(true);
    stallTimer->setTimerType(Qt::PreciseTimer); // a coarse timer may end the wait early
    stallTimer->setInterval(stallTimeoutMs);
    connect(stallTimer, &QTimer::timeout, this, &NetFetch::onStalled);

    reply = manager->get(QNetworkRequest(url));
    // Any sign of life from the server restarts the count, the TLS handshake included.
    const auto alive = [this] {
        if (!done)
            stallTimer->start();
    };
    connect(reply, &QNetworkReply::metaDataChanged, this, alive);
    connect(reply, &QNetworkReply::encrypted, this, alive);
    connect(reply, &QNetworkReply::downloadProgress, this,
            [this, alive](qint64 received, qint64 total) {
                alive();
                emit progress(received, total);
            });
    connect(reply, &QNetworkReply::finished, this, &NetFetch::onReplyFinished);
    stallTimer->start();
}

void NetFetch::abort()
{
    if (!done && reply)
        reply->abort();
}

void NetFetch::onStalled()
{
    if (done)
        return;
    stalled = true;
    qWarning() << "No data from" << reply->url().toDisplayString() << "for"
               << stallTimeoutMs / 1000.0 << "s, aborting";
    reply->abort();
}

void NetFetch::onReplyFinished()
{
    stallTimer->stop();
    if (stalled) {
        emitOnce(false, {},
                 tr("No data received for %1 s").arg(QString::number(stallTimeoutMs / 1000.0)),
                 QNetworkReply::TimeoutError);
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        emitOnce(false, {}, reply->errorString(), reply->error());
        return;
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.toInt() != 200) {
        // Qt flags 4xx and 5xx itself; a redirect or any other status arrives "successful".
        const QString reason =
            reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        const QString text = status.isValid() ? tr("Server replied with HTTP status %1 %2")
                                                    .arg(status.toInt())
                                                    .arg(reason)
                                                    .trimmed()
                                              : tr("Server reply carries no HTTP status");
        emitOnce(false, {}, text, QNetworkReply::UnknownContentError);
        return;
    }
    emitOnce(true, reply->readAll(), QString(), QNetworkReply::NoError);
}

void NetFetch::emitOnce(bool ok, const QByteArray &body, const QString &errorText,
                        QNetworkReply::NetworkError code)
{
    if (done)
        return;
    done = true;
    emit finished(ok, body, errorText, code);
    reply->deleteLater();
    deleteLater();
}
