#pragma once

#include <QKeySequence>
#include <QString>

namespace dewscope {

// A button's tooltip followed by its keyboard shortcut, as the desktop writes it: "Open File
// (Ctrl+O)". The tooltip alone when the button has no shortcut.
QString shortcutTip(const QString &toolTip, const QKeySequence &keys);

} // namespace dewscope
