#pragma once

#include "graphs/DataPlotState.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;

namespace dewscope {

class DataPlotWindow;
class PlotRangeDialog;
class RecordTableModel;
class RecordWindow;

// Owns the data plot's state and opens, reopens and hides its window and range dialog: the
// "Plot" keys of the File List and the Data List, the window's "Limit" and the dialog's OK.
class DataPlot : public QObject
{
    Q_OBJECT

public:
    // How long the rows of a replaced table must rest before the plot is drawn again.
    static constexpr int RowsSettleMs = 250;

    DataPlot(QWidget *mainWindow, QObject *parent = nullptr);
    ~DataPlot() override;

    DataPlotState *state() { return &m_state; }
    // The source flags: the last "Plot" came from the File List, or from the Data List.
    bool fromFileList() const { return m_fromFileList; }
    bool fromDataList() const { return m_fromDataList; }
    // The window while it is loaded (perhaps hidden), the dialog while it is open.
    DataPlotWindow *window() const;
    PlotRangeDialog *rangeDialog() const;

public Q_SLOTS:
    // A record window's key: "Plot" opens the plot on its table; other keys are not ours.
    void keyClicked(dewscope::RecordWindow *window, const QString &key);
    // "Plot": a visible plot is unloaded, the source set, the scales reset, the whole table
    // made the span and the plot shown.
    void open(dewscope::RecordWindow *source);
    // "Limit": shows the range dialog, or brings it forward.
    void showRange();
    // A File List or Data List opened anew: a plot on screen that reads that list takes the new
    // table in place, with the default scales and the whole table as the span, as "Plot" would.
    // Until the next "Plot" or range, the span grows with the rows that arrive (a file loading,
    // a recording) and the plot is drawn again once they pause.
    void tableReplaced(dewscope::RecordWindow *window);

private:
    void reopen();
    void hideWindow();
    void setTable(RecordTableModel *table);
    void rowsChanged();

    QPointer<QWidget> m_mainWindow;
    DataPlotState m_state;
    bool m_fromFileList = false;
    bool m_fromDataList = false;
    QPointer<RecordTableModel> m_table;
    bool m_following = false; // the span grows with the table
    QTimer m_rowsSettled;
    QPointer<DataPlotWindow> m_window;
    QPointer<PlotRangeDialog> m_range;
};

} // namespace dewscope
