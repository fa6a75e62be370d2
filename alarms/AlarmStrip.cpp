#include "alarms/AlarmStrip.h"

#include "alarms/AlarmMonitor.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace dewscope {

AlarmStrip::AlarmStrip(QWidget *parent)
    : QWidget(parent)
    , m_text(new QLabel)
    , m_acknowledge(new QPushButton(QStringLiteral("Acknowledge")))
{
    setObjectName(QStringLiteral("AlarmStrip"));
    setAttribute(Qt::WA_StyledBackground);
    m_text->setObjectName(QStringLiteral("AlarmText"));
    m_text->setWordWrap(true);
    QFont font = m_text->font();
    font.setBold(true);
    m_text->setFont(font);
    m_acknowledge->setObjectName(QStringLiteral("Acknowledge"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 8, 4);
    row->addWidget(m_text, 1);
    row->addWidget(m_acknowledge);
    connect(m_acknowledge, &QPushButton::clicked, this, &AlarmStrip::acknowledged);
    hide();
}

void AlarmStrip::showAlarms(const AlarmMonitor &monitor)
{
    QStringList lines;
    bool alerting = false;
    for (AlarmChannel channel :
         { AlarmChannel::Temperature, AlarmChannel::Humidity, AlarmChannel::Meter }) {
        const auto alarm = monitor.current(channel);
        if (!alarm)
            continue;
        alerting = alerting || monitor.state(channel) == AlarmMonitor::State::Active;
        QString line = QStringLiteral("ALARM ") + AlarmEvent::channelName(channel)
            + QLatin1Char(' ') + AlarmEvent::sideName(alarm->side);
        if (alarm->value.isSet())
            line += QLatin1Char(' ') + AlarmEvent::valueText(alarm->value) + QLatin1Char(' ')
                + alarm->unit;
        lines << line + QStringLiteral(" since ")
                + alarm->since.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    m_alerting = alerting;
    m_lines = lines;
    refresh();
}

void AlarmStrip::setLogProblem(const QString &problem)
{
    m_logProblem = problem;
    refresh();
}

void AlarmStrip::refresh()
{
    QStringList lines = m_lines;
    if (!m_logProblem.isEmpty())
        lines << QStringLiteral("The alarm log cannot be written: ") + m_logProblem;
    const QString text = lines.join(QLatin1Char('\n'));
    const bool changed = isHidden() != lines.isEmpty()
        || m_text->text().count(QLatin1Char('\n')) != text.count(QLatin1Char('\n'));
    m_text->setText(text);
    m_acknowledge->setVisible(m_alerting);
    setStyleSheet(m_alerting ? QStringLiteral("#AlarmStrip { background: #c00000; } "
                                              "#AlarmText { color: white; }")
                             : QStringLiteral("#AlarmStrip { background: #f3e3b0; } "
                                              "#AlarmText { color: #604000; }"));
    setVisible(!lines.isEmpty());
    if (changed)
        Q_EMIT layoutChanged();
}

} // namespace dewscope
