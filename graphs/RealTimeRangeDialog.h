#pragma once

#include "graphs/RangeDialog.h"

namespace dewscope {

struct RealTimeGraphState;

// "Real Time Range": the real-time graph's temperature scale (in Celsius or Fahrenheit), its
// humidity scale and the ticks one sweep takes. Modeless. OK checks and stores group by group;
// a refused group shows its message and leaves the dialog open; a box that is not a number as
// a whole closes the dialog with the groups stored before it. Celsius is selected when it opens.
class RealTimeRangeDialog : public RangeDialog
{
    Q_OBJECT

public:
    static const QString Caption;

    // graphWindow: the window the dialog is centred over.
    RealTimeRangeDialog(RealTimeGraphState *graph, QWidget *graphWindow, QWidget *parent = nullptr);

    QLineEdit *txtCounts() const { return m_txtCounts; }

Q_SIGNALS:
    // All groups passed and are stored with the new step: the graph restarts with them.
    void applied();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ok();

    RealTimeGraphState *m_graph;
    QLineEdit *m_txtCounts;
};

} // namespace dewscope
