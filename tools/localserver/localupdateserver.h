// A real HTTPS server on 127.0.0.1 standing in for the maker's update server: it serves a
// directory tree at the server's paths with a certificate of its own authority, and fails on
// purpose per path. Runs on threads of its own; used by the tests, the demo and
// tredora-update-server.
#pragma once

#include <QByteArray>
#include <QSslCertificate>
#include <QString>
#include <QStringList>

#include <memory>

class LocalUpdateServer
{
public:
    enum class Failure {
        None,
        Refuse,    // the request is read, then the connection is closed without a reply
        NotFound,  // 404 although the file exists
        Redirect,  // 302 to the same path below "/moved"
        CutBody,   // Content-Length of the whole file, half of it sent, then the connection closes
        Stall,     // status and headers, then not a byte until the server stops
        EmptyBody, // 200 with an empty body
    };

    // Files are read from `rootDir` at each request, so they may change while it runs.
    explicit LocalUpdateServer(const QString &rootDir);
    ~LocalUpdateServer();
    LocalUpdateServer(const LocalUpdateServer &) = delete;
    LocalUpdateServer &operator=(const LocalUpdateServer &) = delete;

    // Listens on 127.0.0.1 only; port 0 picks a free port. Also opens a second listener whose
    // certificate comes from an authority nobody trusts (untrustedBaseAddress).
    bool start(quint16 port = 0);
    void stop(); // ends stalled transfers too; returns when every thread has finished
    bool isRunning() const;
    QString errorString() const;

    quint16 port() const;
    QString baseAddress() const;          // "https://127.0.0.1:<port>"
    QString untrustedBaseAddress() const; // same tree, certificate not from caCertificate()

    QSslCertificate caCertificate() const;
    // Makes this server's authority the only one Qt's TLS trusts in this process.
    void trustOnlyThisServer() const;

    void setFailure(const QString &path, Failure failure);
    void clearFailures();
    // Writes `content` to the file that `path` (a server path) is served from.
    bool putFile(const QString &path, const QByteArray &content) const;
    QString rootDir() const;

    // Paths of the GET requests received so far, in order, and the header names of the last.
    QStringList requestedPaths() const;
    QStringList lastRequestHeaderNames() const;

    static Failure failureFromName(const QString &name, bool *ok = nullptr);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
