#pragma once

#include <QWidget>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace dewscope {

class ProfilePlayer;
class SimulatedMeter;

// The demo meter's knobs: the values it sends, drift, over-range, silence, a profile to follow,
// and a memory download of a chosen number of sets and records, whole or stopping halfway.
class DemoMeterWindow : public QWidget
{
    Q_OBJECT

public:
    explicit DemoMeterWindow(SimulatedMeter *meter, QWidget *parent = nullptr);

    QDoubleSpinBox *temperature() const { return m_temperature; }
    QDoubleSpinBox *humidity() const { return m_humidity; }

    // Follows the profile in the file from now on (the knobs wait meanwhile); false with the
    // reason shown when it cannot be read. An empty path stops following.
    bool followProfile(const QString &path);

private:
    void sendDownload();

    SimulatedMeter *m_meter;
    QDoubleSpinBox *m_temperature;
    QDoubleSpinBox *m_humidity;
    QCheckBox *m_drift;
    QCheckBox *m_tempOver;
    QCheckBox *m_tempNegative;
    QCheckBox *m_rhOver;
    QCheckBox *m_silent;
    QSpinBox *m_sets;
    QSpinBox *m_records;
    QSpinBox *m_interval;
    QCheckBox *m_stopHalfway;
    QPushButton *m_download;
    QPushButton *m_profileButton;
    QLabel *m_profileState;
    ProfilePlayer *m_player = nullptr;
    bool m_stalling = false; // silent after half a download until the program gave it up
};

} // namespace dewscope
