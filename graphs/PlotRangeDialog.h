#pragma once

#include "graphs/RangeDialog.h"

namespace dewscope {

struct DataPlotState;

// "Plot Range": the plot's temperature scale (in Celsius or Fahrenheit), its humidity scale and
// the span of records. Modeless, centred over the plot, Celsius selected and the boxes filled
// from the state when it opens. OK checks and stores group by group; a refused group shows its
// message and leaves the dialog open; a box that is not a number as a whole closes the dialog
// (and the plot is hidden) with the groups stored before it.
class PlotRangeDialog : public RangeDialog
{
    Q_OBJECT

public:
    static const QString Caption;

    // plotWindow: the window the dialog is centred over.
    PlotRangeDialog(DataPlotState *plot, QWidget *plotWindow, QWidget *parent = nullptr);

    QLineEdit *txtFrom() const { return m_txtFrom; }
    QLineEdit *txtTo() const { return m_txtTo; }

Q_SIGNALS:
    // All groups passed and are stored: the plot reopens with them.
    void applied();
    // A box could not be stored: the plot goes out of sight.
    void conversionFailed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ok();

    DataPlotState *m_plot;
    QLineEdit *m_txtFrom;
    QLineEdit *m_txtTo;
};

} // namespace dewscope
