#pragma once

#include "summary/RecordSummary.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>

class QComboBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QSettings;
class QTableWidget;
class QTreeWidget;

namespace dewscope {

class RecordTableModel;
class RecordWindow;
class Recorder;

// "Summary - TABLE": the figures of one record window's table, with boxes for the temperature
// and humidity limits (°C or °F), ΔH and the shortest excursion listed, remembered between runs,
// the report's title and location, and "Save Report...". It belongs
// to its record window and closes with it. Rows added to the table are read in slices, the new
// ones only, and the figures shown anew at most once a second; any other change to the table
// reads it again from the start.
class SummaryWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int ShownExcursions = 100; // per limited channel, in time order
    static constexpr int RefreshMs = 1000;
    static constexpr int SliceMs = 8;

    // The source's Summary window, brought forward, or a new one shown with the temperature
    // unit given (the main window's). A report never replaces the recorder's running file.
    static SummaryWindow *openFor(RecordWindow *source, bool celsius, Recorder *recorder = nullptr);

    SummaryWindow(RecordWindow *source, bool celsius, Recorder *recorder = nullptr);
    ~SummaryWindow() override;

    // The figures as the window shows them, and the settings they were made with.
    const SummaryFigures &figures() const { return m_figures; }
    const SummarySettings &settings() const { return m_settings; }
    // All the table's rows are read and shown.
    bool isCurrent() const;

    // "Save Report...": a save dialog (without a nested event loop); the report is written to the
    // chosen file. Returns the dialog while it is open.
    QFileDialog *saveReport();
    // Brings the figures up to date with the whole table and writes the report.
    bool writeReport(const QString &path, QString *error);

Q_SIGNALS:
    // The figures were shown anew.
    void updated();
    void reportWritten(bool ok, const QString &error);

private:
    QLineEdit *addBox(const char *name);
    void loadSettings(bool celsius);
    // The boxes remembered, then applied.
    void boxesChanged();
    void apply();
    void unitChanged();
    void restart();
    void schedule();
    void step();
    void catchUp();
    void showFigures();

    QPointer<RecordWindow> m_source;
    QPointer<RecordTableModel> m_table;
    QPointer<Recorder> m_recorder;
    // The report's title and location and the start date, remembered per file where the table
    // has one.
    void loadReportBoxes();
    void reportBoxesChanged();
    QString reportKey() const;
    // The settings group of the report's boxes for this table's file; nothing without a file.
    std::unique_ptr<QSettings> reportStore() const;

    QLineEdit *m_tempLow, *m_tempHigh, *m_rhLow, *m_rhHigh, *m_energy, *m_minExcursion;
    QLineEdit *m_title, *m_location, *m_startDate;
    QComboBox *m_unit;
    QLabel *m_message;
    QLabel *m_times;
    QTableWidget *m_channels;
    QTreeWidget *m_limits;
    SummarySettings m_settings;
    RecordSummary m_summary;
    SummaryFigures m_figures;
    int m_next = 1; // the grid row to read next
    QTimer m_timer;
    QElapsedTimer m_shown;
};

} // namespace dewscope
