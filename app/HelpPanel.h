#pragma once

#include <QFrame>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QUrl>

#include <functional>

class QButtonGroup;

namespace dewscope {

// The help panel: a raised panel floating over the main window's figures, like a drop-down of
// the help key, with one option per manual language. Choosing a language closes the panel and
// opens that manual with the desktop's viewer for PDF files. Whether the desktop has one is asked
// first (its default program for application/pdf, through xdg-mime, and the program its desktop
// entry runs); without one, or when the viewer does not start, a message says where the manual
// lies.
class HelpPanel : public QFrame
{
    Q_OBJECT

public:
    explicit HelpPanel(QWidget *host);

    // The folder the manuals' "help" folder sits in (the program's folder by default) and how a
    // manual is opened (the desktop's default viewer by default).
    void setProgramDir(const QString &dir) { m_programDir = dir; }
    QString programDir() const { return m_programDir; }
    void setUrlOpener(std::function<bool(const QUrl &)> opener);

    // Shows the panel at the top right of its host, below the given y.
    void showBelow(int y);
    // Hides the panel; an option keeps no keyboard focus, so Space cannot open a manual again.
    void dismiss();
    // Puts a visible panel back in its place after the host was resized.
    void keepPlace();

private:
    void openManual(int option);
    void showManual(const QString &path, const QString &viewer);

    QButtonGroup *m_options = nullptr;
    int m_top = 0;
    QString m_programDir;
    std::function<bool(const QUrl &)> m_urlOpener;
    QPointer<QProcess> m_viewerQuery; // the desktop's PDF viewer is being asked for
};

} // namespace dewscope
