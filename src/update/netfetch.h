// One plain GET from the update server, as every reader of it needs it: a final status other
// than 200 and a transfer that stops sending are errors, like any network or TLS error.
#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QTimer;

class NetFetch : public QObject
{
    Q_OBJECT

public:
    static constexpr int kStallTimeoutMs = 30000; // no byte for this long aborts the transfer

    // Starts a plain GET (no headers, no attributes beyond what a default QNetworkRequest has;
    // redirects are NOT followed) with its own QNetworkAccessManager; `parent` owns the fetch.
    // The fetch deletes itself (deleteLater) after finished() has been emitted.
    static NetFetch *get(const QUrl &url, QObject *parent);
    void abort(); // user cancel: finished() with code OperationCanceledError
    static void setStallTimeoutForTests(int ms);

signals:
    void progress(qint64 received, qint64 total); // as QNetworkReply::downloadProgress
    // ok == false for: any network/TLS error (Qt's errorString as text), a final HTTP status
    // other than 200 (redirects included; text names the status), and a stall (text says no
    // data for N s).
    void finished(bool ok, const QByteArray &body, const QString &errorText,
                  QNetworkReply::NetworkError code);

private:
    explicit NetFetch(QObject *parent);
    void start(const QUrl &url);
    void onStalled();
    void onReplyFinished();
    void emitOnce(bool ok, const QByteArray &body, const QString &errorText,
                  QNetworkReply::NetworkError code);

    QNetworkAccessManager *manager = nullptr;
    QNetworkReply *reply = nullptr;
    QTimer *stallTimer = nullptr;
    bool stalled = false;
    bool done = false;
};
