#include "summary/SummaryWindow.h"

#include "desktop/ProgramSettings.h"

#include "recording/Recorder.h"
#include "summary/SummaryFormat.h"
#include "summary/SummaryReport.h"
#include "tables/DataListWindow.h"
#include "tables/RecordTableModel.h"
#include "tables/RecordWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>

#include <cmath>

namespace dewscope {

namespace fmt = summaryformat;

namespace {

// A limit box's number, "." or "," as the decimal mark; nothing when it holds none.
std::optional<double> readLimit(QString text)
{
    text = text.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
    bool read = false;
    const double value = QLocale::c().toDouble(text, &read);
    return read && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

// A box's number; nothing when the box is empty, and *ok false when it holds no number.
std::optional<double> boxNumber(const QLineEdit *box, bool *ok)
{
    if (box->text().trimmed().isEmpty())
        return std::nullopt;
    const auto value = readLimit(box->text());
    *ok = *ok && value.has_value();
    return value;
}

// A temperature box's text in the other unit, to two decimals.
QString converted(const QString &text, bool toFahrenheit)
{
    const auto number = readLimit(text);
    if (!number)
        return text;
    const double v = *number;
    QString out = QString::number(toFahrenheit ? v * 9 / 5 + 32 : (v - 32) * 5 / 9, 'f', 2);
    while (out.endsWith(QLatin1Char('0')))
        out.chop(1);
    if (out.endsWith(QLatin1Char('.')))
        out.chop(1);
    return out == QLatin1String("-0") ? QStringLiteral("0") : out;
}

} // namespace

SummaryWindow *SummaryWindow::openFor(RecordWindow *source, bool celsius, Recorder *recorder)
{
    auto *window = source->findChild<SummaryWindow *>(QString(), Qt::FindDirectChildrenOnly);
    if (!window) {
        window = new SummaryWindow(source, celsius, recorder);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

SummaryWindow::SummaryWindow(RecordWindow *source, bool celsius, Recorder *recorder)
    : QWidget(source, Qt::Window)
    , m_source(source)
    , m_table(source->model())
    , m_recorder(recorder)
{
    const QString table = m_table->source().isEmpty() ? source->windowTitle() : m_table->source();
    setWindowTitle(QStringLiteral("Summary - ") + table);
    auto *grid = new QGridLayout(this);
    const auto label = [grid](const QString &text, int row, int column) {
        grid->addWidget(new QLabel(text), row, column);
    };
    label(QStringLiteral("Temperature limits"), 0, 0);
    m_tempLow = addBox("temperatureLow");
    m_tempHigh = addBox("temperatureHigh");
    m_unit = new QComboBox;
    m_unit->setObjectName(QStringLiteral("temperatureUnit"));
    m_unit->addItems({ QString::fromUtf8("°C"), QString::fromUtf8("°F") });
    label(QStringLiteral("Humidity limits"), 1, 0);
    m_rhLow = addBox("humidityLow");
    m_rhHigh = addBox("humidityHigh");
    label(QString::fromUtf8("ΔH (kJ/mol)"), 2, 0);
    m_energy = addBox("activationEnergy");
    m_energy->setPlaceholderText(fmt::limitNumber(SummarySettings::DefaultActivationEnergy));
    for (QLineEdit *box : { m_tempLow, m_rhLow })
        box->setPlaceholderText(QStringLiteral("low"));
    for (QLineEdit *box : { m_tempHigh, m_rhHigh })
        box->setPlaceholderText(QStringLiteral("high"));
    grid->addWidget(m_tempLow, 0, 1);
    grid->addWidget(m_tempHigh, 0, 2);
    grid->addWidget(m_unit, 0, 3);
    grid->addWidget(m_rhLow, 1, 1);
    grid->addWidget(m_rhHigh, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("%")), 1, 3);
    grid->addWidget(m_energy, 2, 1);
    m_minExcursion = addBox("minExcursion");
    m_minExcursion->setPlaceholderText(QStringLiteral("0"));
    m_minExcursion->setToolTip(QStringLiteral(
        "Excursions shorter than this are counted, not listed; time outside counts every second"));
    label(QStringLiteral("Shortest excursion (s)"), 2, 2);
    grid->addWidget(m_minExcursion, 2, 3);
    label(QStringLiteral("Report title"), 3, 0);
    label(QStringLiteral("Location"), 4, 0);
    m_title = new QLineEdit;
    m_title->setObjectName(QStringLiteral("reportTitle"));
    m_title->setPlaceholderText(SummaryReport::Options().title);
    m_location = new QLineEdit;
    m_location->setObjectName(QStringLiteral("reportLocation"));
    m_location->setPlaceholderText(QStringLiteral("e.g. Cold room 4, building B"));
    for (QLineEdit *box : { m_title, m_location })
        connect(box, &QLineEdit::editingFinished, this, &SummaryWindow::reportBoxesChanged);
    grid->addWidget(m_title, 3, 1, 1, 3);
    grid->addWidget(m_location, 4, 1, 1, 3);
    // The first row's date, for a table without dates: remembered with the title and location.
    m_startDate = new QLineEdit;
    m_startDate->setObjectName(QStringLiteral("startDate"));
    m_startDate->setPlaceholderText(QStringLiteral("YYYY-MM-DD, for a table without dates"));
    m_startDate->setToolTip(QStringLiteral("The first row's date, for a table without dates"));
    connect(m_startDate, &QLineEdit::editingFinished, this, &SummaryWindow::apply);
    connect(m_startDate, &QLineEdit::editingFinished, this, &SummaryWindow::reportBoxesChanged);
    label(QStringLiteral("Start date"), 5, 0);
    grid->addWidget(m_startDate, 5, 1, 1, 3);

    // The rows below move down by this many.
    constexpr int Boxes = 3;
    m_message = new QLabel;
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setStyleSheet(QStringLiteral("color: #b00000"));
    grid->addWidget(m_message, 3 + Boxes, 0, 1, 4);
    m_times = new QLabel;
    m_times->setObjectName(QStringLiteral("times"));
    m_times->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(m_times, 4 + Boxes, 0, 1, 4);

    m_channels = new QTableWidget(int(fmt::channelRowLabels().size()), 4);
    m_channels->setObjectName(QStringLiteral("figures"));
    m_channels->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList rows = fmt::channelRowLabels();
    for (QString &row : rows)
        row = row.trimmed();
    m_channels->setVerticalHeaderLabels(rows);
    m_channels->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // Every figure in view without scrolling.
    m_channels->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_channels->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_channels->setMinimumHeight(m_channels->horizontalHeader()->sizeHint().height()
                                 + m_channels->rowCount() * (fontMetrics().height() + 6)
                                 + 2 * m_channels->frameWidth());
    m_channels->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->addWidget(m_channels, 5 + Boxes, 0, 1, 4);

    m_limits = new QTreeWidget;
    m_limits->setObjectName(QStringLiteral("limits"));
    m_limits->setHeaderLabels({ QStringLiteral("Side"), QStringLiteral("Start"),
                                QStringLiteral("End"), QStringLiteral("Duration"),
                                QStringLiteral("Extreme") });
    m_limits->setRootIsDecorated(false);
    grid->addWidget(m_limits, 6 + Boxes, 0, 1, 4);

    auto *save = new QPushButton(QStringLiteral("Save Report..."));
    save->setObjectName(QStringLiteral("saveReport"));
    connect(save, &QPushButton::clicked, this, &SummaryWindow::saveReport);
    grid->addWidget(save, 7 + Boxes, 3);
    grid->setRowStretch(6 + Boxes, 1);
    resize(620, 760);

    loadSettings(celsius);
    loadReportBoxes();
    connect(m_unit, &QComboBox::currentIndexChanged, this, &SummaryWindow::unitChanged);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SummaryWindow::step);
    connect(m_table, &QAbstractItemModel::rowsInserted, this, &SummaryWindow::schedule);
    connect(m_table, &QAbstractItemModel::modelReset, this, &SummaryWindow::restart);
    connect(m_table, &QAbstractItemModel::layoutChanged, this, &SummaryWindow::restart);
    connect(m_table, &QAbstractItemModel::rowsRemoved, this, &SummaryWindow::restart);
    connect(m_table, &QAbstractItemModel::dataChanged, this, &SummaryWindow::restart);
    apply();
}

SummaryWindow::~SummaryWindow()
{
    // A box that loses the focus as the window goes would report an edit to a window half gone.
    for (QLineEdit *box : { m_tempLow, m_tempHigh, m_rhLow, m_rhHigh, m_energy, m_minExcursion,
                            m_title, m_location, m_startDate })
        disconnect(box, nullptr, this, nullptr);
    disconnect(m_unit, nullptr, this, nullptr);
}

QLineEdit *SummaryWindow::addBox(const char *name)
{
    auto *box = new QLineEdit;
    box->setObjectName(QString::fromLatin1(name));
    connect(box, &QLineEdit::editingFinished, this, &SummaryWindow::boxesChanged);
    return box;
}

void SummaryWindow::loadSettings(bool celsius)
{
    const auto store = ProgramSettings::open();
    if (store) {
        store->beginGroup(QStringLiteral("Summary"));
        for (QLineEdit *box : { m_tempLow, m_tempHigh, m_rhLow, m_rhHigh, m_energy, m_minExcursion })
            box->setText(store->value(box->objectName()).toString());
    }
    const bool storedFahrenheit
        = store && store->value(QStringLiteral("temperatureUnit")).toString() == QLatin1String("f");
    // The unit starts as the main window's; limits kept in the other one are converted.
    if (storedFahrenheit == celsius) {
        for (QLineEdit *box : { m_tempLow, m_tempHigh })
            box->setText(converted(box->text(), !celsius));
    }
    m_unit->setCurrentIndex(celsius ? 0 : 1);
}

void SummaryWindow::unitChanged()
{
    const bool fahrenheit = m_unit->currentIndex() == 1;
    for (QLineEdit *box : { m_tempLow, m_tempHigh })
        box->setText(converted(box->text(), fahrenheit));
    boxesChanged();
}

void SummaryWindow::boxesChanged()
{
    if (const auto store = ProgramSettings::open()) {
        store->beginGroup(QStringLiteral("Summary"));
        store->setValue(QStringLiteral("temperatureUnit"),
                        m_unit->currentIndex() == 1 ? QStringLiteral("f") : QStringLiteral("c"));
        for (QLineEdit *box : { m_tempLow, m_tempHigh, m_rhLow, m_rhHigh, m_energy, m_minExcursion })
            store->setValue(box->objectName(), box->text().trimmed());
    }
    apply();
}

void SummaryWindow::apply()
{
    SummarySettings next;
    next.fahrenheit = m_unit->currentIndex() == 1;
    QStringList problems;
    const auto limits = [&problems](QLineEdit *low, QLineEdit *high, const QString &name) {
        bool ok = true;
        const SummaryLimits read { boxNumber(low, &ok), boxNumber(high, &ok) };
        if (ok && !(read.low && read.high && *read.low > *read.high))
            return read;
        problems << (ok ? QStringLiteral("The low %1 limit lies above the high one.")
                        : QStringLiteral("The %1 limits must be numbers."))
                        .arg(name);
        return SummaryLimits();
    };
    next.temperature = limits(m_tempLow, m_tempHigh, QStringLiteral("temperature"));
    next.humidity = limits(m_rhLow, m_rhHigh, QStringLiteral("humidity"));
    bool ok = true;
    const auto energy = boxNumber(m_energy, &ok);
    if (!ok || (energy && (*energy < 1 || *energy > 1000)))
        problems << QString::fromUtf8("ΔH must be a number from 1 to 1000 kJ/mol.");
    else if (energy)
        next.activationEnergy = *energy;
    bool minOk = true;
    const auto minExcursion = boxNumber(m_minExcursion, &minOk);
    if (!minOk || (minExcursion && *minExcursion < 0))
        problems << QStringLiteral("The shortest excursion must be a number of seconds.");
    else if (minExcursion)
        next.minExcursion = *minExcursion;
    const QString date = m_startDate->text().trimmed();
    if (!date.isEmpty()) {
        const QDate start = QDate::fromString(date, Qt::ISODate);
        if (start.isValid() && date.size() == 10)
            next.startDate = start;
        else
            problems << QStringLiteral("The start date must be a date YYYY-MM-DD.");
    }
    m_message->setText(problems.join(QLatin1Char(' ')));
    m_message->setVisible(!problems.isEmpty());

    const auto same = [](const SummaryLimits &a, const SummaryLimits &b) {
        return a.low == b.low && a.high == b.high;
    };
    if (m_figures.records > 0 && same(next.temperature, m_settings.temperature)
        && same(next.humidity, m_settings.humidity) && next.fahrenheit == m_settings.fahrenheit
        && next.activationEnergy == m_settings.activationEnergy
        && next.minExcursion == m_settings.minExcursion && next.startDate == m_settings.startDate)
        return;
    m_settings = next;
    restart();
}

void SummaryWindow::restart()
{
    m_summary = RecordSummary(m_settings);
    m_next = 1;
    m_shown.invalidate();
    m_timer.start(0);
}

void SummaryWindow::schedule()
{
    if (m_timer.isActive())
        return;
    m_timer.start(m_shown.isValid() ? int(qMax<qint64>(0, RefreshMs - m_shown.elapsed())) : 0);
}

bool SummaryWindow::isCurrent() const
{
    return m_table && m_next >= m_table->rows() && !m_timer.isActive();
}

void SummaryWindow::step()
{
    if (!m_table)
        return;
    QElapsedTimer slice;
    slice.start();
    while (m_next < m_table->rows() && slice.elapsed() < SliceMs)
        m_next = m_summary.addRows(*m_table, m_next, 200);
    if (m_next < m_table->rows()) {
        m_timer.start(0);
        return;
    }
    showFigures();
}

void SummaryWindow::catchUp()
{
    m_timer.stop();
    if (m_table)
        m_next = m_summary.addRows(*m_table, m_next);
    showFigures();
}

void SummaryWindow::showFigures()
{
    m_figures = m_summary.figures();
    m_figures.file = m_table ? m_table->source() : QString();
    m_shown.start();
    const SummaryFigures &f = m_figures;
    if (f.dated && m_settings.startDate) {
        m_message->setText(QStringLiteral("The table carries its dates; the start date is not "
                                          "used."));
        m_message->setVisible(true);
    }
    m_times->setText(
        f.records == 0
            ? QStringLiteral("No record with a readable time yet.")
            : QStringLiteral("Records %1     First %2     Last %3     Interval %4     Span %5     "
                             "Gaps %6 (%7)%8")
                  .arg(f.records)
                  .arg(fmt::clockTime(f, f.first, true), fmt::clockTime(f, f.last, true),
                       fmt::duration(f.interval), fmt::duration(f.span))
                  .arg(f.gaps.size())
                  .arg(fmt::duration(f.gapSeconds),
                       f.rowsWithoutTime > 0
                           ? QStringLiteral("     (%1 rows without a time left out)")
                                 .arg(f.rowsWithoutTime)
                           : QString()));
    const QList<SummaryChannel> channels = fmt::shownChannels(m_settings.fahrenheit);
    for (int c = 0; c < channels.size(); ++c) {
        m_channels->setHorizontalHeaderItem(
            c,
            new QTableWidgetItem(fmt::channelName(channels[c]) + QStringLiteral(" (")
                                 + fmt::unit(channels[c]) + QLatin1Char(')')));
        const QStringList column = fmt::channelColumn(f, channels[c]);
        for (int r = 0; r < column.size(); ++r) {
            auto *item = new QTableWidgetItem(column[r]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_channels->setItem(r, c, item);
        }
    }

    m_limits->clear();
    for (const LimitFigures &l : f.limits) {
        auto *head
            = new QTreeWidgetItem(m_limits,
                                  { QStringLiteral("%1 limits: %2")
                                        .arg(fmt::channelName(l.channel), fmt::limitText(l)) });
        head->setFirstColumnSpanned(true);
        QFont bold = head->font(0);
        bold.setBold(true);
        head->setFont(0, bold);
        auto *outside = new QTreeWidgetItem(
            m_limits,
            { QStringLiteral("Below %1, above %2, missing %3; outside %4")
                  .arg(fmt::duration(l.secondsBelow), fmt::duration(l.secondsAbove),
                       fmt::duration(l.secondsMissing), fmt::percentOutside(l)) });
        outside->setFirstColumnSpanned(true);
        const QList<Excursion> shown = fmt::firstExcursions(l.excursions, ShownExcursions);
        for (const Excursion &e : shown) {
            new QTreeWidgetItem(m_limits,
                                { fmt::side(e), fmt::clockTime(f, e.start),
                                  fmt::clockTime(f, e.end), fmt::duration(e.seconds()),
                                  fmt::extreme(e, l.channel) });
        }
        if (l.excursions.size() > shown.size())
            new QTreeWidgetItem(
                m_limits,
                { QStringLiteral("and %1 more").arg(l.excursions.size() - shown.size()) });
    }
    if (f.limits.isEmpty())
        new QTreeWidgetItem(m_limits, { QStringLiteral("No limits set.") });
    Q_EMIT updated();
}

QString SummaryWindow::reportKey() const
{
    const auto file = m_table ? m_table->sourceFile() : std::nullopt;
    if (!file)
        return QString();
    return QStringLiteral("SummaryReports/")
        + QString::fromLatin1(QFileInfo(file->name).absoluteFilePath().toUtf8().toHex());
}

std::unique_ptr<QSettings> SummaryWindow::reportStore() const
{
    const QString key = reportKey();
    auto store = key.isEmpty() ? nullptr : ProgramSettings::open();
    if (store)
        store->beginGroup(key);
    return store;
}

void SummaryWindow::loadReportBoxes()
{
    if (const auto store = reportStore())
        for (QLineEdit *box : { m_title, m_location, m_startDate })
            box->setText(store->value(box->objectName()).toString());
}

void SummaryWindow::reportBoxesChanged()
{
    if (const auto store = reportStore())
        for (QLineEdit *box : { m_title, m_location, m_startDate })
            store->setValue(box->objectName(), box->text().trimmed());
}

QFileDialog *SummaryWindow::saveReport()
{
    auto *dialog = new QFileDialog(this, QStringLiteral("Save Report"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(QStringLiteral("PDF Files (*.pdf)"));
    dialog->setDefaultSuffix(QStringLiteral("pdf"));
    const QString name = m_source ? m_source->windowTitle() : QString();
    const QFileInfo file(name);
    dialog->selectFile((file.suffix().isEmpty() ? name : file.completeBaseName())
                       + QStringLiteral(".pdf"));
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &path) {
        QString error;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool ok = writeReport(path, &error);
        QApplication::restoreOverrideCursor();
        if (!ok) {
            auto *box
                = new QMessageBox(QMessageBox::Critical, QApplication::applicationDisplayName(),
                                  QStringLiteral("The report could not be saved to %1:\n%2")
                                      .arg(QDir::toNativeSeparators(path), error),
                                  QMessageBox::Ok, this);
            box->setObjectName(QStringLiteral("ReportFailedMessage"));
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->open();
        }
        Q_EMIT reportWritten(ok, error);
    });
    dialog->open();
    return dialog;
}

bool SummaryWindow::writeReport(const QString &path, QString *error)
{
    catchUp();
    if (!m_table || m_figures.records == 0) {
        *error = QStringLiteral("the table holds no record with a readable time");
        return false;
    }
    SummaryReport::Options options;
    options.fileName = m_table->source().isEmpty() && m_source ? m_source->windowTitle()
                                                               : m_table->source();
    options.sourceFile = m_table->sourceFile();
    options.memorySet = qobject_cast<DataListWindow *>(m_source.data()) != nullptr;
    if (!m_title->text().trimmed().isEmpty())
        options.title = m_title->text().trimmed();
    options.location = m_location->text().trimmed();
    options.fahrenheit = m_settings.fahrenheit;
    options.scales = SummaryReport::fittingScales(m_figures);
    QStringList inputs;
    if (m_recorder && m_recorder->isRecording())
        inputs << m_recorder->filePath();
    return SummaryReport::write(path, inputs, SummaryReport::Rows::of(*m_table), m_figures, options,
                                error);
}

} // namespace dewscope
