// The window's side of the software update: a check at every show and one on request.
#include "app/widget.h"

#include "app/customdialog.h"
#include "update/softwareupdate.h"

void Widget::checkForUpdateAtShow()
{
    startUpdateCheck(ToolVersion::CheckRule::Startup);
}

void Widget::checkForUpdate()
{
    startUpdateCheck(ToolVersion::CheckRule::Manual);
}

void Widget::startUpdateCheck(ToolVersion::CheckRule rule)
{
    if (!installerProcess)
        installerProcess = new InstallerProcess(this);
    SoftwareUpdateCheck::start(this, rule, ToolVersion::withoutLeadingV(customDialog->versionText),
                               installerProcess);
}
