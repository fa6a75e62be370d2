#include "graphs/RealTimeRange.h"

#include "graphs/RealTimeGraphState.h"
#include "graphs/RealTimeRangeCheck.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>

#include <cmath>

namespace dewscope {

const QString RealTimeRange::Caption = QStringLiteral("Real Time Range");

namespace {

// The system's text form of a stored number: up to 7 significant digits, the locale's mark.
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
    label->setFixedWidth(64);
    return label;
}

} // namespace

RealTimeRange::RealTimeRange(RealTimeGraphState *graph, QWidget *graphWindow, QWidget *parent)
    : QDialog(parent)
    , m_graph(graph)
    , m_cOpt(new QRadioButton(QStringLiteral("Celsius")))
    , m_fOpt(new QRadioButton(QStringLiteral("Fahrenheit")))
    , m_txtMax(new QLineEdit)
    , m_txtMin(new QLineEdit)
    , m_txtMaxR(new QLineEdit)
    , m_txtMinR(new QLineEdit)
    , m_txtCounts(new QLineEdit)
    , m_cmdOk(new QPushButton(QStringLiteral("OK")))
{
    setWindowTitle(Caption);
    setModal(false);

    auto *temperature = new QGroupBox(QStringLiteral("Temperature"));
    auto *t = new QGridLayout(temperature);
    t->addWidget(m_cOpt, 0, 0);
    t->addWidget(m_fOpt, 0, 1);
    t->addWidget(caption(QStringLiteral("Max")), 1, 0);
    t->addWidget(m_txtMax, 1, 1);
    t->addWidget(caption(QStringLiteral("Min")), 2, 0);
    t->addWidget(m_txtMin, 2, 1);

    auto *humidity = new QGroupBox(QStringLiteral("RH%"));
    auto *h = new QGridLayout(humidity);
    h->addWidget(caption(QStringLiteral("Max")), 0, 0);
    h->addWidget(m_txtMaxR, 0, 1);
    h->addWidget(caption(QStringLiteral("Min")), 1, 0);
    h->addWidget(m_txtMinR, 1, 1);

    auto *grid = new QGridLayout(this);
    grid->addWidget(temperature, 0, 0, 1, 2);
    grid->addWidget(humidity, 1, 0, 1, 2);
    auto *counts = new QHBoxLayout;
    counts->addWidget(caption(QStringLiteral("Counts")));
    counts->addWidget(m_txtCounts);
    counts->addStretch();
    grid->addLayout(counts, 2, 0, 1, 2);
    grid->addWidget(m_cmdOk, 3, 0, 1, 2);

    // The tab order of the controls: options, counts, OK, then the scale boxes.
    QWidget::setTabOrder(m_cOpt, m_fOpt);
    QWidget::setTabOrder(m_fOpt, m_txtCounts);
    QWidget::setTabOrder(m_txtCounts, m_cmdOk);
    QWidget::setTabOrder(m_cmdOk, m_txtMax);
    QWidget::setTabOrder(m_txtMax, m_txtMin);
    QWidget::setTabOrder(m_txtMin, m_txtMinR);
    QWidget::setTabOrder(m_txtMinR, m_txtMaxR);

    for (QLineEdit *box : { m_txtMax, m_txtMin, m_txtMaxR, m_txtMinR, m_txtCounts }) {
        box->setFixedWidth(96);
        box->installEventFilter(this);
    }
    connect(m_cOpt, &QRadioButton::clicked, this, &RealTimeRange::showCelsius);
    connect(m_fOpt, &QRadioButton::clicked, this, &RealTimeRange::showFahrenheit);
    connect(m_cmdOk, &QPushButton::clicked, this, &RealTimeRange::ok);

    m_txtCounts->setText(
        QString::number(std::nearbyint(double(m_graph->width / m_graph->step)), 'f', 0));
    m_txtMaxR->setText(numberText(m_graph->maxRH));
    m_txtMinR->setText(numberText(m_graph->minRH));
    m_cOpt->setChecked(true);
    showCelsius();

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (graphWindow) {
        const QRect over = graphWindow->frameGeometry();
        move(over.x() + (over.width() - width()) / 2, over.y() + (over.height() - height()) / 2);
    }
}

void RealTimeRange::showCelsius()
{
    m_fOpt->setChecked(false);
    m_txtMax->setText(numberText(m_graph->maxC));
    m_txtMin->setText(numberText(m_graph->minC));
}

void RealTimeRange::showFahrenheit()
{
    m_cOpt->setChecked(false);
    m_txtMax->setText(numberText(m_graph->maxF));
    m_txtMin->setText(numberText(m_graph->minF));
}

bool RealTimeRange::eventFilter(QObject *watched, QEvent *event)
{
    // The boxes take digits, "-", "." and Backspace; other characters are dropped.
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (!text.isEmpty() && text.at(0).isPrint() && key->key() != Qt::Key_Backspace) {
            for (const QChar c : text) {
                if (!c.isDigit() && c != QLatin1Char('-') && c != QLatin1Char('.'))
                    return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void RealTimeRange::ok()
{
    if (m_checking)
        return;
    QScopedValueRollback<bool> checking(m_checking, true);
    RealTimeRangeCheck::Input input;
    input.unit = m_cOpt->isChecked() ? RealTimeRangeCheck::Unit::Celsius
                                     : RealTimeRangeCheck::Unit::Fahrenheit;
    input.max = m_txtMax->text();
    input.min = m_txtMin->text();
    input.maxRH = m_txtMaxR->text();
    input.minRH = m_txtMinR->text();
    input.counts = m_txtCounts->text();
    const auto result = RealTimeRangeCheck::apply(input, m_graph);
    switch (result.outcome) {
    case RealTimeRangeCheck::Outcome::Rejected: {
        // Shown without a nested event loop; the dialog stays open with the user's text.
        auto *box = new QMessageBox(QMessageBox::Critical, QApplication::applicationDisplayName(),
                                    result.message, QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        break;
    }
    case RealTimeRangeCheck::Outcome::ConversionFailed:
        close();
        break;
    case RealTimeRangeCheck::Outcome::Applied:
        Q_EMIT applied();
        close();
        break;
    }
}

} // namespace dewscope
