#pragma once

#include "tables/SourceFile.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace dewscope {

// The rows of a record grid: nine text columns under a fixed header row. The grid's own
// numbering is used by the grid operations below: row 0 is the header row, data rows are
// 1 .. rows() - 1. As a Qt model the header is the horizontal header and model row r is grid
// row r + 1.
//
// Each data row is kept as one TAB-joined text of its nine cells and split when a cell is read,
// so a table of 35,000 records takes a few megabytes. Cells longer than MaxCellLength are cut
// there, and no more than MaxRows data rows are taken, so any file fits in bounded memory.
//
// A row may carry the recorder's date and time after its nine cells. A table with such a row
// has a tenth column "Date" at the right (DateColumn); the grid operations and printing keep to
// the nine columns.
class RecordTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int ColumnCount = 9;
    static constexpr int DateColumn = 9;
    static constexpr int MaxCellLength = 256;
    static constexpr int MaxRows = 200000;

    explicit RecordTableModel(QObject *parent = nullptr);

    // The header texts, with their blanks: "No.s", "   Time", " Cel", ...
    static const QStringList &headerTexts();
    // The text whose width each column takes in the window's font.
    static QString widthSample(int column);

    // Some row carries a date (the "Date" column is shown).
    bool hasDates() const { return m_hasDates; }

    // Grid operations.
    int rows() const { return int(m_rows.size()) + 1; }
    // Rows = 1 leaves the header row only; more rows than there are adds empty rows.
    void setRows(int rows);
    int cols() const { return ColumnCount; }
    int row() const { return m_row; }
    void setRow(int row) { m_row = row; }
    int col() const { return m_col; }
    void setCol(int col) { m_col = col; }
    // The text of the cell at row(), col().
    QString text() const { return cellText(m_row, m_col); }
    void setText(const QString &text) { setCellText(m_row, m_col, text); }
    // Appends a row at the end: the text's TAB-separated fields fill the cells from column 0,
    // fields beyond the ninth are dropped. Returns false when the table is full. cutCells, when
    // given, receives the number of the row's cells cut to MaxCellLength.
    bool addItem(const QString &text, int *cutCells = nullptr);
    // A row's text as the table keeps it: the item's TAB-separated fields as nine cells (and a
    // tenth when it holds a date and time), each
    // cut to MaxCellLength, joined by TAB without trailing empty cells. cutCells, when given,
    // receives the number of cells cut.
    static QString compactRow(const QString &text, int *cutCells = nullptr);
    // Appends the rows in one insertion (one signal for all of them), as far as the table has
    // room. Returns how many were taken.
    int addItems(const QStringList &texts);

    QString cellText(int row, int column) const;
    // A data row's cells joined by TAB as stored (trailing empty cells left out), for readers
    // that split it themselves; empty for the header row or a row that is not there.
    QStringView rowText(int row) const;
    void setCellText(int row, int column, const QString &text);
    // The nine cells of a grid row.
    QStringList rowCells(int row) const;
    // The cells a saved line holds: the nine, and the date as a tenth when the table has dates.
    QStringList savedCells(int row) const;

    // Where the rows come from, for headings: a data file's name or "memory set N".
    // A new source forgets the source file.
    QString source() const { return m_source; }
    void setSource(const QString &source) { m_source = source, m_sourceFile.reset(); }
    // The file the rows were read from, while the table holds just what was read from it;
    // nothing for a table that grew or changed since, or that no file is behind.
    std::optional<SourceFile> sourceFile() const
    {
        return rows() == m_sourceFileRows ? m_sourceFile : std::nullopt;
    }
    void setSourceFile(const SourceFile &file) { m_sourceFile = file, m_sourceFileRows = rows(); }

    // QAbstractTableModel
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    // Shows the "Date" column when a row about to be added carries a date.
    void noteDate(const QString &row);

    QList<QString> m_rows; // data rows, cells joined by TAB
    QStringList m_header;
    QString m_source;
    std::optional<SourceFile> m_sourceFile;
    int m_sourceFileRows = -1;
    int m_row = 0;
    int m_col = 0;
    bool m_hasDates = false;
};

} // namespace dewscope
