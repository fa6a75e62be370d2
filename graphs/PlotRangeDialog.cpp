#include "graphs/PlotRangeDialog.h"

#include "graphs/DataPlotState.h"
#include "graphs/PlotRangeCheck.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>

namespace dewscope {

const QString PlotRangeDialog::Caption = QStringLiteral("Plot Range");

PlotRangeDialog::PlotRangeDialog(DataPlotState *plot, QWidget *plotWindow, QWidget *parent)
    : RangeDialog(Caption, plot, parent)
    , m_plot(plot)
    , m_txtFrom(new QLineEdit)
    , m_txtTo(new QLineEdit)
{
    // Two boxes under their captions, "Min" or "From" on the left.
    const auto pair = [](const QString &title, const QString &left, QLineEdit *leftBox,
                         const QString &right, QLineEdit *rightBox) {
        auto *frame = new QGroupBox(title);
        auto *grid = new QGridLayout(frame);
        grid->addWidget(caption(left), 0, 0);
        grid->addWidget(caption(right), 0, 1);
        grid->addWidget(leftBox, 1, 0);
        grid->addWidget(rightBox, 1, 1);
        return frame;
    };
    auto *temperature = pair(QStringLiteral("Temperature"), QStringLiteral("Min"), txtMin(),
                             QStringLiteral("Max"), txtMax());
    auto *units = new QVBoxLayout;
    units->addWidget(optCelsius());
    units->addWidget(optFahrenheit());
    static_cast<QGridLayout *>(temperature->layout())->addLayout(units, 0, 2, 2, 1);

    auto *grid = new QGridLayout(this);
    grid->addWidget(pair(QStringLiteral("RH%"), QStringLiteral("Min"), txtMinR(),
                         QStringLiteral("Max"), txtMaxR()),
                    0, 0);
    grid->addWidget(pair(QStringLiteral("Records"), QStringLiteral("From"), m_txtFrom,
                         QStringLiteral("To"), m_txtTo),
                    0, 1);
    grid->addWidget(temperature, 1, 0, 1, 2);
    cmdOk()->setFixedSize(40, 40);
    grid->addWidget(cmdOk(), 2, 1, Qt::AlignRight);

    QWidget::setTabOrder(txtMaxR(), txtMinR());
    QWidget::setTabOrder(txtMinR(), cmdOk());
    QWidget::setTabOrder(cmdOk(), txtMin());
    QWidget::setTabOrder(txtMin(), txtMax());
    QWidget::setTabOrder(txtMax(), m_txtFrom);
    QWidget::setTabOrder(m_txtFrom, m_txtTo);
    QWidget::setTabOrder(m_txtTo, optCelsius());
    QWidget::setTabOrder(optCelsius(), optFahrenheit());

    for (QLineEdit *box : { txtMax(), txtMin(), txtMaxR(), txtMinR(), m_txtFrom, m_txtTo }) {
        box->setFixedWidth(72);
        box->installEventFilter(this);
    }
    connect(cmdOk(), &QPushButton::clicked, this, &PlotRangeDialog::ok);
    m_txtFrom->setText(numberText(m_plot->from));
    m_txtTo->setText(numberText(m_plot->to));
    placeOver(plotWindow);
}

bool PlotRangeDialog::eventFilter(QObject *watched, QEvent *event)
{
    // The digits 0 to 9 and Backspace everywhere; a decimal mark ("." or ",") but no "-" in the
    // humidity boxes; "-" and a decimal mark in the temperature boxes; digits only in From and
    // To.
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (!text.isEmpty() && text.at(0).isPrint() && key->key() != Qt::Key_Backspace) {
            const bool span = watched == m_txtFrom || watched == m_txtTo;
            const bool humidity = watched == txtMaxR() || watched == txtMinR();
            for (const QChar c : text) {
                const bool accepted = isAsciiDigit(c) || (!span && isDecimalMark(c))
                    || (!span && !humidity && c == QLatin1Char('-'));
                if (!accepted)
                    return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PlotRangeDialog::ok()
{
    if (m_checking)
        return;
    QScopedValueRollback<bool> checking(m_checking, true);
    PlotRangeCheck::Input input;
    input.celsius = optCelsius()->isChecked();
    input.max = txtMax()->text();
    input.min = txtMin()->text();
    input.maxRH = txtMaxR()->text();
    input.minRH = txtMinR()->text();
    input.from = m_txtFrom->text();
    input.to = m_txtTo->text();
    const auto result = PlotRangeCheck::apply(input, m_plot);
    switch (result.outcome) {
    case PlotRangeCheck::Outcome::Rejected:
        refuse(result.message);
        break;
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
