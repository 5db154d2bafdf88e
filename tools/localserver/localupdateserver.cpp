#include "localupdateserver.h"

#include "certificates.h"

#include <httplib.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSslConfiguration>

#include <condition_variable>
#include <csignal>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <thread>

namespace {

constexpr int kWorkerThreads = 8;
constexpr time_t kSocketTimeoutSeconds = 5;
constexpr auto kStallCheck = std::chrono::milliseconds(50);
constexpr auto kListenWait = std::chrono::seconds(5);

// The client sends nothing after its one request, so anything readable means it hung up.
bool peerHungUp(const SSL *ssl)
{
    pollfd peer{ssl ? SSL_get_fd(ssl) : -1, POLLIN | POLLRDHUP, 0};
    return peer.fd < 0 || ::poll(&peer, 1, 0) != 0;
}

struct Listener
{
    LocalServer::ServerIdentity identity;
    std::unique_ptr<httplib::SSLServer> server;
    std::thread thread;
    int port = 0;
};

} // namespace

struct LocalUpdateServer::Private
{
    QString root;
    Listener trusted;
    Listener untrusted;
    QString error;

    mutable std::mutex mutex;
    std::condition_variable stopping;
    bool stopRequested = false;
    QHash<QString, Failure> failures;
    QStringList requested;
    QStringList lastHeaders;

    bool open(Listener &listener, const char *authority, int port);
    void close(Listener &listener);
    void handle(const httplib::Request &request, httplib::Response &response);
    QString localFile(const QString &path) const;
};

QString LocalUpdateServer::Private::localFile(const QString &path) const
{
    const QString clean = QDir::cleanPath(QLatin1Char('/') + path);
    if (clean.contains(QLatin1String("/../")) || clean.endsWith(QLatin1String("/..")))
        return {};
    return root + clean;
}

void LocalUpdateServer::Private::handle(const httplib::Request &request,
                                        httplib::Response &response)
{
    const QString path = QString::fromStdString(request.path);
    Failure failure = Failure::None;
    {
        std::lock_guard<std::mutex> lock(mutex);
        requested << path;
        lastHeaders.clear();
        for (const auto &header : request.headers)
            lastHeaders << QString::fromStdString(header.first);
        failure = failures.value(path, Failure::None);
    }

    if (failure == Failure::Refuse) {
        // No reply at all: the library's own write then fails and closes the connection.
        if (request.ssl)
            ::shutdown(SSL_get_fd(request.ssl), SHUT_RDWR);
        return;
    }
    if (failure == Failure::Redirect) {
        response.set_redirect("/moved" + request.path, 302);
        return;
    }
    QFile file(localFile(path));
    if (failure == Failure::NotFound || !QFileInfo(file).isFile() ||
        !file.open(QIODevice::ReadOnly)) {
        response.status = 404;
        response.set_content("Not Found", "text/plain");
        return;
    }
    const QByteArray body = failure == Failure::EmptyBody ? QByteArray() : file.readAll();
    const auto bytes = std::make_shared<std::string>(body.constData(), size_t(body.size()));

    if (failure == Failure::CutBody) {
        response.set_content_provider(
            bytes->size(), "application/octet-stream",
            [bytes](size_t offset, size_t, httplib::DataSink &sink) {
                const size_t half = bytes->size() / 2;
                if (offset < half)
                    sink.write(bytes->data() + offset, half - offset);
                return false; // the library closes the connection short of Content-Length
            });
        return;
    }
    if (failure == Failure::Stall) {
        // Holds the connection until the server stops or the client gives up.
        const SSL *ssl = request.ssl;
        response.set_content_provider(bytes->size(), "application/octet-stream",
                                      [this, ssl](size_t, size_t, httplib::DataSink &) {
                                          std::unique_lock<std::mutex> lock(mutex);
                                          while (!stopRequested && !peerHungUp(ssl))
                                              stopping.wait_for(lock, kStallCheck);
                                          return false;
                                      });
        return;
    }
    response.set_content(*bytes, "application/octet-stream");
}

bool LocalUpdateServer::Private::open(Listener &listener, const char *authority, int port)
{
    listener.identity = LocalServer::makeServerIdentity(authority);
    if (!listener.identity.isValid()) {
        error = QStringLiteral("could not make the server's certificates");
        return false;
    }
    listener.server = std::make_unique<httplib::SSLServer>(listener.identity.server.get(),
                                                           listener.identity.serverKey.get());
    httplib::SSLServer &server = *listener.server;
    if (!server.is_valid()) {
        error = QStringLiteral("could not set up TLS");
        return false;
    }
    server.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    // One request per connection, so stopping never waits on an idle keep-alive connection.
    server.set_keep_alive_max_count(1);
    server.set_read_timeout(kSocketTimeoutSeconds);
    server.set_write_timeout(kSocketTimeoutSeconds);
    server.Get(".*", [this](const httplib::Request &request, httplib::Response &response) {
        handle(request, response);
    });
    const int bound = port == 0 ? server.bind_to_any_port("127.0.0.1")
                                : (server.bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0) {
        error = QStringLiteral("could not listen on 127.0.0.1:%1").arg(port);
        return false;
    }
    listener.port = bound;
    listener.thread = std::thread([&server] { server.listen_after_bind(); });
    // stop() is a no-op until the accept loop runs, so a quick start-stop would never end.
    const auto deadline = std::chrono::steady_clock::now() + kListenWait;
    while (!server.is_running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!server.is_running()) {
        error = QStringLiteral("the accept loop did not start");
        return false;
    }
    return true;
}

void LocalUpdateServer::Private::close(Listener &listener)
{
    if (listener.server)
        listener.server->stop();
    if (listener.thread.joinable())
        listener.thread.join();
    listener.server.reset();
    listener.port = 0;
}

LocalUpdateServer::LocalUpdateServer(const QString &rootDir) : d(std::make_unique<Private>())
{
    d->root = QDir(rootDir).absolutePath();
}

LocalUpdateServer::~LocalUpdateServer()
{
    stop();
}

bool LocalUpdateServer::start(quint16 port)
{
    if (isRunning())
        return true;
    // A client that hangs up mid-reply must not end the whole process.
    std::signal(SIGPIPE, SIG_IGN);
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->stopRequested = false;
    }
    if (!d->open(d->trusted, "Tredora local update server CA", port) ||
        !d->open(d->untrusted, "Untrusted stand-in CA", 0)) {
        qWarning() << "Local update server:" << d->error;
        stop();
        return false;
    }
    return true;
}

void LocalUpdateServer::stop()
{
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->stopRequested = true;
    }
    d->stopping.notify_all();
    d->close(d->trusted);
    d->close(d->untrusted);
}

bool LocalUpdateServer::isRunning() const
{
    return d->trusted.port != 0;
}

QString LocalUpdateServer::errorString() const
{
    return d->error;
}

quint16 LocalUpdateServer::port() const
{
    return quint16(d->trusted.port);
}

QString LocalUpdateServer::baseAddress() const
{
    return QStringLiteral("https://127.0.0.1:%1").arg(d->trusted.port);
}

QString LocalUpdateServer::untrustedBaseAddress() const
{
    return QStringLiteral("https://127.0.0.1:%1").arg(d->untrusted.port);
}

QSslCertificate LocalUpdateServer::caCertificate() const
{
    if (!d->trusted.identity.ca)
        return QSslCertificate();
    return QSslCertificate(LocalServer::toPem(d->trusted.identity.ca.get()), QSsl::Pem);
}

void LocalUpdateServer::trustOnlyThisServer() const
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setCaCertificates({caCertificate()});
    QSslConfiguration::setDefaultConfiguration(configuration);
}

void LocalUpdateServer::setFailure(const QString &path, Failure failure)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (failure == Failure::None)
        d->failures.remove(path);
    else
        d->failures.insert(path, failure);
}

void LocalUpdateServer::clearFailures()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->failures.clear();
}

bool LocalUpdateServer::putFile(const QString &path, const QByteArray &content) const
{
    const QString local = d->localFile(path);
    if (local.isEmpty() || !QDir().mkpath(QFileInfo(local).absolutePath()))
        return false;
    QSaveFile file(local);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() &&
           file.commit();
}

QString LocalUpdateServer::rootDir() const
{
    return d->root;
}

QStringList LocalUpdateServer::requestedPaths() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->requested;
}

QStringList LocalUpdateServer::lastRequestHeaderNames() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->lastHeaders;
}

LocalUpdateServer::Failure LocalUpdateServer::failureFromName(const QString &name, bool *ok)
{
    static const QHash<QString, Failure> names = {
        {QStringLiteral("none"), Failure::None},
        {QStringLiteral("refuse"), Failure::Refuse},
        {QStringLiteral("404"), Failure::NotFound},
        {QStringLiteral("redirect"), Failure::Redirect},
        {QStringLiteral("cut"), Failure::CutBody},
        {QStringLiteral("stall"), Failure::Stall},
        {QStringLiteral("empty"), Failure::EmptyBody},
    };
    if (ok)
        *ok = names.contains(name);
    return names.value(name, Failure::None);
}
