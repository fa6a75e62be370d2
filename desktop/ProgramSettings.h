#pragma once

#include <QSettings>
#include <QString>

#include <memory>

namespace dewscope {

// The settings the program keeps between runs (the folders last used, the summary's limits).
// Nothing is read or written until the program names them at start-up, so tests and tools that
// do not name them leave the user's settings alone.
namespace ProgramSettings {

// Names the settings once at start-up; an empty organization keeps nothing.
void name(const QString &organization, const QString &application);
// The settings, or nullptr while none are named.
std::unique_ptr<QSettings> open();

} // namespace ProgramSettings
} // namespace dewscope
