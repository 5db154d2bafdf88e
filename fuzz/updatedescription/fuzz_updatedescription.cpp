// libFuzzer entry over the readers of update descriptions and the version comparisons. The test
// suite compiles this same file and runs it over the seed corpus and pseudo-random inputs.
//
// Input layout: byte 0 picks the model, then the description file; its first line doubles as a
// device's current version.
#include "update/serverpaths.h"
#include "update/updatedescription.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "update description invariant broken: %s\n", what);
        std::abort();
    }
}

void checkVersionName(const QString &text, const QString &name, const QString &found)
{
    if (found.isEmpty())
        return;
    require(text.startsWith(found), "version name is not where the text starts");
    require(found.startsWith(name + QLatin1String("_V")), "version name of another product");
    for (int i = name.size() + 2; i < found.size(); ++i)
        require(found.at(i).isDigit() || found.at(i) == QLatin1Char('.'),
                "version name holds more than digits and dots");
}

void checkComparisons(const QString &current, const QString &versionName)
{
    using namespace UpdateDescription;
    const QVector<int> a = versionNumbers(current);
    const QVector<int> b = versionNumbers(versionName);
    for (int n : a + b)
        require(n >= 0, "negative version number");
    require(compareNumbers(a, b) == -compareNumbers(b, a), "comparison not antisymmetric");
    require(compareNumbers(a, a) == 0, "a version differs from itself");
    // Two equal leading numbers never make the main window see an update the dialog misses.
    if (mainWindowFindsNewer(current, versionName))
        require(upgradeDialogFindsNewer(current, versionName),
                "main window finds newer where the dialog does not");
    if (upgradeDialogFindsNewer(current, versionName))
        require(!upgradeDialogFindsNewer(versionName, current), "both are newer than each other");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace UpdateDescription;
    if (size < 1)
        return 0;
    const QByteArray file(reinterpret_cast<const char *>(data) + 1, int(size - 1));
    const QString text = QString::fromUtf8(file);

    const auto &dialogModels = UpdateServer::upgradeDialogModels();
    const UpdateServer::DialogModel &dialogModel = dialogModels.at(data[0] % dialogModels.size());
    const Description dialog = forUpgradeDialog(file, dialogModel.key);
    checkVersionName(text, dialogModel.key, dialog.versionName);
    require(dialog.content == dialog.content.trimmed(), "dialog content not trimmed");

    const auto &windowModels = UpdateServer::mainWindowModels();
    const UpdateServer::WindowModel &windowModel = windowModels.at(data[0] % windowModels.size());
    const Description window = forMainWindow(file, windowModel.versionPattern);
    checkVersionName(text, windowModel.name, window.versionName);
    require(text.endsWith(window.content), "content does not run to the end of the text");
    require(window.content.trimmed() == contentAfterMarker(text).trimmed(),
            "the two readers disagree on the content");

    const QString current = text.section(QLatin1Char('\n'), 0, 0);
    checkComparisons(current, dialog.versionName);
    checkComparisons(current, window.versionName);
    checkComparisons(current, text);
    return 0;
}
