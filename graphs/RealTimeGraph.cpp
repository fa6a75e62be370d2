#include "graphs/RealTimeGraph.h"

#include "graphs/RealTimeGraphWindow.h"
#include "graphs/RealTimeRangeDialog.h"

namespace dewscope {

RealTimeGraph::RealTimeGraph(const SharedState *shared, QWidget *mainWindow, int intervalMs,
                             QObject *parent)
    : QObject(parent)
    , m_shared(shared)
    , m_mainWindow(mainWindow)
    , m_interval(intervalMs)
{
}

RealTimeGraph::~RealTimeGraph()
{
    delete m_range;
    delete m_window;
}

RealTimeGraphWindow *RealTimeGraph::window() const
{
    return m_window;
}

RealTimeRangeDialog *RealTimeGraph::rangeDialog() const
{
    return m_range;
}

void RealTimeGraph::open()
{
    close();
    m_state.resetScales();
    restart();
}

void RealTimeGraph::close()
{
    // Closing unloads the window: its timer stops and its image goes.
    if (m_window)
        m_window->close();
    m_window = nullptr;
}

void RealTimeGraph::restart()
{
    close();
    m_window = new RealTimeGraphWindow(m_shared, &m_state, m_mainWindow);
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_window, &RealTimeGraphWindow::limitRequested, this, &RealTimeGraph::showRange);
    m_window->show();
    m_window->startSweep(m_interval);
}

void RealTimeGraph::showRange()
{
    if (!m_range) {
        m_range = new RealTimeRangeDialog(&m_state, m_window, m_mainWindow);
        m_range->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_range, &RealTimeRangeDialog::applied, this, &RealTimeGraph::restart);
    }
    m_range->show();
    m_range->raise();
    m_range->activateWindow();
}

} // namespace dewscope
