#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>

class QWidget;

namespace dewscope {

// Places a top-level window by its frame, title bar included, and keeps it on the screen: a
// window that would reach past the right edge of the screen's free area goes left as far as
// needed, one that would start above its top comes down to it, so its title bar, caption and
// close button can always be seen. Before a window is first shown the window manager has not
// framed it yet: the frame of a window already on screen stands in for its frame, and for two
// seconds after the first show, while the manager frames and perhaps moves the window, the place
// is checked every few milliseconds and corrected three times at most (a manager that insists on
// its own place is not fought, nor a user who drags the window away).
class WindowPlacement : public QObject
{
    Q_OBJECT

public:
    // Moves the window's frame to frameTopLeft, or as near as the screen allows. framedLike: a
    // window on screen whose frame this one will get (none: no frame is assumed until known).
    static void place(QWidget *window, const QPoint &frameTopLeft,
                      const QWidget *framedLike = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit WindowPlacement(QWidget *window);
    QPoint target() const;
    void keep();

    QWidget *m_window;
    QPointer<const QWidget> m_framedLike;
    QPoint m_wanted;
    QElapsedTimer m_shownFor;
    QTimer m_check;
    int m_corrections = 0;
};

} // namespace dewscope
