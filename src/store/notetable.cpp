#include "notetable.h"

#include <algorithm>
#include <utility>

NoteTable::NoteTable() : m_rows(2) {}

void NoteTable::setTextMatrix(int row, int col, const QString &text)
{
    QString &cell = m_rows[row][col];
    if (cell == text)
        return;
    cell = text;
    ++m_changes;
    if (m_observer)
        m_observer->cellChanged(row, col);
}

void NoteTable::AddItem(const QString &)
{
    if (m_observer)
        m_observer->rowAboutToBeAppended(Rows());
    m_rows.append(Row5{});
    ++m_changes;
    if (m_observer)
        m_observer->rowAppended(Rows() - 1);
}

void NoteTable::RemoveItem(int row)
{
    if (m_observer)
        m_observer->rowAboutToBeRemoved(row);
    m_rows.removeAt(row);
    ++m_changes;
    if (m_observer)
        m_observer->rowRemoved(row);
    // The grid keeps the current index and clamps it to the last row.
    if (m_row > Rows() - 1)
        setRow(Rows() - 1);
}

void NoteTable::replaceRows(QList<Row5> rows)
{
    if (m_observer)
        m_observer->rowsAboutToBeReplaced();
    m_rows = std::move(rows);
    ++m_changes;
    m_row = std::clamp(m_row, 1, Rows() - 1);
    if (m_observer)
        m_observer->rowsReplaced();
}

void NoteTable::setRow(int row)
{
    if (row == m_row)
        return;
    m_row = row;
    if (m_observer)
        m_observer->currentRowMoved(row);
}

void NoteTable::setUp()
{
    setTextMatrix(0, 0, QString());
    setTextMatrix(0, 1, QStringLiteral("Note"));
    setTextMatrix(0, 2, QStringLiteral("Alerte"));
    setTextMatrix(0, 3, QString());
    setTextMatrix(0, 4, QString());
    setTextMatrix(1, Col::Slot, kPlaceholderSlot);
}

void NoteTable::makePlaceholder(int row)
{
    setTextMatrix(row, Col::Stamp, QString());
    setTextMatrix(row, Col::Text, QString());
    setTextMatrix(row, Col::Alert, QString());
    setTextMatrix(row, Col::Slot, kPlaceholderSlot);
    setTextMatrix(row, Col::Alerted, QString());
}

bool NoteTable::isBlankRow(int row) const
{
    // Only spaces count as blank: a note of line breaks or tabs is a note.
    for (int c = Col::Stamp; c <= Col::Alert; ++c)
        if (std::any_of(m_rows[row][c].cbegin(), m_rows[row][c].cend(), [](QChar ch) { return ch != u' '; }))
            return false;
    return true;
}
