#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace dewscope {

class AlarmMonitor;

// The main window's alarm strip, below the figures: each active alarm's channel, side, value
// and since when, in red with "Acknowledge" until acknowledged, then in a quieter colour until
// it ends. Hidden while no alarm is active.
class AlarmStrip : public QWidget
{
    Q_OBJECT

public:
    explicit AlarmStrip(QWidget *parent = nullptr);

    void showAlarms(const AlarmMonitor &monitor);
    // A log that cannot be written: said in the strip until it can (empty: none).
    void setLogProblem(const QString &problem);
    QLabel *text() const { return m_text; }
    QPushButton *acknowledgeButton() const { return m_acknowledge; }
    bool isAlerting() const { return m_alerting; }

Q_SIGNALS:
    void acknowledged();
    // Shown or hidden, or its lines changed: the window may need another height.
    void layoutChanged();

private:
    QLabel *m_text;
    QPushButton *m_acknowledge;
    QString m_logProblem;
    QStringList m_lines;
    bool m_alerting = false;
    void refresh();
};

} // namespace dewscope
