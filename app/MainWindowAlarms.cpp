#include "app/MainWindow.h"

#include "alarms/AlarmDesk.h"
#include "alarms/AlarmStrip.h"
#include "app/Artwork.h"
#include "desktop/ShortcutTip.h"

#include <QAction>
#include <QToolBar>

namespace dewscope {

// The "Alarms" key after the nine of the toolbar, its dialog, and the strip that shows an active
// alarm below the figures.
QWidget *MainWindow::buildAlarms()
{
    const QString key = QStringLiteral("Alarms");
    const QKeySequence keys(Qt::CTRL | Qt::SHIFT | Qt::Key_A);
    auto *action = new QAction(artwork::toolbarImage(11), key, this);
    action->setObjectName(key);
    action->setData(key);
    action->setToolTip(shortcutTip(QStringLiteral("Alarms"), keys));
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this, key] { runToolbarKey(key); });
    m_toolbar->addAction(action);
    m_buttons << action;

    m_alarmStrip = new AlarmStrip;
    connect(m_alarmStrip, &AlarmStrip::layoutChanged, this, &MainWindow::applyHeight);
    if (m_poll)
        m_alarmDesk = new AlarmDesk(m_poll, m_state, m_alarmStrip, this);
    else
        action->setEnabled(false);
    return m_alarmStrip;
}

} // namespace dewscope
