// The File menu's configuration files: the window's selectors, found by object name, are
// handed to the file logic; the dialogs and boxes around it are the user's side.
#include "app/widget.h"

#include "common/userprompt.h"
#include "configfile/configstore.h"

#include <QComboBox>
#include <QDir>
#include <QHash>

namespace {

constexpr char kSaveCaption[] = "Save configuration";
constexpr char kLoadCaption[] = "Load configuration";
constexpr char kSaveAsFilter[] = "configuration files (*.ini)";
constexpr char kSaveFilter[] = "Configuration files (*.ini)";
constexpr char kLoadFilter[] = "configuration files (*.ini)";

class WindowSelectors : public ConfigFile::SelectorAccess
{
public:
    explicit WindowSelectors(QWidget *window) : window(window) {}

    int count(const QString &name) const override
    {
        const QComboBox *selector = find(name);
        return selector ? selector->count() : -1;
    }
    int current(const QString &name) const override
    {
        const QComboBox *selector = find(name);
        return selector ? selector->currentIndex() : -1;
    }
    void select(const QString &name, int position) override
    {
        if (QComboBox *selector = find(name))
            selector->setCurrentIndex(position);
    }

private:
    QComboBox *find(const QString &name) const
    {
        auto it = found.find(name);
        if (it == found.end())
            it = found.insert(name, window->findChild<QComboBox *>(name));
        return it.value();
    }

    QWidget *window;
    mutable QHash<QString, QComboBox *> found;
};

} // namespace

void Widget::saveConfigurationAs()
{
    writeConfiguration(true);
}

void Widget::saveConfiguration()
{
    if (currentConfigPath.isEmpty()) {
        saveConfigurationAs();
        return;
    }
    writeConfiguration(false);
}

void Widget::writeConfiguration(bool saveAsWriter)
{
    currentConfigPath =
        UserPrompt::saveFileName(this, QLatin1String(kSaveCaption), QString(),
                                 QLatin1String(saveAsWriter ? kSaveAsFilter : kSaveFilter));
    if (currentConfigPath.isEmpty()) {
        UserPrompt::show(this, QMessageBox::Warning, QStringLiteral("Warning"),
                         QStringLiteral("No file selected!"));
        return;
    }

    const WindowSelectors selectors(this);
    const ConfigFile::SaveResult result = ConfigFile::save(
        currentConfigPath, saveAsWriter ? ConfigFile::Writer::SaveAs : ConfigFile::Writer::Save,
        selectors);
    if (!result.saved) {
        UserPrompt::show(this, QMessageBox::Warning, QStringLiteral("Warning"),
                         QStringLiteral("The configuration file was not saved: %1 could not be "
                                        "written.")
                             .arg(QDir::toNativeSeparators(result.path)));
        return;
    }
    if (saveAsWriter)
        UserPrompt::show(this, QMessageBox::Information, QStringLiteral("Success"),
                         QStringLiteral("Configuration file saved successfully."));
}

void Widget::loadConfiguration()
{
    const QString fileName = UserPrompt::openFileName(this, QLatin1String(kLoadCaption), QString(),
                                                      QLatin1String(kLoadFilter));
    if (fileName.isEmpty())
        return;
    WindowSelectors selectors(this);
    ConfigFile::load(fileName, selectors);
    refreshSwitchValmaxVisibility();
}
