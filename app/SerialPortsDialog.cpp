#include "app/SerialPortsDialog.h"

#include "meter/PortMap.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace dewscope {

SerialPortsDialog::SerialPortsDialog(PortMap *ports, QWidget *parent)
    : QDialog(parent)
    , m_ports(ports)
{
    setObjectName(QStringLiteral("SerialPortsDialog"));
    setWindowTitle(QStringLiteral("Serial Ports"));
    setModal(false);

    m_table = new QTableWidget(0, 3);
    m_table->setObjectName(QStringLiteral("DeviceTable"));
    m_table->setHorizontalHeaderLabels(
        { QStringLiteral("Port"), QStringLiteral("Location"), QStringLiteral("Description") });
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton *refreshButton
        = buttons->addButton(QStringLiteral("Refresh"), QDialogButtonBox::ActionRole);
    connect(refreshButton, &QPushButton::clicked, this, &SerialPortsDialog::refresh);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Serial ports of this computer:")));
    layout->addWidget(m_table, 1);
    layout->addWidget(buttons);
    resize(560, 260);
}

void SerialPortsDialog::refresh()
{
    m_ports->refresh();
    const QList<PortMap::Port> ports = m_ports->ports();
    m_table->clearSpans();
    m_table->setRowCount(0);
    for (const PortMap::Port &port : ports) {
        const int row = m_table->rowCount();
        m_table->insertRow(row);
        m_table->setItem(row, 0, new QTableWidgetItem(QStringLiteral("COM %1").arg(port.number)));
        m_table->setItem(row, 1, new QTableWidgetItem(port.location));
        m_table->setItem(row, 2, new QTableWidgetItem(port.description));
    }
    if (ports.isEmpty()) {
        m_table->insertRow(0);
        m_table->setItem(0, 0, new QTableWidgetItem(QStringLiteral("No serial port found")));
        m_table->setSpan(0, 0, 1, 3);
    }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);
}

} // namespace dewscope
