#include "wizard/CWizardSettings.h"

#include <sys/stat.h>

namespace tarnwel {

namespace {

bool PathExists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

} // namespace

void CWizardSettings::Load(const std::string& path)
{
    settingsPath = path;
    const bool existed = PathExists(path);
    CReplicationSettings::Load(path);
    createdWithDefaults = (!existed || CameFromUnreadableFile()) ? 1 : 0;
}

void CWizardSettings::SaveToStoredPath() const
{
    Save(settingsPath);
}

void CWizardSettings::SetOvrActionForAll(int code)
{
    appointmentRules.ovrAction = contactRules.ovrAction = taskRules.ovrAction = code;
}

void CWizardSettings::SetNewActionForAll(int code)
{
    appointmentRules.newAction = contactRules.newAction = taskRules.newAction = code;
}

void CWizardSettings::SetOLDeletedActionForAll(int code)
{
    appointmentRules.olDeletedAction = contactRules.olDeletedAction = taskRules.olDeletedAction = code;
}

void CWizardSettings::SetTWDeletedActionForAll(int code)
{
    appointmentRules.twDeletedAction = contactRules.twDeletedAction = taskRules.twDeletedAction = code;
}

} // namespace tarnwel
