#pragma once

#include <QList>
#include <QString>
#include <array>

// Columns of the note table.
namespace Col {
constexpr int Stamp = 0;   // creation stamp "Le dd/mm à hh:nn"
constexpr int Text = 1;    // note text, line breaks as CR LF
constexpr int Alert = 2;   // alert text, "" when none
constexpr int Slot = 3;    // open window's slot, "" none, "-1" placeholder row
constexpr int Alerted = 4; // "1" once the alert has fallen due
constexpr int Count = 5;
} // namespace Col

// Column 3 of the placeholder row, the one data row of a table that holds no note.
inline const QString kPlaceholderSlot = QStringLiteral("-1");

// Receives every change of a NoteTable (the list's model is one).
class NoteTableObserver {
public:
    virtual ~NoteTableObserver() = default;
    virtual void cellChanged(int row, int col) = 0;
    virtual void rowAboutToBeAppended(int row) = 0;
    virtual void rowAppended(int row) = 0;
    virtual void rowAboutToBeRemoved(int row) = 0;
    virtual void rowRemoved(int row) = 0;
    virtual void currentRowMoved(int row) = 0;
    virtual void rowsAboutToBeReplaced() = 0;
    virtual void rowsReplaced() = 0;
};

// The note table: row 0 is the header, rows 1..Rows()-1 are notes, five text cells each.
// It offers the grid's operations under the grid's names; every index passed in must exist.
class NoteTable {
public:
    using Row5 = std::array<QString, Col::Count>;

    NoteTable(); // header + one data row, all cells ""

    int Rows() const { return int(m_rows.size()); }
    const QString &TextMatrix(int row, int col) const { return m_rows[row][col]; }
    void setTextMatrix(int row, int col, const QString &text);
    void AddItem(const QString &text = QString());
    void RemoveItem(int row);
    // Every row at once, as a merge leaves them: the header first, then at least one.
    void replaceRows(QList<Row5> rows);
    const QList<Row5> &rows() const { return m_rows; } // the header row first
    int Row() const { return m_row; }
    void setRow(int row);

    // Column set-up, header texts and the placeholder row, as start-up does it.
    void setUp();
    // Blank a row into the placeholder row ("", "", "", kPlaceholderSlot, "").
    void makePlaceholder(int row);
    bool isBlankRow(int row) const; // columns 0..2 nothing but spaces

    void setObserver(NoteTableObserver *observer) { m_observer = observer; }
    NoteTableObserver *observer() const { return m_observer; }
    void reserve(int rows) { m_rows.reserve(rows); }
    // Counts the changes of cells and rows: equal counts, the same table.
    quint64 changes() const { return m_changes; }

private:
    QList<Row5> m_rows;
    quint64 m_changes = 0;
    int m_row = 1;
    NoteTableObserver *m_observer = nullptr;
};
