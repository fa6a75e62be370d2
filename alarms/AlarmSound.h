#pragma once

#include <QObject>

class QSoundEffect;

namespace dewscope {

// The audible alarm: a short sound we ship, played through Qt Multimedia (the desktop's beep is
// silent on many systems). Every play is counted, so that tests can follow the reminders on a
// machine without sound; a machine without an audio device plays nothing and goes on.
class AlarmSound : public QObject
{
    Q_OBJECT

public:
    explicit AlarmSound(QObject *parent = nullptr);

    void play();
    int plays() const { return m_plays; }

Q_SIGNALS:
    void played();

private:
    QSoundEffect *m_effect = nullptr;
    int m_plays = 0;
};

} // namespace dewscope
