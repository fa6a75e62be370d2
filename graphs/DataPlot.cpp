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
    m_rowsSettled.setSingleShot(true);
    m_rowsSettled.setInterval(RowsSettleMs);
    connect(&m_rowsSettled, &QTimer::timeout, this, &DataPlot::rowsChanged);
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
    setTable(source->model());
    m_following = false;
    if (m_window) {
        // Loaded but hidden (a failed drawing or range dialog): shown again, drawn anew.
        m_window->setTable(m_table);
        m_window->show();
        m_window->redraw();
        return;
    }
    reopen();
}

void DataPlot::setTable(RecordTableModel *table)
{
    if (m_table)
        disconnect(m_table, nullptr, this, nullptr);
    m_table = table;
    m_state.resetScales();
    m_state.spanWholeTable(table->rows() - 1);
    const auto settle = [this] { m_rowsSettled.start(); };
    connect(table, &RecordTableModel::rowsInserted, this, settle);
    connect(table, &RecordTableModel::rowsRemoved, this, settle);
    connect(table, &RecordTableModel::modelReset, this, settle);
}

void DataPlot::tableReplaced(RecordWindow *window)
{
    const bool fileList = qobject_cast<FileListWindow *>(window) != nullptr;
    if (!window || !m_window || !m_window->isVisible() || fileList != m_fromFileList)
        return;
    setTable(window->model());
    m_following = true;
    m_window->setTable(m_table);
    m_window->redraw();
}

void DataPlot::rowsChanged()
{
    if (!m_following || !m_table || !m_window || !m_window->isVisible())
        return;
    m_state.spanWholeTable(m_table->rows() - 1);
    m_window->redraw();
}

void DataPlot::reopen()
{
    m_following = false;
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
