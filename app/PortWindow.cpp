#include "app/PortWindow.h"

#include "app/Artwork.h"
#include "app/MainWindowText.h"
#include "app/PortChoice.h"
#include "app/SerialPortsDialog.h"
#include "meter/MeterLink.h"
#include "meter/PortMap.h"
#include "meter/SharedState.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

namespace dewscope {

PortWindow::PortWindow(SharedState *state, PortMap *ports, QWidget *parent)
    : QDialog(parent)
    , m_state(state)
    , m_ports(ports)
    , m_scanLink(new MeterLink(ports, this))
{
    setObjectName(QStringLiteral("Port"));
    setWindowTitle(QStringLiteral("COM Port"));
    setWindowIcon(artwork::applicationIcon());
    setModal(false);

    m_txtCOM = new QComboBox;
    m_txtCOM->setObjectName(QStringLiteral("TxtCOM"));
    m_txtCOM->setEditable(true);
    m_txtCOM->setInsertPolicy(QComboBox::NoInsert); // a typed name is read, not added
    m_txtCOM->setMinimumContentsLength(10);

    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("ScanStatus"));
    m_status->setWordWrap(true);

    m_progressBar1 = new QProgressBar;
    m_progressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar1->setRange(0, PortMap::PortCount);
    m_progressBar1->setValue(0);
    m_progressBar1->setTextVisible(false);

    m_btnReset = new QPushButton(QStringLiteral("Reset"));
    m_btnReset->setObjectName(QStringLiteral("BtnReset"));
    m_btnAutoScan = new QPushButton(QStringLiteral("AutoScan"));
    m_btnAutoScan->setObjectName(QStringLiteral("BtnAutoScan"));
    m_btnDeviceManager = new QPushButton(QStringLiteral("Device Manager"));
    m_btnDeviceManager->setObjectName(QStringLiteral("BtnDeviceManager"));
    m_cmdOK = new QPushButton(QStringLiteral("OK"));
    m_cmdOK->setObjectName(QStringLiteral("CmdOK"));
    for (QPushButton *button : { m_btnReset, m_btnAutoScan, m_btnDeviceManager })
        button->setAutoDefault(false);
    m_cmdOK->setDefault(true); // Enter anywhere in the window presses OK

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(14, 12, 14, 12);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    grid->addWidget(m_txtCOM, 0, 0);
    grid->addWidget(m_btnReset, 0, 1);
    grid->addWidget(m_progressBar1, 1, 0);
    grid->addWidget(m_btnAutoScan, 1, 1);
    grid->addWidget(m_status, 2, 0);
    grid->addWidget(m_btnDeviceManager, 2, 1);
    grid->addWidget(m_cmdOK, 3, 1);
    grid->setColumnStretch(0, 1);

    connect(m_btnReset, &QPushButton::clicked, this, &PortWindow::reset);
    connect(m_btnAutoScan, &QPushButton::clicked, this, &PortWindow::autoScan);
    connect(m_btnDeviceManager, &QPushButton::clicked, this, &PortWindow::openDeviceManager);
    connect(m_cmdOK, &QPushButton::clicked, this, &PortWindow::choose);

    // Load: the list as Reset leaves it, then its first entry chosen.
    reset();
    m_txtCOM->setCurrentIndex(0);
    adjustSize();
}

PortWindow::~PortWindow() = default;

void PortWindow::placeOnScreen()
{
    const QScreen *screen = this->screen();
    const QPoint origin = screen ? screen->availableGeometry().topLeft() : QPoint();
    const double dpi = logicalDpiY();
    move(origin
         + QPoint(mainwindow::twipsToPixels(3700, dpi), mainwindow::twipsToPixels(2700, dpi)));
}

void PortWindow::reset()
{
    m_txtCOM->clear();
    m_txtCOM->addItems(allComPortTexts());
    // The box is emptied: adding to an empty list would choose its first entry by itself.
    m_txtCOM->setCurrentIndex(-1);
    m_txtCOM->setEditText(QString());
    m_txtCOM->lineEdit()->setPlaceholderText(QString());
    m_status->clear();
}

void PortWindow::autoScan()
{
    if (m_scanning)
        return;
    m_scanning = true;
    // The scan is short (a missing port fails at once), so the window simply waits for it.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_ports->refresh(); // adapters plugged in since the start are probed too
    m_progressBar1->setMaximum(PortMap::PortCount);
    m_txtCOM->clear();
    const QStringList found = scanPorts(*m_scanLink, [this](int i) {
        m_progressBar1->setValue(i);
        m_progressBar1->repaint();
    });
    m_txtCOM->addItems(found);
    if (found.isEmpty()) {
        // Nothing to select: say so, and leave the box empty so OK cannot pick a dead port
        // by accident (an empty choice starts the main window in offline mode).
        m_txtCOM->setEditText(QString());
        m_txtCOM->lineEdit()->setPlaceholderText(QStringLiteral("No port found"));
        m_status->setText(QStringLiteral("No serial port could be opened. "
                                         "Reset lists COM 1 to 16 again."));
    } else {
        m_txtCOM->setCurrentIndex(0);
        m_status->setText(found.size() == 1 ? QStringLiteral("1 port found.")
                                            : QStringLiteral("%1 ports found.").arg(found.size()));
    }
    QApplication::restoreOverrideCursor();
    m_scanning = false;
}

void PortWindow::openDeviceManager()
{
#ifdef Q_OS_WIN
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(QStringLiteral("C:/WINDOWS/system32/devmgmt.msc")));
#else
    if (!m_deviceList) {
        m_deviceList = new SerialPortsDialog(m_ports, this);
        m_deviceList->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    m_deviceList->refresh();
    m_deviceList->show();
    m_deviceList->raise();
    m_deviceList->activateWindow();
#endif
}

void PortWindow::choose()
{
    if (m_chosen)
        return;
    m_state->comPortNumber = comPortNumberFromText(m_txtCOM->currentText(), m_state->comPortNumber);
    m_chosen = true;
    Q_EMIT accepted();
    close();
}

void PortWindow::reject()
{
    // Escape does not close the window: leaving it ends the program, so that takes the
    // window's own close button.
}

void PortWindow::closeEvent(QCloseEvent *event)
{
    if (m_scanning) {
        event->ignore();
        return;
    }
    if (m_deviceList)
        m_deviceList->close();
    event->accept();
    if (!m_chosen)
        Q_EMIT cancelled();
}

} // namespace dewscope
