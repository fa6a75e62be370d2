#include "desktop/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace dewscope {

namespace {

constexpr int KeptForMs = 2000;
constexpr int CheckEveryMs = 40;
constexpr int MaxCorrections = 3;

// The frame around a window's client area; none while the window manager has not framed it.
QMargins frameOf(const QWidget *window)
{
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    return { client.left() - frame.left(), client.top() - frame.top(),
             frame.right() - client.right(), frame.bottom() - client.bottom() };
}

} // namespace

WindowPlacement::WindowPlacement(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    m_check.setInterval(CheckEveryMs);
    connect(&m_check, &QTimer::timeout, this, &WindowPlacement::keep);
    window->installEventFilter(this);
}

void WindowPlacement::place(QWidget *window, const QPoint &frameTopLeft, const QWidget *framedLike)
{
    auto *placement = window->findChild<WindowPlacement *>(QString(), Qt::FindDirectChildrenOnly);
    if (!placement)
        placement = new WindowPlacement(window);
    placement->m_framedLike = framedLike;
    placement->m_wanted = frameTopLeft;
    placement->m_corrections = 0;
    window->move(placement->target());
}

QPoint WindowPlacement::target() const
{
    QMargins frame = frameOf(m_window);
    if (frame.isNull() && m_framedLike)
        frame = frameOf(m_framedLike);
    const QScreen *screen = QGuiApplication::screenAt(m_wanted);
    if (!screen)
        screen = m_window->screen();
    if (!screen)
        return m_wanted;
    const QRect free = screen->availableGeometry();
    const int outerWidth = m_window->width() + frame.left() + frame.right();
    const int x = qMax(free.left(), qMin(m_wanted.x(), free.right() + 1 - outerWidth));
    return { x, qMax(free.top(), m_wanted.y()) };
}

bool WindowPlacement::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Show && !m_shownFor.isValid()) {
        m_shownFor.start();
        m_check.start();
        QTimer::singleShot(0, this, &WindowPlacement::keep);
    }
    return QObject::eventFilter(watched, event);
}

void WindowPlacement::keep()
{
    if (m_shownFor.elapsed() >= KeptForMs || m_corrections >= MaxCorrections)
        m_check.stop();
    if (!m_window->isVisible() || !m_check.isActive())
        return;
    const QPoint wanted = target();
    if (m_window->frameGeometry().topLeft() == wanted)
        return;
    ++m_corrections;
    m_window->move(wanted);
}

} // namespace dewscope
