#pragma once

#include "graphs/DrawingSurface.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class QAction;
class QPrinter;
class QToolBar;

namespace dewscope {

struct RealTimeGraphState;
struct SharedState;

// "Real Time Graph": the live sweep graph of temperature, humidity, wet bulb and dew point. It
// draws its frame whenever it is shown or resized and, on each tick of its own timer, advances
// the cursor one step: erase bar, grid, one segment per curve, time marks. Everything is drawn
// on a persistent image that the window paints from and that "Print" prints. It keeps no history
// of points. A minimised window goes on sweeping on its image; it is painted once restored.
class RealTimeGraphWindow : public QWidget
{
    Q_OBJECT

public:
    static const QString Caption;

    // mainWindow: where the window is placed beside and whose print dialog it uses.
    RealTimeGraphWindow(const SharedState *shared, RealTimeGraphState *graph, QWidget *mainWindow,
                        QWidget *parent = nullptr);
    ~RealTimeGraphWindow() override;

    // Gives the sweep timer an interval and starts it.
    void startSweep(int intervalMs);
    QTimer *sweepTimer() { return &m_timer; }
    const QImage &image() const { return m_surface.image(); }
    QToolBar *toolbar() const { return m_toolbar; }
    QAction *limitButton() const { return m_limit; }
    QAction *printButton() const { return m_print; }
    QString timeLabel() const { return m_timeLabel; }
    // The print dialog while it is open.
    QDialog *printDialog() const { return m_printDialog; }

    // One page on a printer already set up (no dialog): a heading ("live" and the time) and
    // the window's image, its pixels whole printer dots, without loss. A PDF file is written
    // whole or not at all. False with the reason.
    bool printTo(QPrinter *printer, QString *error = nullptr);

public Q_SLOTS:
    // One sweep step from the current reading.
    void tick();
    // "Print": toolbar hidden, the main window's print dialog, the page on the chosen printer
    // with the dialog's copies and orientation, toolbar shown again.
    void print();

Q_SIGNALS:
    // "Limit": the range dialog is wanted.
    void limitRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Clears the image at the window's size and draws the frame; the sweep starts anew.
    void drawFrame();
    void showChanges();

    const SharedState *m_shared;
    RealTimeGraphState *m_graph;
    QPointer<QWidget> m_mainWindow;
    DrawingSurface m_surface;
    QTimer m_timer;
    QToolBar *m_toolbar = nullptr;
    QAction *m_limit = nullptr;
    QAction *m_print = nullptr;
    QString m_timeLabel;
    QPointer<QDialog> m_printDialog;
};

} // namespace dewscope
