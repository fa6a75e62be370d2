#pragma once

#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>
#include <QString>

class QAction;
class QTableView;
class QToolBar;

namespace dewscope {

class GridSaver;
class RecordTableModel;
class Recorder;

// What the three record windows share: a toolbar of keys above a table of records (a
// QTableView over a RecordTableModel, uniform row heights, centred cells, column widths from
// the sample texts in the window's font). A window is unloaded when it closes: it is deleted
// and its rows go with it.
class RecordWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Message of the Save key while a recording runs (the text stands as the users know it).
    static const QString RecordingRefusal;

    ~RecordWindow() override;

    RecordTableModel *model() const { return m_model; }
    QTableView *grid() const { return m_view; }
    QToolBar *toolBar() const { return m_toolBar; }
    // The toolbar button of a key ("Save", "Plot", "Print"); nullptr when this window has none.
    QAction *keyButton(const QString &key) const;

    // The recorder whose state the Save key checks.
    void setRecorder(Recorder *recorder);

    // The first data row in view (grid numbering: the first data row is 1).
    int topRow() const;
    void setTopRow(int row);

    // The recorder's way of adding a row: select the last row; when its index is above 15,
    // scroll the view down by one row; then add the row at the end.
    void appendRecordRow(const QString &rowText);

    // The Save key: refused while recording; otherwise the save dialog, then the table is
    // written in slices with the progress in the caption.
    void saveGrid();
    bool isSaving() const { return m_saver != nullptr; }

    // Runs the command of a toolbar key, as a click on its button does.
    void runKey(const QString &key);

Q_SIGNALS:
    // A key this window does not carry out itself (Plot, Print, Summary).
    void keyClicked(const QString &key);
    // The save started by the Save key ended (ok false: cancelled or failed).
    void saveFinished(bool ok);
    // The window is being unloaded.
    void unloaded();

protected:
    RecordWindow(const QString &caption, QWidget *parent = nullptr);
    // A toolbar key with its picture; its keyboard shortcut, if it has one, follows the tooltip.
    void addKey(const QString &key, const QString &toolTip, int image);
    void closeEvent(QCloseEvent *event) override;

private:
    void applyTopRow();

    RecordTableModel *m_model;
    QTableView *m_view;
    QToolBar *m_toolBar;
    QPointer<Recorder> m_recorder;
    GridSaver *m_saver = nullptr;
    int m_wantedTopRow = 0;
    bool m_unloaded = false;
};

} // namespace dewscope
