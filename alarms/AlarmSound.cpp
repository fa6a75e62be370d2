#include "alarms/AlarmSound.h"

#include <QSoundEffect>
#include <QUrl>

namespace dewscope {

AlarmSound::AlarmSound(QObject *parent)
    : QObject(parent)
{
}

void AlarmSound::play()
{
    ++m_plays;
    // Loaded at the first alarm: a program that never alarms never opens the audio system.
    if (!m_effect) {
        m_effect = new QSoundEffect(this);
        m_effect->setSource(QUrl(QStringLiteral("qrc:/dewscope/alarm.wav")));
    }
    m_effect->play();
    Q_EMIT played();
}

} // namespace dewscope
