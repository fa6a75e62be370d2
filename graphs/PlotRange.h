#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace dewscope {

struct DataPlotState;

// "Plot Range": the plot's temperature scale (in Celsius or Fahrenheit), its humidity scale and
// the span of records. Modeless, centred over the plot, Celsius selected and the boxes filled
// from the state when it opens. OK checks and stores group by group; a refused group shows its
// message and leaves the dialog open; a box that is not a number as a whole closes the dialog
// (and the plot is hidden) with the groups stored before it.
class PlotRange : public QDialog
{
    Q_OBJECT

public:
    static const QString Caption;

    // plotWindow: the window the dialog is centred over.
    PlotRange(DataPlotState *plot, QWidget *plotWindow, QWidget *parent = nullptr);

    QRadioButton *optCelsius() const { return m_cOpt; }
    QRadioButton *optFahrenheit() const { return m_fOpt; }
    QLineEdit *txtMax() const { return m_txtMax; }
    QLineEdit *txtMin() const { return m_txtMin; }
    QLineEdit *txtMaxR() const { return m_txtMaxR; }
    QLineEdit *txtMinR() const { return m_txtMinR; }
    QLineEdit *txtFrom() const { return m_txtFrom; }
    QLineEdit *txtTo() const { return m_txtTo; }
    QPushButton *cmdOk() const { return m_cmdOk; }

Q_SIGNALS:
    // All groups passed and are stored: the plot reopens with them.
    void applied();
    // A box could not be stored: the plot goes out of sight.
    void conversionFailed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showCelsius();
    void showFahrenheit();
    void ok();

    DataPlotState *m_plot;
    QRadioButton *m_cOpt;
    QRadioButton *m_fOpt;
    QLineEdit *m_txtMax;
    QLineEdit *m_txtMin;
    QLineEdit *m_txtMaxR;
    QLineEdit *m_txtMinR;
    QLineEdit *m_txtFrom;
    QLineEdit *m_txtTo;
    QPushButton *m_cmdOk;
    bool m_checking = false;
};

} // namespace dewscope
