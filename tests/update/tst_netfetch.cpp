// NetFetch against the real local HTTPS server: a file, every failure the server can put on a
// path, an untrusted certificate, a refused connection, the user's cancel and the stall
// length in force.
#include "localupdateserver.h"
#include "testdir.h"
#include "update/netfetch.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(LocalUpdateServer::Failure)

namespace {

constexpr int kShortStallMs = 300;
constexpr int kFetchTimeoutMs = 15000;

struct Outcome
{
    bool ok = false;
    QByteArray body;
    QString text;
    int code = QNetworkReply::NoError;
    qint64 lastReceived = -1;
};

Outcome fetch(const QUrl &url, const std::function<void(NetFetch *)> &whileRunning = {})
{
    QObject owner;
    NetFetch *f = NetFetch::get(url, &owner);
    Outcome outcome;
    bool finished = false;
    QObject::connect(f, &NetFetch::progress, f,
                     [&outcome](qint64 received, qint64) { outcome.lastReceived = received; });
    QObject::connect(f, &NetFetch::finished, f,
                     [&](bool ok, const QByteArray &body, const QString &text, int code) {
                         outcome = {ok, body, text, code, outcome.lastReceived};
                         finished = true;
                     });
    QPointer<NetFetch> alive(f);
    if (whileRunning)
        whileRunning(f);
    if (!QTest::qWaitFor([&] { return finished; }, kFetchTimeoutMs))
        outcome.text = QStringLiteral("fetch never finished");
    // It goes away by itself once it has reported.
    else if (!QTest::qWaitFor([&] { return alive.isNull(); }, 2000))
        outcome.text = QStringLiteral("fetch still alive after finishing");
    return outcome;
}

} // namespace

class TestNetFetch : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir root;
    std::unique_ptr<LocalUpdateServer> server;
    const QByteArray image = QByteArray(100000, 'x') + "end";

    QUrl at(const QString &path) const { return QUrl(server->baseAddress() + path); }

private slots:
    void initTestCase()
    {
        server = std::make_unique<LocalUpdateServer>(root.path());
        QVERIFY2(server->start(), qPrintable(server->errorString()));
        server->trustOnlyThisServer();
        QVERIFY(server->putFile("/download/Product/TRV-40/Update/TRV-40_V1.0.3.bin", image));
        NetFetch::setStallTimeoutForTests(kShortStallMs);
    }

    void serverFailures_data()
    {
        QTest::addColumn<LocalUpdateServer::Failure>("failure");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("body");
        using F = LocalUpdateServer::Failure;
        QTest::newRow("file") << F::None << true << int(QNetworkReply::NoError) << "" << image;
        QTest::newRow("empty body")
            << F::EmptyBody << true << int(QNetworkReply::NoError) << "" << QByteArray();
        QTest::newRow("404") << F::NotFound << false << int(QNetworkReply::ContentNotFoundError)
                             << "Not Found" << QByteArray();
        // Regression: a redirect arrives without a Qt error and its page would be taken.
        QTest::newRow("redirect") << F::Redirect << false << int(QNetworkReply::UnknownContentError)
                                  << "HTTP status 302" << QByteArray();
        QTest::newRow("cut body") << F::CutBody << false
                                  << int(QNetworkReply::RemoteHostClosedError) << "closed"
                                  << QByteArray();
        QTest::newRow("stall") << F::Stall << false << int(QNetworkReply::TimeoutError)
                               << "No data received for 0.3 s" << QByteArray();
        QTest::newRow("refuse") << F::Refuse << false << int(QNetworkReply::RemoteHostClosedError)
                                << "closed" << QByteArray();
    }

    void serverFailures()
    {
        QFETCH(LocalUpdateServer::Failure, failure);
        QFETCH(bool, ok);
        QFETCH(int, code);
        QFETCH(QString, text);
        QFETCH(QByteArray, body);
        const QString path = "/download/Product/TRV-40/Update/TRV-40_V1.0.3.bin";
        server->setFailure(path, failure);
        const int requestsBefore = server->requestedPaths().size();
        const Outcome outcome = fetch(at(path));
        server->clearFailures();

        QCOMPARE(outcome.ok, ok);
        QCOMPARE(outcome.code, code);
        QVERIFY2(outcome.text.contains(text, Qt::CaseInsensitive), qPrintable(outcome.text));
        QCOMPARE(outcome.body, body);
        // Nothing followed: only the path itself was asked for (Qt's HTTP layer sends a
        // request again once by itself when a fresh connection closes without a reply).
        const QStringList asked = server->requestedPaths().mid(requestsBefore);
        QVERIFY(!asked.isEmpty());
        for (const QString &p : asked)
            QCOMPARE(p, path);
        if (failure != LocalUpdateServer::Failure::Refuse)
            QCOMPARE(asked.size(), 1);
        if (ok)
            QCOMPARE(outcome.lastReceived, qint64(body.size()));
    }

    void missingFileIsNotFound()
    {
        const Outcome outcome = fetch(at("/download/Product/TRV-50/Update/TRV-50_Update.txt"));
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.code, int(QNetworkReply::ContentNotFoundError));
        QVERIFY(!fetch(at("/../../etc/passwd")).ok);
    }

    void untrustedCertificateIsAnError()
    {
        const Outcome outcome = fetch(QUrl(server->untrustedBaseAddress() +
                                           "/download/Product/TRV-40/Update/TRV-40_V1.0.3.bin"));
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.code, int(QNetworkReply::SslHandshakeFailedError));
        QVERIFY(!outcome.text.isEmpty());
        QVERIFY(outcome.body.isEmpty());
    }

    void userCancel()
    {
        const QString path = "/download/Product/TRV-40/Update/TRV-40_V1.0.3.bin";
        server->setFailure(path, LocalUpdateServer::Failure::Stall);
        NetFetch::setStallTimeoutForTests(NetFetch::kStallTimeoutMs);
        const Outcome outcome =
            fetch(at(path), [](NetFetch *f) { QTimer::singleShot(200, f, [f] { f->abort(); }); });
        NetFetch::setStallTimeoutForTests(kShortStallMs);
        server->clearFailures();
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.code, int(QNetworkReply::OperationCanceledError));
    }

    void missingModuleIsAnError()
    {
        // A program installed without its network module says so, and carries on.
        NetFetch::setModulePathForTests(root.filePath("libtredora_network_absent.so"));
        const Outcome outcome = fetch(at("/download/Product/TRV-40/Update/TRV-40_V1.0.3.bin"));
        NetFetch::setModulePathForTests({});
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.code, int(QNetworkReply::UnknownNetworkError));
        QVERIFY2(outcome.text.startsWith("Network support could not be loaded: ") &&
                     outcome.text.contains("libtredora_network_absent.so"),
                 qPrintable(outcome.text));
        QVERIFY(fetch(at("/download/Product/TRV-40/Update/TRV-40_V1.0.3.bin")).ok);
    }

    void refusedConnection()
    {
        // A second server, stopped: its port now refuses connections.
        QTemporaryDir other;
        LocalUpdateServer gone(other.path());
        QVERIFY(gone.start());
        const QString address = gone.baseAddress();
        gone.stop();
        const Outcome outcome = fetch(QUrl(address + "/download/x.bin"));
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.code, int(QNetworkReply::ConnectionRefusedError));
    }

    void realStallLength()
    {
        // The real length is in force unless a test shortens it: a transfer that has begun
        // waits 30 s for its next byte. (The abort itself is shown with the short length.)
        const QString path = "/download/Product/TRV-40/Update/TRV-40_V1.0.3.bin";
        server->setFailure(path, LocalUpdateServer::Failure::Stall);
        NetFetch::setStallTimeoutForTests(NetFetch::kStallTimeoutMs);
        QCOMPARE(NetFetch::kStallTimeoutMs, 30000);
        QObject owner;
        NetFetch *f = NetFetch::get(at(path), &owner);
        const QObject *transfer = f->findChild<QObject *>(QString(), Qt::FindDirectChildrenOnly);
        auto *stall = transfer
                          ? transfer->findChild<QTimer *>(QString(), Qt::FindDirectChildrenOnly)
                          : nullptr;
        NetFetch::setStallTimeoutForTests(kShortStallMs);
        QVERIFY(stall);
        QTRY_VERIFY(stall->isActive());
        QCOMPARE(stall->interval(), 30000);
        QVERIFY(stall->isSingleShot());
        QSignalSpy finished(f, &NetFetch::finished);
        f->abort();
        QTRY_COMPARE(finished.count(), 1);
        server->clearFailures();
    }

    void cleanupTestCase() { server.reset(); }
};

QTEST_GUILESS_MAIN(TestNetFetch)
#include "tst_netfetch.moc"
