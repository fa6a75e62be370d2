#pragma once

#include "meter/MeterProfile.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace dewscope {

class SimulatedMeter;

// Makes a simulated meter follow a profile from start() on: every 50 ms the meter is given the
// profile's values of that moment (drift off), its over-range marks and its silence.
class ProfilePlayer : public QObject
{
    Q_OBJECT

public:
    ProfilePlayer(SimulatedMeter *meter, const MeterProfile &profile, QObject *parent = nullptr);

    void start();
    void stop();
    bool isRunning() const { return m_timer.isActive(); }
    double seconds() const;

private:
    void apply();

    SimulatedMeter *m_meter;
    MeterProfile m_profile;
    QElapsedTimer m_clock;
    QTimer m_timer;
};

} // namespace dewscope
