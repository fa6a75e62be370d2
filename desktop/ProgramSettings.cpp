#include "desktop/ProgramSettings.h"

namespace dewscope::ProgramSettings {

namespace {

struct Name
{
    QString organization;
    QString application;
};

Name &named()
{
    static Name name;
    return name;
}

} // namespace

void name(const QString &organization, const QString &application)
{
    named() = { organization, application };
}

std::unique_ptr<QSettings> open()
{
    const Name &name = named();
    if (name.organization.isEmpty())
        return nullptr;
    return std::make_unique<QSettings>(name.organization, name.application);
}

} // namespace dewscope::ProgramSettings
