#pragma once

#include "alarms/AlarmPreferences.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;

namespace dewscope {

class AlarmDialog;
class AlarmSound;
class AlarmStrip;
class AlarmWatcher;
class Poll;
struct AlarmEvent;
struct SharedState;

// The alarms of the window: the watcher on the live poll with the kept settings, the strip, a
// desktop notification at each start and end, the sound every few seconds until acknowledged,
// and the Alarms dialog.
class AlarmDesk : public QObject
{
    Q_OBJECT

public:
    static constexpr int ReminderMs = 5000;

    AlarmDesk(Poll *poll, const SharedState *state, AlarmStrip *strip, QWidget *window);
    ~AlarmDesk() override;

    void apply(const AlarmPreferences &preferences);
    const AlarmPreferences &preferences() const { return m_preferences; }
    // Opens the dialog (modeless), or raises the open one.
    void showDialog();
    AlarmDialog *dialog() const;

    AlarmWatcher *watcher() const { return m_watcher; }
    AlarmSound *sound() const { return m_sound; }
    int notificationsSent() const { return m_notifications; }

private:
    void onEvent(const AlarmEvent &event);
    void remind();

    AlarmPreferences m_preferences;
    AlarmWatcher *m_watcher;
    AlarmSound *m_sound;
    AlarmStrip *m_strip;
    QWidget *m_window;
    QPointer<AlarmDialog> m_dialog;
    QTimer m_reminder;
    int m_notifications = 0;
};

} // namespace dewscope
