#include "app/HelpPanel.h"

#include "app/Artwork.h"
#include "app/MainWindowText.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

namespace dewscope {

namespace {

constexpr int ViewerQueryMs = 5000;
// Freedesktop desktops name their default program for a file type; elsewhere the shell knows.
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
constexpr bool AskDesktopForViewer = true;
#else
constexpr bool AskDesktopForViewer = false;
#endif

// Whether the desktop entry of this id (as xdg-mime names the default program for a type) is
// there, not hidden, and runs a program that is installed.
bool desktopEntryRuns(const QString &desktopId)
{
    if (!desktopId.endsWith(QLatin1String(".desktop")))
        return false;
    QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, desktopId);
    const qsizetype dash = desktopId.indexOf(QLatin1Char('-'));
    if (path.isEmpty() && dash > 0) // "vendor-name.desktop" may lie in a folder "vendor"
        path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation,
                                      QString(desktopId).replace(dash, 1, QLatin1Char('/')));
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QString group, exec, tryExec;
    bool hidden = false;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QString entry = line.trimmed();
        if (entry.startsWith(QLatin1Char('[')))
            group = entry;
        else if (group == QLatin1String("[Desktop Entry]")
                 && entry.startsWith(QLatin1String("Exec=")))
            exec = entry.mid(5).section(QLatin1Char(' '), 0, 0).remove(QLatin1Char('"'));
        else if (group == QLatin1String("[Desktop Entry]")
                 && entry.startsWith(QLatin1String("TryExec=")))
            tryExec = entry.mid(8);
        else if (group == QLatin1String("[Desktop Entry]") && entry == QLatin1String("Hidden=true"))
            hidden = true;
    }
    const auto installed
        = [](const QString &program) { return !QStandardPaths::findExecutable(program).isEmpty(); };
    return !hidden && !exec.isEmpty() && installed(exec)
        && (tryExec.isEmpty() || installed(tryExec));
}

} // namespace

HelpPanel::HelpPanel(QWidget *host)
    : QFrame(host)
    , m_programDir(QCoreApplication::applicationDirPath())
    , m_urlOpener([](const QUrl &url) { return QDesktopServices::openUrl(url); })
{
    static const char *const languages[mainwindow::HelpLanguageCount]
        = { "English", "Portuguese", "German", "Spanish", "French", "Italian" };

    setObjectName(QStringLiteral("SSPhelp"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(2);
    setAutoFillBackground(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 8);
    layout->setSpacing(2);
    auto *title = new QLabel(QStringLiteral("Help"));
    title->setFont(artwork::sansFont(11));
    auto *hide = new QPushButton(QStringLiteral("X"));
    hide->setObjectName(QStringLiteral("HelpClose"));
    hide->setToolTip(QStringLiteral("Close"));
    hide->setFixedWidth(28);
    hide->setAutoDefault(false);
    connect(hide, &QPushButton::clicked, this, &HelpPanel::dismiss);
    auto *head = new QHBoxLayout;
    head->addWidget(title, 1);
    head->addWidget(hide);
    layout->addLayout(head);

    m_options = new QButtonGroup(this);
    m_options->setExclusive(false); // a clicked option is cleared again
    for (int i = 0; i < mainwindow::HelpLanguageCount; ++i) {
        auto *option = new QRadioButton(QString::fromLatin1(languages[i]));
        option->setObjectName(QStringLiteral("Option1_%1").arg(i));
        m_options->addButton(option, i);
        layout->addWidget(option);
    }
    connect(m_options, &QButtonGroup::idClicked, this, &HelpPanel::openManual);
}

void HelpPanel::setUrlOpener(std::function<bool(const QUrl &)> opener)
{
    m_urlOpener = std::move(opener);
}

void HelpPanel::showBelow(int y)
{
    m_top = y;
    show();
    keepPlace();
}

void HelpPanel::keepPlace()
{
    adjustSize();
    const QWidget *host = parentWidget();
    move(qMax(0, host->width() - width() - 8), qMax(0, m_top));
    raise();
}

void HelpPanel::dismiss()
{
    QWidget *focus = QApplication::focusWidget();
    if (focus && isAncestorOf(focus))
        focus->clearFocus();
    hide();
}

void HelpPanel::openManual(int option)
{
    dismiss();
    if (QAbstractButton *button = m_options->button(option))
        button->setChecked(false);
    const QString path = mainwindow::helpManualPath(m_programDir, option);
    // A missing manual is passed over in silence; one manual is looked for at a time.
    if (path.isEmpty() || !QFileInfo(path).isFile() || !m_urlOpener || m_viewerQuery)
        return;
    if (!AskDesktopForViewer)
        return showManual(path, QString());
    auto *query = new QProcess(this);
    m_viewerQuery = query;
    connect(query, &QProcess::finished, this, [this, query, path] {
        query->deleteLater();
        showManual(path, QString::fromLocal8Bit(query->readAllStandardOutput()).trimmed());
    });
    connect(query, &QProcess::errorOccurred, this, [this, query, path](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart) // the others end in finished()
            return;
        query->deleteLater();
        showManual(path, QString());
    });
    QTimer::singleShot(ViewerQueryMs, query, &QProcess::kill);
    query->start(
        QStringLiteral("xdg-mime"),
        { QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("application/pdf") });
}

void HelpPanel::showManual(const QString &path, const QString &viewer)
{
    if ((!AskDesktopForViewer || desktopEntryRuns(viewer.section(QLatin1Char('\n'), 0, 0)))
        && m_urlOpener(QUrl::fromLocalFile(path)))
        return;
    auto *box = new QMessageBox(QMessageBox::Information, QApplication::applicationDisplayName(),
                                QStringLiteral("No program to show PDF files was found on this "
                                               "system.\nThe manual is the file:\n%1")
                                    .arg(QDir::toNativeSeparators(path)),
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("NoPdfViewerMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace dewscope
