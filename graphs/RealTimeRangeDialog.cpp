#include "graphs/RealTimeRangeDialog.h"

#include "graphs/RealTimeGraphState.h"
#include "graphs/RealTimeRangeCheck.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>

#include <cmath>

namespace dewscope {

const QString RealTimeRangeDialog::Caption = QStringLiteral("Real Time Range");

RealTimeRangeDialog::RealTimeRangeDialog(RealTimeGraphState *graph, QWidget *graphWindow,
                                         QWidget *parent)
    : RangeDialog(Caption, graph, parent)
    , m_graph(graph)
    , m_txtCounts(new QLineEdit)
{
    auto *temperature = new QGroupBox(QStringLiteral("Temperature"));
    auto *t = new QGridLayout(temperature);
    t->addWidget(optCelsius(), 0, 0);
    t->addWidget(optFahrenheit(), 0, 1);
    t->addWidget(caption(QStringLiteral("Max"), 64), 1, 0);
    t->addWidget(txtMax(), 1, 1);
    t->addWidget(caption(QStringLiteral("Min"), 64), 2, 0);
    t->addWidget(txtMin(), 2, 1);

    auto *humidity = new QGroupBox(QStringLiteral("RH%"));
    auto *h = new QGridLayout(humidity);
    h->addWidget(caption(QStringLiteral("Max"), 64), 0, 0);
    h->addWidget(txtMaxR(), 0, 1);
    h->addWidget(caption(QStringLiteral("Min"), 64), 1, 0);
    h->addWidget(txtMinR(), 1, 1);

    auto *grid = new QGridLayout(this);
    grid->addWidget(temperature, 0, 0, 1, 2);
    grid->addWidget(humidity, 1, 0, 1, 2);
    auto *counts = new QHBoxLayout;
    counts->addWidget(caption(QStringLiteral("Counts"), 64));
    counts->addWidget(m_txtCounts);
    counts->addStretch();
    grid->addLayout(counts, 2, 0, 1, 2);
    grid->addWidget(cmdOk(), 3, 0, 1, 2);

    // The tab order of the controls: options, counts, OK, then the scale boxes.
    QWidget::setTabOrder(optCelsius(), optFahrenheit());
    QWidget::setTabOrder(optFahrenheit(), m_txtCounts);
    QWidget::setTabOrder(m_txtCounts, cmdOk());
    QWidget::setTabOrder(cmdOk(), txtMax());
    QWidget::setTabOrder(txtMax(), txtMin());
    QWidget::setTabOrder(txtMin(), txtMinR());
    QWidget::setTabOrder(txtMinR(), txtMaxR());

    for (QLineEdit *box : { txtMax(), txtMin(), txtMaxR(), txtMinR(), m_txtCounts }) {
        box->setFixedWidth(96);
        box->installEventFilter(this);
    }
    connect(cmdOk(), &QPushButton::clicked, this, &RealTimeRangeDialog::ok);
    m_txtCounts->setText(
        QString::number(std::nearbyint(double(m_graph->width / m_graph->step)), 'f', 0));
    placeOver(graphWindow);
}

bool RealTimeRangeDialog::eventFilter(QObject *watched, QEvent *event)
{
    // The boxes take the digits 0 to 9, "-", "." and "," (decimal marks) and Backspace; other
    // characters are dropped.
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (!text.isEmpty() && text.at(0).isPrint() && key->key() != Qt::Key_Backspace) {
            for (const QChar c : text) {
                if (!isAsciiDigit(c) && c != QLatin1Char('-') && !isDecimalMark(c))
                    return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void RealTimeRangeDialog::ok()
{
    if (m_checking)
        return;
    QScopedValueRollback<bool> checking(m_checking, true);
    RealTimeRangeCheck::Input input;
    input.unit = optCelsius()->isChecked() ? RealTimeRangeCheck::Unit::Celsius
                                           : RealTimeRangeCheck::Unit::Fahrenheit;
    input.max = txtMax()->text();
    input.min = txtMin()->text();
    input.maxRH = txtMaxR()->text();
    input.minRH = txtMinR()->text();
    input.counts = m_txtCounts->text();
    const auto result = RealTimeRangeCheck::apply(input, m_graph);
    switch (result.outcome) {
    case RealTimeRangeCheck::Outcome::Rejected:
        refuse(result.message);
        break;
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
