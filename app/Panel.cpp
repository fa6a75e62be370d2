#include "app/Panel.h"

#include "app/Artwork.h"
#include "app/PanelText.h"
#include "memory/MemoryImage.h"
#include "meter/SharedState.h"
#include "meter/MeterLink.h"
#include "meter/Poll.h"
#include "recording/Recorder.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace dewscope {

namespace {

// The named faces where installed, else their metric-compatible stand-ins.
QFont sansFont(int pointSize, bool bold = true)
{
    QFont font(QStringLiteral("Arial"));
    font.setFamilies({ QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                       QStringLiteral("DejaVu Sans") });
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

QFont serifFont(int pointSize)
{
    QFont font(QStringLiteral("Times New Roman"));
    font.setFamilies({ QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                       QStringLiteral("DejaVu Serif") });
    font.setStyleHint(QFont::Serif);
    font.setPointSize(pointSize);
    font.setBold(true);
    return font;
}

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

Panel::Panel(SharedState *state, MeterLink *link, Poll *poll, Recorder *recorder, QWidget *parent)
    : QMainWindow(parent)
    , m_state(state)
    , m_link(link)
    , m_poll(poll)
    , m_recorder(recorder)
    , m_programDir(QCoreApplication::applicationDirPath())
    , m_urlOpener([](const QUrl &url) { return QDesktopServices::openUrl(url); })
{
    setObjectName(QStringLiteral("Panel"));
    setWindowTitle(panel::caption());
    setWindowIcon(artwork::applicationIcon());

    buildToolbar();

    auto *central = new QWidget;
    central->setObjectName(QStringLiteral("PanelBody"));
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_meterName = new QLabel(QStringLiteral("Datalogging Humidity-Temperature Meter"));
    m_meterName->setObjectName(QStringLiteral("MeterName"));
    m_meterName->setFont(sansFont(12));
    m_meterName->setAlignment(Qt::AlignCenter);
    m_meterName->setStyleSheet(titleStripStyle);
    m_meterName->setContentsMargins(6, 3, 6, 3);
    column->addWidget(m_meterName);
    column->addWidget(buildValues(), 1);
    column->addWidget(buildStatusStrip());
    column->addWidget(buildMemoryPanel());
    setCentralWidget(central);
    buildHelpPanel(central);

    m_sspMemory->hide();
    m_sspHelp->hide();
    showUnitSign();

    if (m_poll) {
        connect(m_poll, &Poll::readingDecoded, this, &Panel::showReading);
        connect(m_poll, &Poll::meterSilent, this,
                [this] { m_lblCOM->setText(QStringLiteral("No COM")); });
        connect(m_poll, &Poll::blinkToggled, this,
                [this](bool visible) { m_lblCOM->setVisible(visible); });
        connect(m_poll, &Poll::meterBack, this, [this](int number) {
            m_lblCOM->setText(panel::portLabel(number));
            m_lblCOM->setVisible(true);
        });
    }
    applyHeight();
}

Panel::~Panel() = default;

void Panel::buildToolbar()
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
    };

    m_toolbar = new QToolBar(QStringLiteral("Toolbar1"));
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_toolbar->setIconSize(QSize(24, 24));
    m_toolbar->toggleViewAction()->setEnabled(false);
    addToolBar(Qt::TopToolBarArea, m_toolbar);

    for (const ToolbarButton &b : buttons) {
        const QString key = QString::fromLatin1(b.key);
        auto *action = new QAction(artwork::toolbarImage(b.image), key, this);
        action->setObjectName(key);
        action->setData(key);
        action->setToolTip(QString::fromLatin1(b.toolTip));
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
    connect(saveKey, &QShortcut::activated, this, &Panel::saveFromKeyboard);

    m_stopImage = m_buttons.at(5)->icon();
    m_saveImage = m_buttons.at(6)->icon();
    // Stop and As only keep their pictures for button 1; the user never sees or clicks them.
    for (int index : { 6, 7 }) {
        m_buttons.at(index - 1)->setVisible(false);
        m_buttons.at(index - 1)->setEnabled(false);
    }
}

QWidget *Panel::buildValues()
{
    auto *area = new QWidget;
    area->setObjectName(QStringLiteral("Values"));
    area->setAutoFillBackground(true);
    QPalette palette = area->palette();
    palette.setColor(QPalette::Window, Qt::white);
    area->setPalette(palette);

    const QFont temperatureFont = sansFont(60);
    const QFont humidityFont = sansFont(48);
    const QFont smallFont = sansFont(24);

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

QWidget *Panel::buildStatusStrip()
{
    auto *strip = new QWidget;
    strip->setObjectName(QStringLiteral("StatusStrip"));
    strip->setAttribute(Qt::WA_StyledBackground);
    strip->setStyleSheet(
        QStringLiteral("#StatusStrip { %1 } QLabel { color: white; }").arg(statusStripStyle));

    m_lblCOM = new QLabel(QStringLiteral("No COM"));
    m_lblCOM->setObjectName(QStringLiteral("LblCOM"));
    m_lblCOM->setFont(serifFont(24));
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
    m_lblRec->setFont(sansFont(14));
    m_lblRec->setStyleSheet(QStringLiteral("color: #ff5050;"));
    m_lblRec->hide();
    QSizePolicy recRoom = m_lblRec->sizePolicy();
    recRoom.setRetainSizeWhenHidden(true);
    m_lblRec->setSizePolicy(recRoom);

    m_lblCount = new QLabel;
    m_lblCount->setObjectName(QStringLiteral("LblCount"));
    m_lblCount->setFont(sansFont(12));
    m_lblFileName = new QLabel;
    m_lblFileName->setObjectName(QStringLiteral("LblFileName"));
    m_lblFileName->setFont(sansFont(10, false));
    m_lblFileName->setTextFormat(Qt::PlainText);
    m_lblFileName->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *row = new QHBoxLayout(strip);
    row->setContentsMargins(12, 2, 12, 2);
    row->setSpacing(12);
    row->addWidget(m_lblCOM);
    row->addWidget(m_lblRec);
    row->addWidget(m_lblCount);
    row->addWidget(m_lblFileName, 1);
    return strip;
}

QWidget *Panel::buildMemoryPanel()
{
    m_sspMemory = new QFrame;
    m_sspMemory->setObjectName(QStringLiteral("SSPMemory"));
    m_sspMemory->setFrameShape(QFrame::StyledPanel);
    m_sspMemory->setFrameShadow(QFrame::Raised);

    auto *title = new QLabel(QStringLiteral("Input No.s of Set and press Enter to Load"));
    title->setObjectName(QStringLiteral("SSPMemTitle"));
    title->setFont(sansFont(11));
    m_btnMemoryClose = new QPushButton(QStringLiteral("X"));
    m_btnMemoryClose->setObjectName(QStringLiteral("BtnMemoryClose"));
    m_btnMemoryClose->setFixedWidth(32);
    m_btnMemoryClose->setAutoDefault(false);
    connect(m_btnMemoryClose, &QPushButton::clicked, this, [this] { sspMemoryShow(false); });

    auto panelBox = [](const QString &name, const QString &caption, QWidget *content) {
        auto *box = new QFrame;
        box->setObjectName(name);
        box->setFrameShape(QFrame::StyledPanel);
        box->setFrameShadow(QFrame::Sunken);
        auto *layout = new QVBoxLayout(box);
        layout->setContentsMargins(6, 3, 6, 3);
        layout->setSpacing(2);
        auto *label = new QLabel(caption);
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
        layout->addWidget(content);
        return box;
    };

    m_txtSet = new QLineEdit;
    m_txtSet->setObjectName(QStringLiteral("TxtSet"));
    m_txtSet->setAlignment(Qt::AlignCenter);
    m_txtSet->setFont(sansFont(14));
    m_txtSet->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_txtSet));
    m_txtSet->setContextMenuPolicy(Qt::NoContextMenu); // no pasting past the key filter
    m_txtSet->setAcceptDrops(false);
    m_txtSet->installEventFilter(this);

    m_lblStart = new QLabel;
    m_lblStart->setObjectName(QStringLiteral("LblStart"));
    m_lblEnd = new QLabel;
    m_lblEnd->setObjectName(QStringLiteral("LblEnd"));
    for (QLabel *label : { m_lblStart, m_lblEnd }) {
        label->setFont(sansFont(14));
        label->setAlignment(Qt::AlignCenter);
    }

    auto *head = new QHBoxLayout;
    head->addWidget(title, 1);
    head->addWidget(m_btnMemoryClose);
    auto *boxes = new QHBoxLayout;
    boxes->addWidget(panelBox(QStringLiteral("SSPanel3"), QStringLiteral("No.s of Set"), m_txtSet),
                     1);
    boxes->addWidget(
        panelBox(QStringLiteral("SSPanel1"), QStringLiteral("Starting Time"), m_lblStart), 1);
    boxes->addWidget(panelBox(QStringLiteral("SSPanel2"), QStringLiteral("Ending Time"), m_lblEnd),
                     1);
    auto *layout = new QVBoxLayout(m_sspMemory);
    layout->setContentsMargins(8, 4, 8, 6);
    layout->setSpacing(4);
    layout->addLayout(head);
    layout->addLayout(boxes);
    return m_sspMemory;
}

void Panel::buildHelpPanel(QWidget *host)
{
    static const char *const languages[panel::HelpLanguageCount]
        = { "English", "Portuguese", "German", "Spanish", "French", "Italian" };

    // A raised panel floating over the figures, like a drop-down of the help button.
    m_sspHelp = new QFrame(host);
    m_sspHelp->setObjectName(QStringLiteral("SSPhelp"));
    m_sspHelp->setFrameShape(QFrame::Panel);
    m_sspHelp->setFrameShadow(QFrame::Raised);
    m_sspHelp->setLineWidth(2);
    m_sspHelp->setAutoFillBackground(true);

    auto *layout = new QVBoxLayout(m_sspHelp);
    layout->setContentsMargins(10, 6, 10, 8);
    layout->setSpacing(2);
    auto *title = new QLabel(QStringLiteral("Help"));
    title->setFont(sansFont(11));
    auto *hide = new QPushButton(QStringLiteral("X"));
    hide->setObjectName(QStringLiteral("HelpClose"));
    hide->setToolTip(QStringLiteral("Close"));
    hide->setFixedWidth(28);
    hide->setAutoDefault(false);
    connect(hide, &QPushButton::clicked, this, &Panel::hideHelpPanel);
    auto *head = new QHBoxLayout;
    head->addWidget(title, 1);
    head->addWidget(hide);
    layout->addLayout(head);

    m_option1 = new QButtonGroup(this);
    m_option1->setExclusive(false); // a clicked option is cleared again
    for (int i = 0; i < panel::HelpLanguageCount; ++i) {
        auto *option = new QRadioButton(QString::fromLatin1(languages[i]));
        option->setObjectName(QStringLiteral("Option1_%1").arg(i));
        m_option1->addButton(option, i);
        layout->addWidget(option);
    }
    connect(m_option1, &QButtonGroup::idClicked, this, &Panel::openHelp);
}

void Panel::placeHelpPanel()
{
    if (!m_sspHelp)
        return;
    m_sspHelp->adjustSize();
    const QWidget *host = m_sspHelp->parentWidget();
    const int x = host->width() - m_sspHelp->width() - 8;
    const int y = m_meterName->geometry().bottom() + 4;
    m_sspHelp->move(qMax(0, x), qMax(0, y));
    m_sspHelp->raise();
}

void Panel::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    placeHelpPanel();
}

bool Panel::event(QEvent *event)
{
    // Unit signs are pictures: draw them again for a screen with another pixel ratio.
    if (event->type() == QEvent::ScreenChangeInternal || event->type() == QEvent::Show)
        refreshUnitPictures();
    // A window manager may place the window by its own rules when it maps it: shortly after
    // the first show, the window is moved back to the corner (its frame, not its client area).
    if (m_loaded && event->type() == QEvent::Show && !m_shownFor.isValid()) {
        m_shownFor.start();
        QTimer::singleShot(0, this, &Panel::keepHome);
    } else if (event->type() == QEvent::Move && m_shownFor.isValid()
               && m_shownFor.elapsed() < 2000) {
        QTimer::singleShot(0, this, &Panel::keepHome);
    }
    return QMainWindow::event(event);
}

void Panel::keepHome()
{
    // A few corrections at most: a manager that insists on its own place is not fought.
    if (!isVisible() || frameGeometry().topLeft() == m_home || m_homeCorrections >= 3)
        return;
    ++m_homeCorrections;
    move(m_home);
}

void Panel::refreshUnitPictures()
{
    const qreal ratio = devicePixelRatioF();
    const QFont signFont = sansFont(40);
    m_imaC->setPixmap(artwork::unitSign(true, signFont, valueBlue, ratio));
    m_imaF->setPixmap(artwork::unitSign(false, signFont, valueBlue, ratio));
}

void Panel::showUnitSign()
{
    m_imaC->setVisible(m_state->celsiusMode);
    m_imaF->setVisible(!m_state->celsiusMode);
}

void Panel::applyHeight()
{
    const int twips = m_sspMemory->isVisibleTo(this) ? panel::HeightWithMemoryTwips
                                                     : panel::HeightWithoutMemoryTwips;
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
    // The height is the outer one, title bar and frame included.
    const int frame = isVisible() ? qMax(0, frameGeometry().height() - geometry().height()) : 0;
    // Never below what the contents need, so larger system fonts clip nothing.
    const int wanted = qMax(panel::twipsToPixels(twips, logicalDpiY()) - frame,
                            layout() ? layout()->minimumSize().height() : 0);
    const int width = qMax(this->width(), qMax(minimumSizeHint().width(), 560));
    setFixedHeight(wanted);
    resize(width, wanted);
}

void Panel::sspMemoryShow(bool show)
{
    if (!show) {
        m_sspMemory->setVisible(false);
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
    m_sspMemory->setVisible(true);
    if (m_memoryImage && m_memoryImage->updateSets() != MemoryImage::Fault::None) {
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
        m_lblStart->setText(sets.startTime);
        m_lblEnd->setText(sets.endTime);
        m_txtSet->setText(QString::number(sets.setCount));
    }
    applyHeight();
    setTimers(true);
}

bool Panel::isMemoryPanelVisible() const
{
    return m_sspMemory->isVisibleTo(this);
}

bool Panel::isHelpPanelVisible() const
{
    return m_sspHelp->isVisibleTo(this);
}

void Panel::setUrlOpener(std::function<bool(const QUrl &)> opener)
{
    m_urlOpener = std::move(opener);
}

QAction *Panel::toolbarButton(int index) const
{
    if (index < 1 || index > m_buttons.size())
        return nullptr;
    return m_buttons.at(index - 1);
}

void Panel::load()
{
    if (m_loaded)
        return;
    m_loaded = true;

    if (const QScreen *screen = this->screen())
        m_home = screen->availableGeometry().topLeft();
    move(m_home); // before the first show, so the window is mapped there
    sspMemoryShow(false);
    hideHelpPanel();
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
        m_lblCOM->setText(panel::portLabel(number));
        m_state->meterOnline = true;
    } else {
        goOffline();
    }
    // While offline the recorder's ticks find nothing to do.
    m_recorder->setTimerEnabled(true);
}

void Panel::goOffline()
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

void Panel::showReading()
{
    QFont font = m_lblTemperature->font();
    if (font.pointSize() != 60) {
        font.setPointSize(60);
        m_lblTemperature->setFont(font);
    }
    const panel::ShownTexts shown = panel::shownTexts(m_state->texts, m_state->celsiusMode);
    m_lblTemperature->setText(shown.temperature);
    m_lblDew->setText(shown.dew);
    m_lblWet->setText(shown.wet);
    m_lblRH->setText(shown.humidity);
}

void Panel::runToolbarKey(const QString &key)
{
    if (key == QLatin1String("Save") || key == QLatin1String("Open") || key == QLatin1String("List")
        || key == QLatin1String("Graph") || key == QLatin1String("Sample")) {
        Q_EMIT commandRequested(key);
    } else if (key == QLatin1String("CF")) {
        // The figures follow at the next decoded frame.
        m_state->celsiusMode = !m_state->celsiusMode;
        showUnitSign();
    } else if (key == QLatin1String("help")) {
        m_sspHelp->show();
        placeHelpPanel();
    }
}

void Panel::saveFromKeyboard()
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

void Panel::hideHelpPanel()
{
    // A hidden option must not keep the keyboard focus, or Space would open its manual again.
    QWidget *focus = QApplication::focusWidget();
    if (focus && m_sspHelp->isAncestorOf(focus))
        focus->clearFocus();
    m_sspHelp->hide();
}

void Panel::openHelp(int option)
{
    hideHelpPanel();
    if (QAbstractButton *button = m_option1->button(option))
        button->setChecked(false);
    const QString path = panel::helpManualPath(m_programDir, option);
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

bool Panel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_lblCOM && event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton
            && m_lblCOM->rect().contains(mouse->position().toPoint()))
            setWindowTitle(panel::toggledCaption(windowTitle()));
        return true;
    }
    if (watched == m_txtSet && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (!panel::isSetKeyAccepted(key->key(), key->text()))
            return true;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Q_EMIT setLoadRequested(m_txtSet->text());
            return true;
        }
        return false;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Panel::closeEvent(QCloseEvent *event)
{
    m_closing = true;
    event->accept();
    Q_EMIT closed();
}

} // namespace dewscope
