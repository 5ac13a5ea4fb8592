#include "notetablemodel.h"

#include "alert/alerttext.h"

#include <QColor>

namespace {
constexpr qsizetype kShownChars = 1000;
} // namespace

NoteTableModel::NoteTableModel(NoteTable &table, QObject *parent)
    : QAbstractTableModel(parent), m_table(table)
{
    m_table.setObserver(this);
}

NoteTableModel::~NoteTableModel()
{
    if (m_table.observer() == this)
        m_table.setObserver(nullptr);
}

int NoteTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_table.Rows() - 1;
}

int NoteTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(std::size(kColumns));
}

QVariant NoteTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = index.row() + 1, col = kColumns[index.column()];
    if (role == Qt::DisplayRole) {
        // The list shows one line of a few dozen characters; laying out a note of a megabyte
        // whole would stall every repaint.
        QString text = m_table.TextMatrix(row, col).left(kShownChars);
        // One line per row in the list: the breaks of a note show as blanks.
        if (text.contains(u'\n') || text.contains(u'\r')) {
            text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
            text.replace(u'\r', u' ').replace(u'\n', u' ');
        }
        return text;
    }
    if (role == Qt::ToolTipRole && col == Col::Text) {
        // A tip of a megabyte would take seconds to lay out, in a window larger than any screen.
        const QString &text = m_table.TextMatrix(row, Col::Text);
        return text.size() > kShownChars ? text.left(kShownChars) + u'…' : text;
    }
    if (role == Qt::ForegroundRole && col == Col::Alert &&
        alert::isMissed(m_table.TextMatrix(row, Col::Alert), m_table.TextMatrix(row, Col::Alerted),
                        m_missedDays))
        return QColor(96, 96, 96); // a grey that still reads on the list's light yellow (5.9:1)
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

QVariant NoteTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < columnCount()) {
        if (role == Qt::DisplayRole)
            return m_table.TextMatrix(0, kColumns[section]);
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

void NoteTableModel::beginLoad()
{
    beginResetModel();
    m_table.setObserver(nullptr);
}

void NoteTableModel::endLoad()
{
    m_table.setObserver(this);
    endResetModel();
}

void NoteTableModel::cellChanged(int row, int col)
{
    const auto shown = std::find(std::begin(kColumns), std::end(kColumns), col);
    if (shown != std::end(kColumns)) {
        const int column = int(shown - std::begin(kColumns));
        if (row == 0) {
            emit headerDataChanged(Qt::Horizontal, column, column);
        } else {
            const QModelIndex i = index(row - 1, column);
            emit dataChanged(i, i, {Qt::DisplayRole, Qt::ToolTipRole, Qt::ForegroundRole});
        }
    } else if (col == Col::Alerted && row > 0 && !m_missedDays.isEmpty()) {
        const QModelIndex i = index(row - 1, 1); // the alert cell's colour follows the flag
        emit dataChanged(i, i, {Qt::ForegroundRole});
    }
}

void NoteTableModel::rowAboutToBeAppended(int row)
{
    beginInsertRows({}, row - 1, row - 1);
}

void NoteTableModel::rowAppended(int)
{
    endInsertRows();
}

void NoteTableModel::rowAboutToBeRemoved(int row)
{
    m_removing = true;
    beginRemoveRows({}, row - 1, row - 1);
}

void NoteTableModel::rowRemoved(int)
{
    endRemoveRows();
    m_removing = false;
    // The views moved their current row off the one removed; the table's own stays.
    emit tableRowMoved(m_table.Row());
}

void NoteTableModel::rowsAboutToBeReplaced()
{
    beginResetModel();
}

void NoteTableModel::rowsReplaced()
{
    endResetModel();
    emit tableRowMoved(m_table.Row()); // the views lost their current row
}

void NoteTableModel::currentRowMoved(int row)
{
    emit tableRowMoved(row);
}
