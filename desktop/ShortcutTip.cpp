#include "desktop/ShortcutTip.h"

namespace dewscope {

QString shortcutTip(const QString &toolTip, const QKeySequence &keys)
{
    if (keys.isEmpty())
        return toolTip;
    return QStringLiteral("%1 (%2)").arg(toolTip, keys.toString(QKeySequence::NativeText));
}

} // namespace dewscope
