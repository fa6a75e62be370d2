#include "alarms/AlarmDesk.h"

#include "alarms/AlarmDialog.h"
#include "alarms/AlarmNotifier.h"
#include "alarms/AlarmSound.h"
#include "alarms/AlarmStrip.h"
#include "alarms/AlarmWatcher.h"

namespace dewscope {

AlarmDesk::AlarmDesk(Poll *poll, const SharedState *state, AlarmStrip *strip, QWidget *window)
    : QObject(window)
    , m_watcher(new AlarmWatcher(poll, state, this))
    , m_sound(new AlarmSound(this))
    , m_strip(strip)
    , m_window(window)
{
    m_reminder.setInterval(ReminderMs);
    connect(&m_reminder, &QTimer::timeout, this, &AlarmDesk::remind);
    connect(m_watcher, &AlarmWatcher::alarmEvent, this, &AlarmDesk::onEvent);
    connect(m_watcher, &AlarmWatcher::logFailed, strip, &AlarmStrip::setLogProblem);
    connect(m_watcher, &AlarmWatcher::logRecovered, strip,
            [strip] { strip->setLogProblem(QString()); });
    connect(strip, &AlarmStrip::acknowledged, m_watcher, &AlarmWatcher::acknowledge);
    apply(AlarmDialog::stored());
    m_watcher->start();
}

AlarmDesk::~AlarmDesk() = default;

void AlarmDesk::apply(const AlarmPreferences &preferences)
{
    m_preferences = preferences;
    m_watcher->setLogPath(preferences.logPath);
    m_strip->setLogProblem(QString());
    m_watcher->setSettings(preferences.settings);
    m_strip->showAlarms(m_watcher->monitor());
    remind();
}

void AlarmDesk::showDialog()
{
    if (!m_dialog) {
        m_dialog = new AlarmDialog(m_window);
        m_dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_dialog, &AlarmDialog::applied, this, &AlarmDesk::apply);
    }
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

AlarmDialog *AlarmDesk::dialog() const
{
    return m_dialog;
}

void AlarmDesk::onEvent(const AlarmEvent &event)
{
    m_strip->showAlarms(m_watcher->monitor());
    if (m_preferences.notify && event.kind != AlarmEvent::Kind::Ack && AlarmNotifier::notify(event))
        ++m_notifications;
    if (event.kind == AlarmEvent::Kind::Start)
        m_reminder.stop(); // a new alarm sounds now, the reminders follow from here
    remind();
}

// Sounds while an alarm is unacknowledged: at once, then every few seconds.
void AlarmDesk::remind()
{
    const bool due = m_preferences.sound && m_watcher->monitor().needsReminder();
    if (!due) {
        m_reminder.stop();
        return;
    }
    if (!m_reminder.isActive()) {
        m_sound->play();
        m_reminder.start();
    } else if (sender() == &m_reminder) {
        m_sound->play();
    }
}

} // namespace dewscope
