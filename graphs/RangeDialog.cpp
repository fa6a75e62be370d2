#include "graphs/RangeDialog.h"

#include "graphs/GraphScales.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

namespace dewscope {

RangeDialog::RangeDialog(const QString &caption, const GraphScales *scales, QWidget *parent)
    : QDialog(parent)
    , m_scales(scales)
    , m_cOpt(new QRadioButton(QStringLiteral("Celsius")))
    , m_fOpt(new QRadioButton(QStringLiteral("Fahrenheit")))
    , m_txtMax(new QLineEdit)
    , m_txtMin(new QLineEdit)
    , m_txtMaxR(new QLineEdit)
    , m_txtMinR(new QLineEdit)
    , m_cmdOk(new QPushButton(QStringLiteral("OK")))
{
    setWindowTitle(caption);
    setModal(false);
    connect(m_cOpt, &QRadioButton::clicked, this, [this] { showScale(true); });
    connect(m_fOpt, &QRadioButton::clicked, this, [this] { showScale(false); });
    m_txtMaxR->setText(numberText(m_scales->maxRH));
    m_txtMinR->setText(numberText(m_scales->minRH));
    m_cOpt->setChecked(true);
    showScale(true);
}

QString RangeDialog::numberText(float value)
{
    QString text = QString::number(double(value), 'g', 7);
    if (QLocale().decimalPoint() == QLatin1String(","))
        text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

QLabel *RangeDialog::caption(const QString &text, int width)
{
    auto *label = new QLabel(text);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    if (width > 0)
        label->setFixedWidth(width);
    return label;
}

void RangeDialog::placeOver(QWidget *graphWindow)
{
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (graphWindow) {
        const QRect over = graphWindow->frameGeometry();
        move(over.x() + (over.width() - width()) / 2, over.y() + (over.height() - height()) / 2);
    }
}

void RangeDialog::refuse(const QString &message)
{
    auto *box = new QMessageBox(QMessageBox::Critical, QApplication::applicationDisplayName(),
                                message, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void RangeDialog::showScale(bool celsius)
{
    (celsius ? m_fOpt : m_cOpt)->setChecked(false);
    m_txtMax->setText(numberText(celsius ? m_scales->maxC : m_scales->maxF));
    m_txtMin->setText(numberText(celsius ? m_scales->minC : m_scales->minF));
}

} // namespace dewscope
