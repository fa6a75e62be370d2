#include "app/HelpPanel.h"

#include "app/Artwork.h"
#include "app/MainWindowText.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace dewscope {

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
    // A missing manual is passed over in silence.
    if (path.isEmpty() || !QFileInfo(path).isFile() || !m_urlOpener)
        return;
    if (!m_urlOpener(QUrl::fromLocalFile(path))) {
        QMessageBox box(QMessageBox::Information, QApplication::applicationDisplayName(),
                        QStringLiteral("No program to show PDF files was found on this system.\n"
                                       "The manual is the file:\n%1")
                            .arg(QDir::toNativeSeparators(path)),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("NoPdfViewerMessage"));
        box.exec();
    }
}

} // namespace dewscope
