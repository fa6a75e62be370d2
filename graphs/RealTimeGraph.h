#pragma once

#include "graphs/RealTimeGraphState.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace dewscope {

class RealTimeGraphWindow;
class RealTimeRangeDialog;
struct SharedState;

// Owns the real-time graph's state and opens, restarts and closes its window and range dialog:
// the main toolbar's "Graph" key, the window's "Limit", the dialog's OK and a silent meter.
class RealTimeGraph : public QObject
{
    Q_OBJECT

public:
    // intervalMs: the main window's poll interval, which the sweep follows.
    RealTimeGraph(const SharedState *shared, QWidget *mainWindow, int intervalMs,
                  QObject *parent = nullptr);
    ~RealTimeGraph() override;

    RealTimeGraphState *state() { return &m_state; }
    // The window and the dialog while they are open.
    RealTimeGraphWindow *window() const;
    RealTimeRangeDialog *rangeDialog() const;

public Q_SLOTS:
    // "Graph": closes an open graph, resets the scales and the step, opens it and starts it.
    void open();
    // Closes the graph when it is open (a silent meter). An open range dialog stays; its OK
    // opens the graph again.
    void close();
    // "Limit": shows the range dialog, or brings it forward.
    void showRange();

private:
    void restart();

    const SharedState *m_shared;
    QPointer<QWidget> m_mainWindow;
    int m_interval;
    RealTimeGraphState m_state;
    QPointer<RealTimeGraphWindow> m_window;
    QPointer<RealTimeRangeDialog> m_range;
};

} // namespace dewscope
