#include "app/MemoryPanel.h"

#include "app/Artwork.h"
#include "app/MainWindowText.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace dewscope {

namespace {

// A sunken box with a caption over its content.
QFrame *captionedBox(const QString &name, const QString &caption, QWidget *content)
{
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
}

} // namespace

MemoryPanel::MemoryPanel(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("SSPMemory"));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);

    auto *title = new QLabel(QStringLiteral("Input No.s of Set and press Enter to Load"));
    title->setObjectName(QStringLiteral("SSPMemTitle"));
    title->setFont(artwork::sansFont(11));
    m_closeButton = new QPushButton(QStringLiteral("X"));
    m_closeButton->setObjectName(QStringLiteral("BtnMemoryClose"));
    m_closeButton->setFixedWidth(32);
    m_closeButton->setAutoDefault(false);
    connect(m_closeButton, &QPushButton::clicked, this, &MemoryPanel::closeRequested);

    m_setBox = new QLineEdit;
    m_setBox->setObjectName(QStringLiteral("TxtSet"));
    m_setBox->setAlignment(Qt::AlignCenter);
    m_setBox->setFont(artwork::sansFont(14));
    m_setBox->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_setBox));
    m_setBox->setContextMenuPolicy(Qt::NoContextMenu); // no pasting past the key filter
    m_setBox->setAcceptDrops(false);
    m_setBox->installEventFilter(this);

    m_startLabel = new QLabel;
    m_startLabel->setObjectName(QStringLiteral("LblStart"));
    m_endLabel = new QLabel;
    m_endLabel->setObjectName(QStringLiteral("LblEnd"));
    for (QLabel *label : { m_startLabel, m_endLabel }) {
        label->setFont(artwork::sansFont(14));
        label->setAlignment(Qt::AlignCenter);
    }

    auto *head = new QHBoxLayout;
    head->addWidget(title, 1);
    head->addWidget(m_closeButton);
    auto *boxes = new QHBoxLayout;
    boxes->addWidget(
        captionedBox(QStringLiteral("SSPanel3"), QStringLiteral("No.s of Set"), m_setBox), 1);
    boxes->addWidget(
        captionedBox(QStringLiteral("SSPanel1"), QStringLiteral("Starting Time"), m_startLabel), 1);
    boxes->addWidget(
        captionedBox(QStringLiteral("SSPanel2"), QStringLiteral("Ending Time"), m_endLabel), 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 6);
    layout->setSpacing(4);
    layout->addLayout(head);
    layout->addLayout(boxes);
}

void MemoryPanel::showSets(const QString &startTime, const QString &endTime, int setCount)
{
    m_startLabel->setText(startTime);
    m_endLabel->setText(endTime);
    m_setBox->setText(QString::number(setCount));
}

bool MemoryPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_setBox && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (!mainwindow::isSetKeyAccepted(key->key(), key->text()))
            return true;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Q_EMIT setLoadRequested(m_setBox->text());
            return true;
        }
        return false;
    }
    return QFrame::eventFilter(watched, event);
}

} // namespace dewscope
