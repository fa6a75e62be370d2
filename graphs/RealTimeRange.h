#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace dewscope {

struct RealTimeGraphState;

// "Real Time Range": the real-time graph's temperature scale (in Celsius or Fahrenheit), its
// humidity scale and the ticks one sweep takes. Modeless. OK checks and stores group by group;
// a refused group shows its message and leaves the dialog open; a box that is not a number as
// a whole closes the dialog with the groups stored before it. Celsius is selected when it opens.
class RealTimeRange : public QDialog
{
    Q_OBJECT

public:
    static const QString Caption;

    // graphWindow: the window the dialog is centred over.
    RealTimeRange(RealTimeGraphState *graph, QWidget *graphWindow, QWidget *parent = nullptr);

    QRadioButton *optCelsius() const { return m_cOpt; }
    QRadioButton *optFahrenheit() const { return m_fOpt; }
    QLineEdit *txtMax() const { return m_txtMax; }
    QLineEdit *txtMin() const { return m_txtMin; }
    QLineEdit *txtMaxR() const { return m_txtMaxR; }
    QLineEdit *txtMinR() const { return m_txtMinR; }
    QLineEdit *txtCounts() const { return m_txtCounts; }
    QPushButton *cmdOk() const { return m_cmdOk; }

Q_SIGNALS:
    // All groups passed and are stored with the new step: the graph restarts with them.
    void applied();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showCelsius();
    void showFahrenheit();
    void ok();

    RealTimeGraphState *m_graph;
    QRadioButton *m_cOpt;
    QRadioButton *m_fOpt;
    QLineEdit *m_txtMax;
    QLineEdit *m_txtMin;
    QLineEdit *m_txtMaxR;
    QLineEdit *m_txtMinR;
    QLineEdit *m_txtCounts;
    QPushButton *m_cmdOk;
    bool m_checking = false;
};

} // namespace dewscope
