#include "app/DemoMeterWindow.h"

#include "memory/MemoryTransfer.h"
#include "meter/ProfilePlayer.h"
#include "meter/SimulatedMeter.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

namespace dewscope {

DemoMeterWindow::DemoMeterWindow(SimulatedMeter *meter, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_meter(meter)
{
    setObjectName(QStringLiteral("DemoMeterWindow"));
    setWindowTitle(QStringLiteral("Demo Meter"));

    m_temperature = new QDoubleSpinBox;
    m_temperature->setRange(-40.0, 100.0);
    m_temperature->setDecimals(1);
    m_temperature->setSingleStep(0.5);
    m_temperature->setSuffix(QStringLiteral(" °C"));
    m_temperature->setValue(meter->temperature());
    m_humidity = new QDoubleSpinBox;
    m_humidity->setRange(0.0, 100.0);
    m_humidity->setDecimals(1);
    m_humidity->setSingleStep(1.0);
    m_humidity->setSuffix(QStringLiteral(" %RH"));
    m_humidity->setValue(meter->humidity());
    m_drift = new QCheckBox(QStringLiteral("Drift slowly"));
    m_drift->setChecked(true);
    m_tempOver = new QCheckBox(QStringLiteral("Temperature over range"));
    m_tempNegative = new QCheckBox(QStringLiteral("below range"));
    m_rhOver = new QCheckBox(QStringLiteral("Humidity over range"));
    m_silent = new QCheckBox(QStringLiteral("Silent (meter unplugged)"));

    auto *live = new QGroupBox(QStringLiteral("Live readings"));
    auto *liveForm = new QFormLayout(live);
    liveForm->addRow(QStringLiteral("Temperature"), m_temperature);
    liveForm->addRow(QStringLiteral("Humidity"), m_humidity);
    liveForm->addRow(m_drift);
    auto *overRow = new QHBoxLayout;
    overRow->addWidget(m_tempOver);
    overRow->addWidget(m_tempNegative);
    liveForm->addRow(overRow);
    liveForm->addRow(m_rhOver);
    liveForm->addRow(m_silent);

    m_sets = new QSpinBox;
    m_sets->setRange(1, 32); // with 2000 records a set, the memory's 65,535 slots
    m_sets->setValue(2);
    m_records = new QSpinBox;
    m_records->setRange(1, 2000);
    m_records->setValue(20);
    m_interval = new QSpinBox;
    m_interval->setRange(1, 255);
    m_interval->setValue(60);
    m_interval->setSuffix(QStringLiteral(" s"));
    m_stopHalfway = new QCheckBox(QStringLiteral("Stop halfway (the transfer stalls)"));
    m_download = new QPushButton(QStringLiteral("Send memory download"));

    auto *memory = new QGroupBox(QStringLiteral("Datalogger memory"));
    auto *memoryForm = new QFormLayout(memory);
    memoryForm->addRow(QStringLiteral("Sets"), m_sets);
    memoryForm->addRow(QStringLiteral("Records per set"), m_records);
    memoryForm->addRow(QStringLiteral("Sampling interval"), m_interval);
    memoryForm->addRow(m_stopHalfway);
    memoryForm->addRow(m_download);

    m_profileButton = new QPushButton(QStringLiteral("Follow profile..."));
    m_profileState = new QLabel(QStringLiteral("No profile"));
    m_profileState->setWordWrap(true);
    auto *profile = new QGroupBox(QStringLiteral("Profile"));
    auto *profileColumn = new QVBoxLayout(profile);
    profileColumn->addWidget(m_profileState);
    profileColumn->addWidget(m_profileButton);
    connect(m_profileButton, &QPushButton::clicked, this, [this] {
        if (m_player)
            return void(followProfile(QString()));
        auto *dialog = new QFileDialog(this, QStringLiteral("Follow profile"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setFileMode(QFileDialog::ExistingFile);
        connect(dialog, &QFileDialog::fileSelected, this, &DemoMeterWindow::followProfile);
        dialog->open();
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(live);
    layout->addWidget(profile);
    layout->addWidget(memory);
    layout->addStretch(1);

    auto sendValues = [this] { m_meter->setValues(m_temperature->value(), m_humidity->value()); };
    connect(m_temperature, &QDoubleSpinBox::valueChanged, this, sendValues);
    connect(m_humidity, &QDoubleSpinBox::valueChanged, this, sendValues);
    connect(m_drift, &QCheckBox::toggled, m_meter, &SimulatedMeter::setDrift);
    auto sendTempRange = [this] {
        m_meter->setTemperatureOverRange(m_tempOver->isChecked(), m_tempNegative->isChecked());
    };
    connect(m_tempOver, &QCheckBox::toggled, this, sendTempRange);
    connect(m_tempNegative, &QCheckBox::toggled, this, sendTempRange);
    connect(m_rhOver, &QCheckBox::toggled, this,
            [this](bool on) { m_meter->setHumidityOverRange(on); });
    connect(m_silent, &QCheckBox::toggled, m_meter, &SimulatedMeter::setSilent);
    connect(m_download, &QPushButton::clicked, this, &DemoMeterWindow::sendDownload);
    connect(m_meter, &SimulatedMeter::downloadSent, this, [this] {
        m_download->setEnabled(true);
        m_download->setText(QStringLiteral("Send memory download"));
        if (!m_stalling)
            return;
        // Silent until the program has given the transfer up, then live again.
        QTimer::singleShot(MemoryTransfer::DefaultStallLimitMs + 1000, this, [this] {
            m_stalling = false;
            m_meter->setSilent(m_silent->isChecked());
        });
    });
}

bool DemoMeterWindow::followProfile(const QString &path)
{
    delete m_player;
    m_player = nullptr;
    m_profileButton->setText(QStringLiteral("Follow profile..."));
    if (path.isEmpty()) {
        m_profileState->setText(QStringLiteral("No profile"));
        m_meter->setSilent(m_silent->isChecked());
        return true;
    }
    QString error;
    const auto profile = MeterProfile::load(path, &error);
    if (!profile) {
        m_profileState->setText(error);
        return false;
    }
    m_player = new ProfilePlayer(m_meter, *profile, this);
    m_player->start();
    m_profileState->setText(QStringLiteral("Following ") + QFileInfo(path).fileName());
    m_profileButton->setText(QStringLiteral("Stop profile"));
    return true;
}

void DemoMeterWindow::sendDownload()
{
    if (m_meter->isSendingDownload())
        return;
    const QTime start
        = QTime::currentTime().addSecs(-m_sets->value() * m_records->value() * m_interval->value());
    QByteArray image = SimulatedMeter::makeMemoryImage(m_sets->value(), m_records->value(), start,
                                                       m_interval->value());
    m_stalling = m_stopHalfway->isChecked();
    if (m_stalling) {
        image.truncate(image.size() / 2);
        m_meter->setSilent(true); // no live frames to fill up the rest
    }
    m_meter->sendDownload(image);
    m_download->setEnabled(false);
    m_download->setText(QStringLiteral("Sending…"));
}

} // namespace dewscope
