#include "app/MainWindow.h"

#include "alarms/AlarmDesk.h"
#include "alarms/AlarmStrip.h"

#include <QAction>

namespace dewscope {

// The "Alarms" key's dialog and the strip that shows an active alarm below the figures.
QWidget *MainWindow::buildAlarms()
{
    m_alarmStrip = new AlarmStrip;
    connect(m_alarmStrip, &AlarmStrip::layoutChanged, this, &MainWindow::applyHeight);
    if (m_poll)
        m_alarmDesk = new AlarmDesk(m_poll, m_state, m_alarmStrip, this);
    else
        toolbarButton(AlarmsButton)->setEnabled(false);
    return m_alarmStrip;
}

} // namespace dewscope
