#include "app/MainWindow.h"

#include "alarms/AlarmDesk.h"
#include "alarms/AlarmStrip.h"
#include "app/Artwork.h"
#include "app/HelpPanel.h"
#include "app/MainWindowText.h"
#include "app/MemoryPanel.h"
#include "desktop/ShortcutTip.h"
#include "desktop/WindowPlacement.h"
#include "memory/MemoryImage.h"
#include "meter/MeterLink.h"
#include "meter/Poll.h"
#include "meter/SharedState.h"
#include "recording/Recorder.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace dewscope {

namespace {

const QColor valueBlue(0, 0, 200);
const QColor valueRed(200, 0, 0);
const QString titleStripStyle = QStringLiteral("background-color: #1d3557; color: white;");
const QString statusStripStyle = QStringLiteral("background-color: #22303f; color: white;");

QLabel *valueLabel(const QFont &font, const QColor &color, const QString &widest)
{
    auto *label = new QLabel;
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Room for the widest figure, so the layout does not move as the values change.
    label->setMinimumWidth(QFontMetrics(font).horizontalAdvance(widest) + 4);
    return label;
}

struct ToolbarButton
{
    const char *key;
    const char *toolTip;
    int image;
    QKeySequence shortcut;
};

} // namespace

MainWindow::MainWindow(SharedState *state, MeterLink *link, Poll *poll, Recorder *recorder,
                       QWidget *parent)
    : QMainWindow(parent)
    , m_state(state)
    , m_link(link)
    , m_poll(poll)
    , m_recorder(recorder)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(mainwindow::caption());
    setWindowIcon(artwork::applicationIcon());

    buildToolbar();

    auto *central = new QWidget;
    central->setObjectName(QStringLiteral("PanelBody"));
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_meterName = new QLabel(QStringLiteral("Datalogging Humidity-Temperature Meter"));
    m_meterName->setObjectName(QStringLiteral("MeterName"));
    m_meterName->setFont(artwork::sansFont(12));
    m_meterName->setAlignment(Qt::AlignCenter);
    m_meterName->setStyleSheet(titleStripStyle);
    m_meterName->setContentsMargins(6, 3, 6, 3);
    column->addWidget(m_meterName);
    column->addWidget(buildValues(), 1);
    column->addWidget(buildAlarms());
    column->addWidget(buildStatusStrip());
    m_memoryPanel = new MemoryPanel;
    connect(m_memoryPanel, &MemoryPanel::closeRequested, this, [this] { showMemoryPanel(false); });
    connect(m_memoryPanel, &MemoryPanel::setLoadRequested, this, &MainWindow::setLoadRequested);
    column->addWidget(m_memoryPanel);
    setCentralWidget(central);
    m_helpPanel = new HelpPanel(central);

    m_memoryPanel->hide();
    m_helpPanel->hide();
    showUnitSign();

    if (m_poll) {
        connect(m_poll, &Poll::readingDecoded, this, &MainWindow::showReading);
        connect(m_poll, &Poll::meterSilent, this,
                [this] { m_lblCOM->setText(QStringLiteral("No COM")); });
        connect(m_poll, &Poll::blinkToggled, this,
                [this](bool visible) { m_lblCOM->setVisible(visible); });
        connect(m_poll, &Poll::meterBack, this, [this](int number) {
            m_lblCOM->setText(mainwindow::portLabel(number));
            m_lblCOM->setVisible(true);
        });
    }
    applyHeight();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildToolbar()
{
    static const ToolbarButton buttons[ToolbarButtonCount] = {
        { "Save", "Save As", 1, QKeySequence() }, // Ctrl+S: saveFromKeyboard
        { "Open", "Open File", 2, QKeySequence::Open },
        { "List", "List Display", 3, QKeySequence(Qt::CTRL | Qt::Key_L) },
        { "Graph", "Graphic Display", 4, QKeySequence(Qt::CTRL | Qt::Key_G) },
        { "Sample", "PC Sampling", 5, QKeySequence(Qt::CTRL | Qt::Key_T) },
        { "Stop", "Stop Recording", 6, QKeySequence() },
        { "As", "Save As", 7, QKeySequence() },
        { "CF", "Cel Far", 9, QKeySequence(Qt::CTRL | Qt::Key_U) },
        { "help", "Help...", 10, QKeySequence(QKeySequence::HelpContents) },
        { "Alarms", "Alarms", 11, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A) },
        { "Publish", "Publish to MQTT", 12, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P) },
    };

    m_toolbar = new QToolBar(QStringLiteral("Toolbar1"));
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_toolbar->setIconSize(QSize(24, 24));
    m_toolbar->toggleViewAction()->setEnabled(false);
    addToolBar(Qt::TopToolBarArea, m_toolbar);

    for (int index = 0; index < ToolbarButtonCount; ++index) {
        const ToolbarButton &b = buttons[index];
        const QString key = QString::fromLatin1(b.key);
        auto *action = new QAction(artwork::toolbarImage(b.image), key, this);
        action->setObjectName(key);
        action->setData(key);
        // Save's Ctrl+S is a shortcut of its own, which asks before it stops a recording.
        const QKeySequence keys = index == 0 ? QKeySequence(QKeySequence::Save) : b.shortcut;
        action->setToolTip(shortcutTip(QString::fromLatin1(b.toolTip), keys));
        if (!b.shortcut.isEmpty()) {
            action->setShortcut(b.shortcut);
            action->setShortcutContext(Qt::WindowShortcut);
        }
        connect(action, &QAction::triggered, this, [this, key] { runToolbarKey(key); });
        m_toolbar->addAction(action);
        m_buttons << action;
    }
    // A reflexive Ctrl+S must not end a long recording: the key asks first, the click does not.
    auto *saveKey = new QShortcut(QKeySequence::Save, this);
    saveKey->setContext(Qt::WindowShortcut);
    connect(saveKey, &QShortcut::activated, this, &MainWindow::saveFromKeyboard);

    m_stopImage = m_buttons.at(5)->icon();
    m_saveImage = m_buttons.at(6)->icon();
    // Stop and As only keep their pictures for button 1; the user never sees or clicks them.
    for (int index : { 6, 7 }) {
        m_buttons.at(index - 1)->setVisible(false);
        m_buttons.at(index - 1)->setEnabled(false);
    }
}

QWidget *MainWindow::buildValues()
{
    auto *area = new QWidget;
    area->setObjectName(QStringLiteral("Values"));
    area->setAutoFillBackground(true);
    QPalette palette = area->palette();
    palette.setColor(QPalette::Window, Qt::white);
    area->setPalette(palette);

    const QFont temperatureFont = artwork::sansFont(60);
    const QFont humidityFont = artwork::sansFont(48);
    const QFont smallFont = artwork::sansFont(24);

    m_lblTemperature = valueLabel(temperatureFont, valueBlue, QStringLiteral("-888.8"));
    m_lblTemperature->setObjectName(QStringLiteral("LblTemperature"));
    m_imaC = new QLabel;
    m_imaC->setObjectName(QStringLiteral("ImaC"));
    m_imaF = new QLabel;
    m_imaF->setObjectName(QStringLiteral("ImaF"));
    for (QLabel *sign : { m_imaC, m_imaF })
        sign->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    refreshUnitPictures();

    m_lblRH = valueLabel(humidityFont, valueBlue, QStringLiteral("188.8"));
    m_lblRH->setObjectName(QStringLiteral("LblRH"));
    m_unitRH = new QLabel(QStringLiteral("%RH"));
    m_unitRH->setObjectName(QStringLiteral("UnitRH"));
    m_unitRH->setFont(humidityFont);
    m_unitRH->setPalette(m_lblRH->palette());

    m_lblDew = valueLabel(smallFont, valueRed, QStringLiteral("-888.8"));
    m_lblDew->setObjectName(QStringLiteral("LblDew"));
    m_unitDew = new QLabel(QStringLiteral("Dew"));
    m_unitDew->setObjectName(QStringLiteral("UnitDew"));
    m_unitDew->setFont(smallFont);
    m_unitDew->setPalette(m_lblDew->palette());
    m_lblWet = valueLabel(smallFont, valueRed, QStringLiteral("-888.8"));
    m_lblWet->setObjectName(QStringLiteral("LblWet"));
    m_label1 = new QLabel(QStringLiteral("Wet"));
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setFont(smallFont);
    m_label1->setPalette(m_lblWet->palette());

    auto *grid = new QGridLayout(area);
    grid->setContentsMargins(12, 2, 12, 4);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(0);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(3, 1);

    auto *signs = new QHBoxLayout;
    signs->setContentsMargins(0, 0, 0, 0);
    signs->addWidget(m_imaC);
    signs->addWidget(m_imaF);
    grid->addWidget(m_lblTemperature, 0, 1);
    grid->addLayout(signs, 0, 2);
    grid->addWidget(m_lblRH, 1, 1);
    grid->addWidget(m_unitRH, 1, 2);

    auto *small = new QHBoxLayout;
    small->setSpacing(8);
    small->addStretch(1);
    small->addWidget(m_lblDew);
    small->addWidget(m_unitDew);
    small->addSpacing(24);
    small->addWidget(m_lblWet);
    small->addWidget(m_label1);
    small->addStretch(1);
    grid->addLayout(small, 2, 0, 1, 4);
    return area;
}

QWidget *MainWindow::buildStatusStrip()
{
    auto *strip = new QWidget;
    strip->setObjectName(QStringLiteral("StatusStrip"));
    strip->setAttribute(Qt::WA_StyledBackground);
    strip->setStyleSheet(
        QStringLiteral("#StatusStrip { %1 } QLabel { color: white; }").arg(statusStripStyle));

    m_lblCOM = new QLabel(QStringLiteral("No COM"));
    m_lblCOM->setObjectName(QStringLiteral("LblCOM"));
    m_lblCOM->setFont(artwork::serifFont(24));
    m_lblCOM->setCursor(Qt::PointingHandCursor);
    m_lblCOM->installEventFilter(this);
    // Blinking must not shift the labels beside it.
    QSizePolicy keepRoom = m_lblCOM->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    m_lblCOM->setSizePolicy(keepRoom);
    m_lblCOM->setMinimumWidth(
        QFontMetrics(m_lblCOM->font()).horizontalAdvance(QStringLiteral("Offline Mode")) + 4);

    m_lblRec = new QLabel(QStringLiteral("Rec"));
    m_lblRec->setObjectName(QStringLiteral("LblRec"));
    m_lblRec->setFont(artwork::sansFont(14));
    m_lblRec->setStyleSheet(QStringLiteral("color: #ff5050;"));
    m_lblRec->hide();
    QSizePolicy recRoom = m_lblRec->sizePolicy();
    recRoom.setRetainSizeWhenHidden(true);
    m_lblRec->setSizePolicy(recRoom);

    m_lblCount = new QLabel;
    m_lblCount->setObjectName(QStringLiteral("LblCount"));
    m_lblCount->setFont(artwork::sansFont(12));
    m_lblFileName = new QLabel;
    m_lblFileName->setObjectName(QStringLiteral("LblFileName"));
    m_lblFileName->setFont(artwork::sansFont(10, false));
    m_lblFileName->setTextFormat(Qt::PlainText);
    m_lblFileName->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *row = new QHBoxLayout(strip);
    row->setContentsMargins(12, 2, 12, 2);
    row->setSpacing(12);
    row->addWidget(m_lblCOM);
    row->addWidget(m_lblRec);
    row->addWidget(m_lblCount);
    row->addWidget(m_lblFileName, 1);
    m_lblPublish = new QLabel;
    m_lblPublish->setObjectName(QStringLiteral("LblPublish"));
    m_lblPublish->setFont(artwork::sansFont(10, false));
    m_lblPublish->setTextFormat(Qt::PlainText);
    m_lblPublish->hide();
    row->addWidget(m_lblPublish);
    return strip;
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_helpPanel->isVisible())
        m_helpPanel->keepPlace();
}

bool MainWindow::event(QEvent *event)
{
    // Unit signs are pictures: draw them again for a screen with another pixel ratio.
    if (event->type() == QEvent::ScreenChangeInternal || event->type() == QEvent::Show)
        refreshUnitPictures();
    // The height is the outer one: once the window manager has framed the window (or framed it
    // anew), the client area gives up the frame's height.
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize)
        && frameGeometry().height() - geometry().height() != m_heightFrame)
        QTimer::singleShot(0, this, &MainWindow::applyHeight);
    return QMainWindow::event(event);
}

void MainWindow::refreshUnitPictures()
{
    const qreal ratio = devicePixelRatioF();
    const QFont signFont = artwork::sansFont(40);
    m_imaC->setPixmap(artwork::unitSign(true, signFont, valueBlue, ratio));
    m_imaF->setPixmap(artwork::unitSign(false, signFont, valueBlue, ratio));
}

void MainWindow::showUnitSign()
{
    m_imaC->setVisible(m_state->celsiusMode);
    m_imaF->setVisible(!m_state->celsiusMode);
}

void MainWindow::applyHeight()
{
    const int twips = m_memoryPanel->isVisibleTo(this) ? mainwindow::HeightWithMemoryTwips
                                                       : mainwindow::HeightWithoutMemoryTwips;
    // The layouts learn of a panel just shown or hidden only when their next request is
    // handled: measure them afresh, or a closed panel would still count.
    if (QLayout *column = centralWidget() ? centralWidget()->layout() : nullptr) {
        column->invalidate();
        column->activate();
    }
    if (layout()) {
        layout()->invalidate();
        layout()->activate();
    }
    // The height is the outer one, title bar and frame included (none before the window is
    // framed; event() applies the height again once it is).
    const int frame = qMax(0, frameGeometry().height() - geometry().height());
    m_heightFrame = frame;
    // Never below what the contents need, so larger system fonts clip nothing.
    // An alarm strip adds its own height, so the figures keep theirs.
    const int strip = m_alarmStrip && m_alarmStrip->isVisibleTo(this)
        ? m_alarmStrip->sizeHint().height()
        : 0;
    const int wanted = qMax(mainwindow::twipsToPixels(twips, logicalDpiY()) - frame + strip,
                            layout() ? layout()->minimumSize().height() : 0);
    const int width = qMax(this->width(), qMax(minimumSizeHint().width(), 560));
    setFixedHeight(wanted);
    resize(width, wanted);
}

void MainWindow::showMemoryPanel(bool show)
{
    if (!show) {
        m_memoryPanel->setVisible(false);
        applyHeight();
        return;
    }
    // Poll and recorder stand still while the panel is prepared.
    const auto setTimers = [this](bool enabled) {
        if (m_poll)
            m_poll->setEnabled(enabled);
        if (m_recorder)
            m_recorder->setTimerEnabled(enabled);
    };
    setTimers(false);
    m_memoryPanel->setVisible(true);
    if (m_memoryImage && m_memoryImage->updateSets() != MemoryImage::Fault::None) {
        applyHeight(); // the panel shows, with the values it showed before
        setTimers(true);
        auto *box = new QMessageBox(QMessageBox::Critical, QCoreApplication::applicationName(),
                                    MemoryImage::faultTitle() + QLatin1Char('\n')
                                        + MemoryImage::faultAdvice(),
                                    QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("MemoryFaultMessage"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    if (m_memoryImage) {
        const MemorySets &sets = m_memoryImage->sets();
        m_memoryPanel->showSets(sets.startTime, sets.endTime, sets.setCount);
    }
    applyHeight();
    setTimers(true);
}

bool MainWindow::isMemoryPanelVisible() const
{
    return m_memoryPanel->isVisibleTo(this);
}

bool MainWindow::isHelpPanelVisible() const
{
    return m_helpPanel->isVisibleTo(this);
}

QAction *MainWindow::toolbarButton(int index) const
{
    if (index < 1 || index > m_buttons.size())
        return nullptr;
    return m_buttons.at(index - 1);
}

void MainWindow::load()
{
    if (m_loaded)
        return;
    m_loaded = true;

    // Before the first show, so the window is mapped there; a window manager that places it
    // by its own rules is corrected shortly after.
    if (const QScreen *screen = this->screen())
        WindowPlacement::place(this, screen->availableGeometry().topLeft());
    showMemoryPanel(false);
    m_helpPanel->dismiss();
    m_recorder->loadDefaults();
    m_state->celsiusMode = true;
    showUnitSign();
    m_recorder->resetRecordTime();
    m_poll->setEnabled(true);

    bool opened = false;
    const int number = m_state->comPortNumber;
    if (number >= 1 && number <= 16) {
        if (m_link->isOpen())
            m_link->close(); // the port number is set while the port is closed
        m_link->setCommPort(number);
        if (m_link->setSettings(QStringLiteral("9600,n,8,1")))
            opened = m_link->isOpen() || m_link->open() == MeterLink::NoError;
    }
    if (opened) {
        m_lblCOM->setText(mainwindow::portLabel(number));
        m_state->meterOnline = true;
    } else {
        goOffline();
    }
    // While offline the recorder's ticks find nothing to do.
    m_recorder->setTimerEnabled(true);
}

void MainWindow::goOffline()
{
    m_state->meterOnline = false;
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                    QStringLiteral("No device available !"), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("NoDeviceMessage"));
    box.exec();
    if (m_closing)
        return;
    m_state->meterOnline = false;
    m_lblCOM->setText(QStringLiteral("Offline Mode"));
    m_lblCOM->setVisible(true);
    for (int i = 1; i <= m_buttons.size(); ++i)
        m_buttons.at(i - 1)->setEnabled(i == 2 || i == 9);
}

void MainWindow::showReading()
{
    QFont font = m_lblTemperature->font();
    if (font.pointSize() != 60) {
        font.setPointSize(60);
        m_lblTemperature->setFont(font);
    }
    const mainwindow::ShownTexts shown
        = mainwindow::shownTexts(m_state->texts, m_state->celsiusMode);
    m_lblTemperature->setText(shown.temperature);
    m_lblDew->setText(shown.dew);
    m_lblWet->setText(shown.wet);
    m_lblRH->setText(shown.humidity);
}

void MainWindow::runToolbarKey(const QString &key)
{
    if (key == QLatin1String("Save") || key == QLatin1String("Open") || key == QLatin1String("List")
        || key == QLatin1String("Graph") || key == QLatin1String("Sample")
        || key == QLatin1String("Publish")) {
        Q_EMIT commandRequested(key);
    } else if (key == QLatin1String("CF")) {
        // The figures follow at the next decoded frame.
        m_state->celsiusMode = !m_state->celsiusMode;
        showUnitSign();
    } else if (key == QLatin1String("help")) {
        m_helpPanel->showBelow(m_meterName->geometry().bottom() + 4);
    } else if (key == QLatin1String("Alarms") && m_alarmDesk) {
        m_alarmDesk->showDialog();
    }
}

void MainWindow::saveFromKeyboard()
{
    QAction *button = m_buttons.at(0);
    if (!button->isEnabled())
        return;
    if (m_recorder && m_recorder->isRecording()) {
        QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(),
                        QStringLiteral("A recording is running.\nStop recording?"),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setObjectName(QStringLiteral("StopRecordingQuestion"));
        box.setDefaultButton(QMessageBox::No);
        // The recording may have ended by itself meanwhile: then the key starts nothing.
        if (box.exec() != QMessageBox::Yes || !m_recorder || !m_recorder->isRecording())
            return;
    }
    runToolbarKey(QStringLiteral("Save"));
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_lblCOM && event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton
            && m_lblCOM->rect().contains(mouse->position().toPoint()))
            setWindowTitle(mainwindow::toggledCaption(windowTitle()));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Quitting ends a running recording: the user says so first. The question does not hold
    // up the event loop; its Yes closes the window again.
    if (!m_quitConfirmed && m_recorder && m_recorder->isRecording()) {
        event->ignore();
        askStopAndQuit();
        return;
    }
    m_closing = true;
    event->accept();
    Q_EMIT closed();
}

void MainWindow::askStopAndQuit()
{
    if (m_quitQuestion) {
        m_quitQuestion->raise();
        m_quitQuestion->activateWindow();
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Question, QApplication::applicationDisplayName(),
                                QStringLiteral("A recording is running.\nStop recording and quit?"),
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setObjectName(QStringLiteral("QuitRecordingQuestion"));
    box->setDefaultButton(QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_quitQuestion = box;
    connect(box, &QMessageBox::finished, this, [this](int answer) {
        if (answer != QMessageBox::Yes)
            return;
        m_quitConfirmed = true;
        close();
    });
    box->open();
}

} // namespace dewscope
