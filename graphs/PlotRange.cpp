#include "graphs/PlotRange.h"

#include "graphs/DataPlotState.h"
#include "graphs/PlotRangeCheck.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>

namespace dewscope {

const QString PlotRange::Caption = QStringLiteral("Plot Range");

namespace {

// A stored number as its shortest text in the system's form.
QString numberText(float value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(double(value), 'g', 7);
}

QLabel *caption(const QString &text)
{
    auto *label = new QLabel(text);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// Two boxes under their captions, "Min" or "From" on the left.
QGroupBox *pair(const QString &title, const QString &left, QLineEdit *leftBox, const QString &right,
                QLineEdit *rightBox)
{
    auto *frame = new QGroupBox(title);
    auto *grid = new QGridLayout(frame);
    grid->addWidget(caption(left), 0, 0);
    grid->addWidget(caption(right), 0, 1);
    grid->addWidget(leftBox, 1, 0);
    grid->addWidget(rightBox, 1, 1);
    return frame;
}

} // namespace

PlotRange::PlotRange(DataPlotState *plot, QWidget *plotWindow, QWidget *parent)
    : QDialog(parent)
    , m_plot(plot)
    , m_cOpt(new QRadioButton(QStringLiteral("Celsius")))
    , m_fOpt(new QRadioButton(QStringLiteral("Fahrenheit")))
    , m_txtMax(new QLineEdit)
    , m_txtMin(new QLineEdit)
    , m_txtMaxR(new QLineEdit)
    , m_txtMinR(new QLineEdit)
    , m_txtFrom(new QLineEdit)
    , m_txtTo(new QLineEdit)
    , m_cmdOk(new QPushButton(QStringLiteral("OK")))
{
    setWindowTitle(Caption);
    setModal(false);

    auto *temperature = pair(QStringLiteral("Temperature"), QStringLiteral("Min"), m_txtMin,
                             QStringLiteral("Max"), m_txtMax);
    auto *units = new QVBoxLayout;
    units->addWidget(m_cOpt);
    units->addWidget(m_fOpt);
    static_cast<QGridLayout *>(temperature->layout())->addLayout(units, 0, 2, 2, 1);

    auto *grid = new QGridLayout(this);
    grid->addWidget(pair(QStringLiteral("RH%"), QStringLiteral("Min"), m_txtMinR,
                         QStringLiteral("Max"), m_txtMaxR),
                    0, 0);
    grid->addWidget(pair(QStringLiteral("Records"), QStringLiteral("From"), m_txtFrom,
                         QStringLiteral("To"), m_txtTo),
                    0, 1);
    grid->addWidget(temperature, 1, 0, 1, 2);
    m_cmdOk->setFixedSize(40, 40);
    grid->addWidget(m_cmdOk, 2, 1, Qt::AlignRight);

    QWidget::setTabOrder(m_txtMaxR, m_txtMinR);
    QWidget::setTabOrder(m_txtMinR, m_cmdOk);
    QWidget::setTabOrder(m_cmdOk, m_txtMin);
    QWidget::setTabOrder(m_txtMin, m_txtMax);
    QWidget::setTabOrder(m_txtMax, m_txtFrom);
    QWidget::setTabOrder(m_txtFrom, m_txtTo);
    QWidget::setTabOrder(m_txtTo, m_cOpt);
    QWidget::setTabOrder(m_cOpt, m_fOpt);

    for (QLineEdit *box : { m_txtMax, m_txtMin, m_txtMaxR, m_txtMinR, m_txtFrom, m_txtTo }) {
        box->setFixedWidth(72);
        box->installEventFilter(this);
    }
    connect(m_cOpt, &QRadioButton::clicked, this, &PlotRange::showCelsius);
    connect(m_fOpt, &QRadioButton::clicked, this, &PlotRange::showFahrenheit);
    connect(m_cmdOk, &QPushButton::clicked, this, &PlotRange::ok);

    m_cOpt->setChecked(true);
    showCelsius();
    m_txtFrom->setText(numberText(m_plot->from));
    m_txtTo->setText(numberText(m_plot->to));
    m_txtMaxR->setText(numberText(m_plot->maxRH));
    m_txtMinR->setText(numberText(m_plot->minRH));

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (plotWindow) {
        const QRect over = plotWindow->frameGeometry();
        move(over.x() + (over.width() - width()) / 2, over.y() + (over.height() - height()) / 2);
    }
}

void PlotRange::showCelsius()
{
    m_fOpt->setChecked(false);
    m_txtMax->setText(numberText(m_plot->maxC));
    m_txtMin->setText(numberText(m_plot->minC));
}

void PlotRange::showFahrenheit()
{
    m_cOpt->setChecked(false);
    m_txtMax->setText(numberText(m_plot->maxF));
    m_txtMin->setText(numberText(m_plot->minF));
}

bool PlotRange::eventFilter(QObject *watched, QEvent *event)
{
    // Digits and Backspace everywhere; "." but no "-" in the humidity boxes; "-" and "." in the
    // temperature boxes; digits only in From and To.
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (!text.isEmpty() && text.at(0).isPrint() && key->key() != Qt::Key_Backspace) {
            const bool span = watched == m_txtFrom || watched == m_txtTo;
            const bool humidity = watched == m_txtMaxR || watched == m_txtMinR;
            for (const QChar c : text) {
                const bool accepted = c.isDigit() || (!span && c == QLatin1Char('.'))
                    || (!span && !humidity && c == QLatin1Char('-'));
                if (!accepted)
                    return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PlotRange::ok()
{
    if (m_checking)
        return;
    QScopedValueRollback<bool> checking(m_checking, true);
    PlotRangeCheck::Input input;
    input.celsius = m_cOpt->isChecked();
    input.max = m_txtMax->text();
    input.min = m_txtMin->text();
    input.maxRH = m_txtMaxR->text();
    input.minRH = m_txtMinR->text();
    input.from = m_txtFrom->text();
    input.to = m_txtTo->text();
    const auto result = PlotRangeCheck::apply(input, m_plot);
    switch (result.outcome) {
    case PlotRangeCheck::Outcome::Rejected: {
        // Shown without a nested event loop; the dialog stays open with the user's text.
        auto *box = new QMessageBox(QMessageBox::Critical, QApplication::applicationDisplayName(),
                                    result.message, QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        break;
    }
    case PlotRangeCheck::Outcome::ConversionFailed:
        Q_EMIT conversionFailed();
        close();
        break;
    case PlotRangeCheck::Outcome::Applied:
        Q_EMIT applied();
        close();
        break;
    }
}

} // namespace dewscope
