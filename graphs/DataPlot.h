#pragma once

#include "graphs/DataPlotState.h"

#include <QObject>
#include <QPointer>

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

private:
    void reopen();
    void hideWindow();

    QPointer<QWidget> m_mainWindow;
    DataPlotState m_state;
    bool m_fromFileList = false;
    bool m_fromDataList = false;
    QPointer<RecordTableModel> m_table;
    QPointer<DataPlotWindow> m_window;
    QPointer<PlotRangeDialog> m_range;
};

} // namespace dewscope
