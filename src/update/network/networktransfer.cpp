// The network module: one plain GET with Qt's network access, started by NetFetch through
// tredoraStartTransfer(). Only this module links Qt Network, so the program loads that library,
// and the Kerberos libraries it brings, when the first fetch starts rather than at its own start.
#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QTimer>
#include <QUrl>

namespace {

class NetworkTransfer : public QObject
{
    Q_OBJECT

public:
    NetworkTransfer(const QUrl &url, int stallTimeoutMs, QObject *parent)
        : QObject(parent), stallTimer(new QTimer(this)), stallTimeoutMs(stallTimeoutMs)
    {
        stallTimer->setSingleShot(true);
        stallTimer->setTimerType(Qt::PreciseTimer); // a coarse timer may end the wait early
        stallTimer->setInterval(stallTimeoutMs);
        connect(stallTimer, &QTimer::timeout, this, &NetworkTransfer::onStalled);

        reply = (new QNetworkAccessManager(this))->get(QNetworkRequest(url));
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
        connect(reply, &QNetworkReply::finished, this, &NetworkTransfer::onReplyFinished);
        stallTimer->start();
    }

public slots:
    void abort()
    {
        if (!done)
            reply->abort();
    }

signals:
    void progress(qint64 received, qint64 total);
    void finished(bool ok, const QByteArray &body, const QString &errorText, int code);

private:
    void onStalled()
    {
        if (done)
            return;
        stalled = true;
        qWarning() << "No data from" << reply->url().toDisplayString() << "for"
                   << stallTimeoutMs / 1000.0 << "s, aborting";
        reply->abort();
    }

    void onReplyFinished()
    {
        stallTimer->stop();
        if (stalled) {
            finish(false, {},
                   tr("No data received for %1 s").arg(QString::number(stallTimeoutMs / 1000.0)),
                   QNetworkReply::TimeoutError);
            return;
        }
        if (reply->error() != QNetworkReply::NoError) {
            finish(false, {}, reply->errorString(), reply->error());
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
            finish(false, {}, text, QNetworkReply::UnknownContentError);
            return;
        }
        finish(true, reply->readAll(), QString(), QNetworkReply::NoError);
    }

    void finish(bool ok, const QByteArray &body, const QString &errorText,
                QNetworkReply::NetworkError code)
    {
        if (done)
            return;
        done = true;
        emit finished(ok, body, errorText, code);
    }

    QNetworkReply *reply = nullptr;
    QTimer *stallTimer;
    const int stallTimeoutMs;
    bool stalled = false;
    bool done = false;
};

} // namespace

extern "C" Q_DECL_EXPORT QObject *tredoraStartTransfer(const QUrl &url, int stallTimeoutMs,
                                                       QObject *parent)
{
    return new NetworkTransfer(url, stallTimeoutMs, parent);
}

#include "networktransfer.moc"
