#include "meter/ProfilePlayer.h"

#include "meter/SimulatedMeter.h"

namespace dewscope {

ProfilePlayer::ProfilePlayer(SimulatedMeter *meter, const MeterProfile &profile, QObject *parent)
    : QObject(parent)
    , m_meter(meter)
    , m_profile(profile)
{
    m_timer.setInterval(50);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ProfilePlayer::apply);
}

void ProfilePlayer::start()
{
    m_meter->setDrift(false);
    m_clock.start();
    apply();
    m_timer.start();
}

void ProfilePlayer::stop()
{
    m_timer.stop();
}

double ProfilePlayer::seconds() const
{
    return m_clock.isValid() ? m_clock.elapsed() / 1000.0 : 0.0;
}

void ProfilePlayer::apply()
{
    const MeterProfile::State state = m_profile.at(seconds());
    const auto overRange = [](const MeterValue &v) { return v.isOverload(); };
    const auto negative
        = [](const MeterValue &v) { return v.kind() == MeterValue::Kind::NegativeOverload; };
    m_meter->setValues(state.temperature.value(), state.humidity.value());
    m_meter->setTemperatureOverRange(overRange(state.temperature), negative(state.temperature));
    m_meter->setHumidityOverRange(overRange(state.humidity), negative(state.humidity));
    if (m_meter->isSilent() != state.silent)
        m_meter->setSilent(state.silent);
}

} // namespace dewscope
