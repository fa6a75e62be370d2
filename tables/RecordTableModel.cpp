#include "tables/RecordTableModel.h"

#include "recording/DataFile.h"

namespace dewscope {

namespace {
constexpr QChar Tab = QLatin1Char('\t');

// The span of a cell in a TAB-joined row text.
QStringView cellView(const QString &rowText, int column)
{
    qsizetype from = 0;
    for (int c = 0; c < column; ++c) {
        const qsizetype tab = rowText.indexOf(Tab, from);
        if (tab < 0)
            return {};
        from = tab + 1;
    }
    qsizetype to = rowText.indexOf(Tab, from);
    if (to < 0)
        to = rowText.size();
    return QStringView(rowText).mid(from, to - from);
}
} // namespace

RecordTableModel::RecordTableModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_header(headerTexts())
{
}

const QStringList &RecordTableModel::headerTexts()
{
    static const QStringList texts
        = { QStringLiteral("No.s"), QStringLiteral("   Time"), QStringLiteral(" Cel"),
            QStringLiteral("DewC"), QStringLiteral("WetC"),    QStringLiteral("RH%"),
            QStringLiteral("Fah"),  QStringLiteral("DewF"),    QStringLiteral("WetF") };
    return texts;
}

QString RecordTableModel::widthSample(int column)
{
    if (column == 0)
        return QStringLiteral(" 000000 ");
    if (column == 1)
        return QStringLiteral(" 000:00:00 ");
    if (column == DateColumn)
        return QStringLiteral(" 0000-00-00T00:00:00+00:00 ");
    return QStringLiteral("AAAAA");
}

QString RecordTableModel::compactRow(const QString &text, int *cutCells)
{
    const QStringList cells = DataFile::splitCellsWithDate(text);
    QString row;
    for (int c = 0; c < cells.size(); ++c) {
        if (c > 0)
            row += Tab;
        if (cutCells && cells.at(c).size() > MaxCellLength)
            ++*cutCells;
        // A TAB cannot occur inside a cell, so the joined text splits back the same way.
        row += QStringView(cells.at(c)).left(MaxCellLength);
    }
    // Trailing empty cells need no storage.
    qsizetype end = row.size();
    while (end > 0 && row.at(end - 1) == Tab)
        --end;
    row.truncate(end);
    row.squeeze();
    return row;
}

void RecordTableModel::noteDate(const QString &row)
{
    if (m_hasDates || cellView(row, DateColumn).isEmpty())
        return;
    beginInsertColumns(QModelIndex(), DateColumn, DateColumn);
    m_hasDates = true;
    endInsertColumns();
}

void RecordTableModel::setRows(int rows)
{
    const int wanted = qBound(1, rows, MaxRows + 1) - 1;
    const int have = int(m_rows.size());
    if (wanted == have)
        return;
    if (wanted == 0) {
        beginResetModel();
        m_rows.clear();
        m_rows.squeeze();
        m_hasDates = false;
        endResetModel();
    } else if (wanted < have) {
        beginRemoveRows(QModelIndex(), wanted, have - 1);
        m_rows.resize(wanted);
        endRemoveRows();
    } else {
        beginInsertRows(QModelIndex(), have, wanted - 1);
        m_rows.resize(wanted);
        endInsertRows();
    }
    if (m_row >= this->rows())
        m_row = this->rows() - 1;
}

bool RecordTableModel::addItem(const QString &text, int *cutCells)
{
    if (cutCells)
        *cutCells = 0;
    if (m_rows.size() >= MaxRows)
        return false;
    const int at = int(m_rows.size());
    QString row = compactRow(text, cutCells);
    noteDate(row);
    beginInsertRows(QModelIndex(), at, at);
    m_rows.append(row);
    endInsertRows();
    return true;
}

int RecordTableModel::addItems(const QStringList &texts)
{
    const int at = int(m_rows.size());
    const int taken = int(qMin<qsizetype>(texts.size(), MaxRows - at));
    if (taken <= 0)
        return 0;
    QList<QString> rows;
    rows.reserve(taken);
    for (int i = 0; i < taken; ++i) {
        rows.append(compactRow(texts.at(i)));
        noteDate(rows.last());
    }
    beginInsertRows(QModelIndex(), at, at + taken - 1);
    m_rows.append(rows);
    endInsertRows();
    return taken;
}

QString RecordTableModel::cellText(int row, int column) const
{
    if (column < 0 || column > DateColumn)
        return QString();
    if (row == 0)
        return column == DateColumn ? QStringLiteral("Date") : m_header.at(column);
    if (row < 1 || row > m_rows.size())
        return QString();
    return cellView(m_rows.at(row - 1), column).toString();
}

QStringView RecordTableModel::rowText(int row) const
{
    return row >= 1 && row <= m_rows.size() ? QStringView(m_rows.at(row - 1)) : QStringView();
}

void RecordTableModel::setCellText(int row, int column, const QString &text)
{
    m_sourceFileRows = -1; // the file no longer holds what the table shows
    if (column < 0 || column >= ColumnCount || row < 0 || row > m_rows.size())
        return;
    QString cell = text.left(MaxCellLength);
    cell.replace(Tab, QLatin1Char(' '));
    if (row == 0) {
        m_header[column] = cell;
        Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
        return;
    }
    QStringList cells = savedCells(row);
    cells[column] = cell;
    m_rows[row - 1] = compactRow(cells.join(Tab));
    const QModelIndex changed = index(row - 1, column);
    Q_EMIT dataChanged(changed, changed);
}

QStringList RecordTableModel::rowCells(int row) const
{
    if (row == 0)
        return m_header;
    if (row < 1 || row > m_rows.size())
        return QStringList(ColumnCount, QString());
    return DataFile::splitCells(m_rows.at(row - 1));
}

QStringList RecordTableModel::savedCells(int row) const
{
    QStringList cells = rowCells(row);
    if (m_hasDates)
        cells.append(cellText(row, DateColumn));
    return cells;
}

int RecordTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int RecordTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount + (m_hasDates ? 1 : 0);
}

QVariant RecordTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == Qt::DisplayRole)
        return cellText(index.row() + 1, index.column());
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return QVariant();
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return cellText(0, section);
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return QVariant();
}

} // namespace dewscope
