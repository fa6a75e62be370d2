#pragma once

#include <QDialog>

class QTableWidget;

namespace dewscope {

class PortMap;

// Where the system has no device manager to open: a small window listing the serial ports with
// their COM number, system location and description.
class SerialPortsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SerialPortsDialog(PortMap *ports, QWidget *parent = nullptr);

    // Reads the system's ports again and fills the table.
    void refresh();
    QTableWidget *table() const { return m_table; }

private:
    PortMap *m_ports;
    QTableWidget *m_table;
};

} // namespace dewscope
