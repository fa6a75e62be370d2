#include "tables/RecordWindow.h"

#include "desktop/ShortcutTip.h"
#include "recording/Recorder.h"
#include "tables/GridSaver.h"
#include "tables/RecordTableModel.h"
#include "tables/SaveDialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QToolBar>

namespace dewscope {

const QString RecordWindow::RecordingRefusal
    = QStringLiteral("Aready in recording mode, close it and try again !");

namespace {
// Rows the grid shows in full: once 16 data rows are there, each new row scrolls by one.
constexpr int VisibleRows = 16;

QIcon keyImage(const QStyle *style, int image, const QString &key)
{
    if (key == QLatin1String("Save"))
        return style->standardIcon(QStyle::SP_DialogSaveButton);
    if (key == QLatin1String("Print"))
        return style->standardIcon(QStyle::SP_FileDialogDetailedView);
    if (key == QLatin1String("Plot"))
        return style->standardIcon(QStyle::SP_FileDialogContentsView);
    if (key == QLatin1String("Summary")) {
        // A sheet with a curve between two dashed limits.
        QPixmap pixmap(32, 32);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setPen(QPen(Qt::black, 2));
        p.setBrush(Qt::white);
        p.drawRect(5, 3, 22, 26);
        p.setPen(QPen(QColor(0, 0, 255), 2));
        p.drawPolyline(QPolygon({ QPoint(8, 20), QPoint(13, 12), QPoint(18, 17), QPoint(24, 9) }));
        p.setPen(QPen(Qt::red, 1, Qt::DashLine));
        p.drawLine(7, 8, 25, 8);
        p.drawLine(7, 24, 25, 24);
        return QIcon(pixmap);
    }
    return style->standardIcon(image == 1 ? QStyle::SP_FileIcon : QStyle::SP_FileLinkIcon);
}

// The keyboard shortcut of a key: Ctrl+S saves, Ctrl+G plots (as it opens the graph in the main
// window), Ctrl+P prints; other keys have none.
QKeySequence keyShortcut(const QString &key)
{
    if (key == QLatin1String("Save"))
        return QKeySequence::Save;
    if (key == QLatin1String("Plot"))
        return QKeySequence(Qt::CTRL | Qt::Key_G);
    if (key == QLatin1String("Print"))
        return QKeySequence::Print;
    if (key == QLatin1String("Summary"))
        return QKeySequence(Qt::CTRL | Qt::Key_M);
    return {};
}
} // namespace

RecordWindow::RecordWindow(const QString &caption, QWidget *parent)
    : QMainWindow(parent)
    , m_model(new RecordTableModel(this))
    , m_view(new QTableView(this))
    , m_toolBar(new QToolBar(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->toggleViewAction()->setEnabled(false);
    addToolBar(m_toolBar);

    m_view->setModel(m_model);
    m_view->setWordWrap(false);
    m_view->setCornerButtonEnabled(false);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    // Column 0 holds the record number; the row header adds nothing.
    m_view->verticalHeader()->hide();
    // Every row the same height, so 35,000 rows cost no per-row layout.
    const int rowHeight = fontMetrics().height() + 4;
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(rowHeight);
    m_view->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_view->horizontalHeader()->setHighlightSections(false);
    const int margin
        = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_view) + 1);
    int width = 0;
    for (int c = 0; c < m_model->cols(); ++c) {
        const int columnWidth
            = m_view->fontMetrics().horizontalAdvance(RecordTableModel::widthSample(c)) + margin;
        m_view->setColumnWidth(c, columnWidth);
        width += columnWidth;
    }
    setCentralWidget(m_view);
    connect(m_view->verticalScrollBar(), &QScrollBar::rangeChanged, this,
            &RecordWindow::applyTopRow);
    // The grid always shows VisibleRows full rows and half of the next one.
    const int frame = 2 * m_view->frameWidth();
    const int sectionHeight = m_view->verticalHeader()->defaultSectionSize();
    m_view->setMinimumHeight(m_view->horizontalHeader()->sizeHint().height()
                             + VisibleRows * sectionHeight + sectionHeight / 2 + frame);
    const int nineColumns = width + frame + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2;
    m_view->setMinimumWidth(nineColumns);
    // The "Date" column comes with the first row that carries a date, and the grid widens to
    // show it without a horizontal scroll bar; it goes when the table is cleared.
    const auto dateColumn = [this, margin, nineColumns] {
        const int c = RecordTableModel::DateColumn;
        const int dateWidth
            = m_view->fontMetrics().horizontalAdvance(RecordTableModel::widthSample(c)) + margin;
        m_view->setColumnWidth(c, dateWidth);
        m_view->setMinimumWidth(nineColumns + (m_model->hasDates() ? dateWidth : 0));
        resize(qMax(this->width(), minimumSizeHint().width()), this->height());
    };
    connect(m_model, &QAbstractItemModel::columnsInserted, this, dateColumn);
    connect(m_model, &QAbstractItemModel::modelReset, this, dateColumn);
    resize(minimumSizeHint());
}

RecordWindow::~RecordWindow()
{
    if (m_saver)
        QApplication::restoreOverrideCursor();
}

void RecordWindow::setRecorder(Recorder *recorder)
{
    m_recorder = recorder;
}

QAction *RecordWindow::keyButton(const QString &key) const
{
    for (QAction *action : m_toolBar->actions()) {
        if (action->data().toString() == key)
            return action;
    }
    return nullptr;
}

void RecordWindow::addKey(const QString &key, const QString &toolTip, int image)
{
    QAction *action = m_toolBar->addAction(keyImage(style(), image, key), toolTip);
    action->setData(key);
    const QKeySequence keys = keyShortcut(key);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setToolTip(shortcutTip(toolTip, keys));
    connect(action, &QAction::triggered, this, [this, key] { runKey(key); });
}

void RecordWindow::runKey(const QString &key)
{
    if (!keyButton(key))
        return;
    if (key == QLatin1String("Save"))
        saveGrid();
    else
        Q_EMIT keyClicked(key);
}

int RecordWindow::topRow() const
{
    return m_view->verticalScrollBar()->value() + 1;
}

void RecordWindow::setTopRow(int row)
{
    m_wantedTopRow = qMax(1, row);
    applyTopRow();
}

// A scroll asked for before the view knows of the new rows is applied once its range grows.
void RecordWindow::applyTopRow()
{
    if (m_wantedTopRow <= 0)
        return;
    QScrollBar *bar = m_view->verticalScrollBar();
    bar->setValue(qMin(m_wantedTopRow - 1, bar->maximum()));
    if (bar->value() == m_wantedTopRow - 1)
        m_wantedTopRow = 0;
}

void RecordWindow::appendRecordRow(const QString &rowText)
{
    m_model->setRow(m_model->rows() - 1);
    if (m_model->row() > 15)
        setTopRow((m_wantedTopRow > 0 ? m_wantedTopRow : topRow()) + 1);
    m_model->addItem(rowText);
}

void RecordWindow::saveGrid()
{
    if (m_saver)
        return; // one save at a time per window
    if (m_recorder && m_recorder->isRecording()) {
        QMessageBox::critical(this, QApplication::applicationDisplayName(), RecordingRefusal);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString path = SaveDialog::run(this);
    if (path.isEmpty()) {
        QApplication::restoreOverrideCursor();
        Q_EMIT saveFinished(false);
        return;
    }
    m_saver = new GridSaver(m_model, path, windowTitle(), this);
    connect(m_saver, &GridSaver::captionChanged, this, &QWidget::setWindowTitle);
    connect(m_saver, &GridSaver::finished, this, [this](bool ok, const QString &error) {
        m_saver->deleteLater();
        m_saver = nullptr;
        SaveDialog::clearFileChosen();
        QApplication::restoreOverrideCursor();
        if (!ok) {
            // The caption is back as before: only this message tells the save from a success.
            // The box does not hold up the event loop.
            auto *box
                = new QMessageBox(QMessageBox::Critical, QApplication::applicationDisplayName(),
                                  tr("The table could not be saved:\n%1\n"
                                     "A file that was there before is left as it was.")
                                      .arg(error),
                                  QMessageBox::Ok, this);
            box->setObjectName(QStringLiteral("SaveFailedMessage"));
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->open();
        }
        Q_EMIT saveFinished(ok);
    });
    m_saver->start();
}

void RecordWindow::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        Q_EMIT unloaded();
    }
    QMainWindow::closeEvent(event);
}

} // namespace dewscope
