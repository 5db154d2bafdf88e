#include "update/serverpaths.h"

#include <QDebug>

#ifndef TREDORA_UPDATE_SERVER
#error "TREDORA_UPDATE_SERVER must name the update server's base address"
#endif

namespace UpdateServer {

namespace {

QString withoutTrailingSlashes(QString base)
{
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

QString &currentBase()
{
    static QString base = withoutTrailingSlashes(QStringLiteral(TREDORA_UPDATE_SERVER));
    return base;
}

QString productPath(const QString &model, const QString &file)
{
    return QStringLiteral("/download/Product/%1/Update/%2").arg(model, file);
}

// The first model of `table` whose name occurs in what the device reported (case-sensitive).
template<typename Model>
const Model *firstNamedIn(const QVector<Model> &table, QString Model::*name,
                          const QString &reported)
{
    for (const Model &model : table) {
        if (reported.contains(model.*name))
            return &model;
    }
    return nullptr;
}

} // namespace

QString baseAddress()
{
    return currentBase();
}

bool setBaseAddress(const QString &address)
{
    const QString base = withoutTrailingSlashes(address);
    const QUrl url(base, QUrl::StrictMode);
    const bool taken = url.isValid() && url.scheme() == QLatin1String("https") &&
                       base.startsWith(QLatin1String("https://")) && !url.host().isEmpty() &&
                       url.userInfo().isEmpty() && url.path().isEmpty() && !url.hasQuery() &&
                       !url.hasFragment();
    if (!taken) {
        qWarning() << "Update server address refused, only https://host[:port] is taken:"
                   << address;
        return false;
    }
    currentBase() = base;
    qInfo() << "Update server address set to" << base;
    return true;
}

QUrl address(const QString &path)
{
    return QUrl(baseAddress() + path, QUrl::TolerantMode);
}

QString englishManualPath()
{
    return QStringLiteral("/download/Product/Tredora/Tredora_Manual.pdf");
}

QString chineseManualPath()
{
    return QStringLiteral("/download/Product/Tredora/Tredora说明书.pdf");
}

QString firmwareImagePath(const QString &modelKey, const QString &versionName)
{
    return productPath(modelKey, versionName + QLatin1String(".bin"));
}

QString toolDescriptionPath()
{
    return productPath(QStringLiteral("Tredora"), QStringLiteral("Tredora_UpdateWin.txt"));
}

QString installerPath(const QString &version)
{
    return productPath(QStringLiteral("Tredora"),
                       QLatin1String("Tredora_V") + version + QLatin1String(".exe"));
}

const QVector<DialogModel> &upgradeDialogModels()
{
    static const QVector<DialogModel> models = [] {
        QVector<DialogModel> table;
        const auto add = [&table](const char *key, const char *file) {
            const QString k = QString::fromLatin1(key);
            table.append({k, productPath(k, QString::fromLatin1(file))});
        };
        add("TRV-40", "TRV-40_Update.txt");
        add("TRV-50", "TRV-50_Update.txt");
        add("ZB-5", "ZB-5_Update.txt");
        add("ZB-4", "ZB-FOUR_Update.txt");
        add("QDN-70", "QDN-70_Update.txt");
        add("HKL-9", "HKL-9_Update.txt");
        return table;
    }();
    return models;
}

const DialogModel *upgradeDialogModelFor(const QString &deviceModel)
{
    return firstNamedIn(upgradeDialogModels(), &DialogModel::key, deviceModel);
}

const QVector<WindowModel> &mainWindowModels()
{
    static const QVector<WindowModel> models = [] {
        QVector<WindowModel> table;
        const auto add = [&table](const char *name, const char *file) {
            const QString n = QString::fromLatin1(name);
            table.append({table.size() + 1, n, productPath(n, QString::fromLatin1(file)),
                          QStringLiteral("^(%1_V[\\d\\.]+)").arg(n)});
        };
        add("TRV-40", "TRV-40_Update.txt");
        add("TRV-50", "TRV-50_Update.txt");
        add("TRV-60", "TRV-60_Update.txt");
        add("ZB-5", "ZB-5_Update.txt");
        add("ZB-4", "ZB-FOUR_Update.txt");
        return table;
    }();
    return models;
}

const WindowModel *mainWindowModelFor(const QString &pedalModel)
{
    return firstNamedIn(mainWindowModels(), &WindowModel::name, pedalModel);
}

} // namespace UpdateServer
