#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace dewscope {

class SerialPortsDialog;
class MeterLink;
class PortMap;
struct SharedState;

// The start-up window "COM Port": the user picks the meter's port from "COM  1" … "COM  16",
// or lets AutoScan list the ports that open. OK stores the number in the shared state and
// reports accepted(); closing the window any other way reports cancelled(): the program ends.
class PortWindow : public QDialog
{
    Q_OBJECT

public:
    PortWindow(SharedState *state, PortMap *ports, QWidget *parent = nullptr);
    ~PortWindow() override;

    QComboBox *txtCOM() const { return m_txtCOM; }
    QProgressBar *progressBar1() const { return m_progressBar1; }
    QPushButton *cmdOK() const { return m_cmdOK; }
    QPushButton *btnReset() const { return m_btnReset; }
    QPushButton *btnAutoScan() const { return m_btnAutoScan; }
    QPushButton *btnDeviceManager() const { return m_btnDeviceManager; }
    // The serial-port list shown by "Device Manager" off Windows, once opened.
    SerialPortsDialog *deviceList() const { return m_deviceList; }

    // The buttons' work.
    void reset();
    void autoScan();
    void openDeviceManager();
    void choose();

    // Places the window at its start position on its screen.
    void placeOnScreen();

Q_SIGNALS:
    // OK: the shared state holds the chosen port; the main window opens next.
    void accepted();
    // Closed without OK.
    void cancelled();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    SharedState *m_state;
    PortMap *m_ports;
    MeterLink *m_scanLink;
    bool m_chosen = false;
    bool m_scanning = false;

    QComboBox *m_txtCOM;
    QLabel *m_status;
    QProgressBar *m_progressBar1;
    QPushButton *m_btnReset;
    QPushButton *m_btnAutoScan;
    QPushButton *m_btnDeviceManager;
    QPushButton *m_cmdOK;
    SerialPortsDialog *m_deviceList = nullptr;
};

} // namespace dewscope
