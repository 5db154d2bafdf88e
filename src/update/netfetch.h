// One plain GET from the update server, as every reader of it needs it: a final status other
// than 200 and a transfer that stops sending are errors, like any network or TLS error.
//
// The transfer runs in the network module (network/networktransfer.cpp), loaded when the first
// fetch starts: linked into the program, Qt Network and the Kerberos libraries it needs cost
// the window's start-up about a millisecond, for fetches that only ever begin after it is up.
// The module is found by its place relative to the program (lib/tredora beside bin/ once
// installed), or in the build's modules folder for programs run from the build tree.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

class NetFetch : public QObject
{
    Q_OBJECT

public:
    static constexpr int kStallTimeoutMs = 30000; // no byte for this long aborts the transfer

    // Starts a plain GET (no headers, no attributes beyond what a default QNetworkRequest has;
    // redirects are NOT followed); `parent` owns the fetch. The fetch deletes itself
    // (deleteLater) after finished() has been emitted.
    static NetFetch *get(const QUrl &url, QObject *parent);
    void abort(); // user cancel: finished() with code QNetworkReply::OperationCanceledError
    static void setStallTimeoutForTests(int ms);
    // Where the module is looked for, for tests of a program installed without it; empty
    // restores the program's own place.
    static void setModulePathForTests(const QString &path);

signals:
    void progress(qint64 received, qint64 total); // as QNetworkReply::downloadProgress
    // ok == false for: any network/TLS error (Qt's errorString as text), a final HTTP status
    // other than 200 (redirects included; text names the status), a stall (text says no data
    // for N s) and a network module that cannot be loaded (text says why). code is the
    // QNetworkReply::NetworkError value: an int, so that the program needs no Qt Network.
    void finished(bool ok, const QByteArray &body, const QString &errorText, int code);

private slots:
    void report(bool ok, const QByteArray &body, const QString &errorText, int code);

private:
    explicit NetFetch(QObject *parent);
    void start(const QUrl &url);

    QObject *transfer = nullptr; // the module's object, known here by its signals and slot
    bool done = false;
};
