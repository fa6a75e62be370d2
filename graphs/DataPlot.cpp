#include "graphs/DataPlot.h"

#include "graphs/DataPlotWindow.h"
#include "graphs/PlotRangeDialog.h"
#include "tables/FileListWindow.h"
#include "tables/RecordTableModel.h"

namespace dewscope {

DataPlot::DataPlot(QWidget *mainWindow, QObject *parent)
    : QObject(parent)
    , m_mainWindow(mainWindow)
{
}

DataPlot::~DataPlot()
{
    delete m_range;
    delete m_window;
}

DataPlotWindow *DataPlot::window() const
{
    return m_window;
}

PlotRangeDialog *DataPlot::rangeDialog() const
{
    return m_range;
}

void DataPlot::keyClicked(RecordWindow *window, const QString &key)
{
    if (key == QLatin1String("Plot") && window)
        open(window);
}

void DataPlot::open(RecordWindow *source)
{
    if (m_window && m_window->isVisible()) {
        m_window->close();
        m_window = nullptr;
    }
    m_fromFileList = qobject_cast<FileListWindow *>(source) != nullptr;
    m_fromDataList = !m_fromFileList;
    m_table = source->model();
    m_state.resetScales();
    m_state.spanWholeTable(m_table->rows() - 1);
    if (m_window) {
        // Loaded but hidden (a failed drawing or range dialog): shown again, drawn anew.
        m_window->setTable(m_table);
        m_window->show();
        m_window->redraw();
        return;
    }
    reopen();
}

void DataPlot::reopen()
{
    if (m_window && m_window->isVisible())
        m_window->close();
    delete m_window;
    m_window = new DataPlotWindow(&m_state, m_table, m_mainWindow);
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_window, &DataPlotWindow::limitRequested, this, &DataPlot::showRange);
    m_window->show();
}

void DataPlot::hideWindow()
{
    if (m_window && m_window->isVisible())
        m_window->hide();
}

void DataPlot::showRange()
{
    if (!m_range) {
        m_range = new PlotRangeDialog(&m_state, m_window, m_mainWindow);
        m_range->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_range, &PlotRangeDialog::applied, this, &DataPlot::reopen);
        connect(m_range, &PlotRangeDialog::conversionFailed, this, &DataPlot::hideWindow);
    }
    m_range->show();
    m_range->raise();
    m_range->activateWindow();
}

} // namespace dewscope
