// tredora-update-server: the local update server for people, serving a directory tree on
// 127.0.0.1 until interrupted. Prints its address and writes its authority's certificate.
#include "localupdateserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves DIR at https://127.0.0.1:PORT with a certificate of a fresh authority."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("DIR"), QStringLiteral("directory to serve"));
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("port to listen on (0: any free)"),
                                        QStringLiteral("PORT"), QStringLiteral("0"));
    const QCommandLineOption caOption(
        QStringLiteral("ca"), QStringLiteral("where to write the authority's certificate"),
        QStringLiteral("FILE"), QStringLiteral("tredora-local-ca.pem"));
    const QCommandLineOption failOption(
        QStringLiteral("fail"),
        QStringLiteral("fail PATH on purpose: refuse, 404, redirect, cut, stall or empty"),
        QStringLiteral("PATH=MODE"));
    parser.addOptions({portOption, caOption, failOption});
    parser.process(app);

    QTextStream err(stderr);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    LocalUpdateServer server(parser.positionalArguments().constFirst());
    for (const QString &rule : parser.values(failOption)) {
        const int split = rule.lastIndexOf(QLatin1Char('='));
        bool known = false;
        const auto failure = LocalUpdateServer::failureFromName(rule.mid(split + 1), &known);
        if (split <= 0 || !known) {
            err << "unknown failure rule: " << rule << '\n';
            return 2;
        }
        server.setFailure(rule.left(split), failure);
    }
    if (!server.start(quint16(parser.value(portOption).toUInt()))) {
        err << "cannot start: " << server.errorString() << '\n';
        return 1;
    }
    QFile ca(parser.value(caOption));
    if (!ca.open(QIODevice::WriteOnly) || ca.write(server.caCertificate().toPem()) < 0) {
        err << "cannot write " << ca.fileName() << '\n';
        return 1;
    }
    ca.close();
    QTextStream(stdout) << "Serving " << server.rootDir() << " at " << server.baseAddress()
                        << "\nUntrusted certificate at " << server.untrustedBaseAddress()
                        << "\nAuthority certificate: " << ca.fileName() << Qt::endl;
    return app.exec();
}
