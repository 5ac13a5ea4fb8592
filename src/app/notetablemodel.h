#pragma once

#include "store/notetable.h"

#include <QAbstractTableModel>
#include <QStringList>

// The note table as the list's model: its data rows, and of their columns only the two the
// list shows, "Note" and "Alerte" (the others are the program's own business, and stay out of
// the list and of what assistive technologies read of it).
class NoteTableModel : public QAbstractTableModel, private NoteTableObserver {
    Q_OBJECT
public:
    static constexpr int kColumns[] = {Col::Text, Col::Alert}; // the table's column of each

    explicit NoteTableModel(NoteTable &table, QObject *parent = nullptr);
    ~NoteTableModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Many rows changing at once (the notes file loading, a merge): the views hear of them in one reset
    // rather than row by row, which costs them dearly on large lists.
    void beginLoad();
    void endLoad();

    // A row is being removed: the views' own moves of their current row are not the user's.
    bool removing() const { return m_removing; }

    // Alerts of these days that never fell due were missed: their cells are drawn in grey.
    void setMissedDays(const QStringList &days) { m_missedDays = days; }

signals:
    void tableRowMoved(int row); // the table's current row changed (or a row went), 1-based

private:
    void cellChanged(int row, int col) override;
    void rowAboutToBeAppended(int row) override;
    void rowAppended(int row) override;
    void rowAboutToBeRemoved(int row) override;
    void rowRemoved(int row) override;
    void currentRowMoved(int row) override;
    void rowsAboutToBeReplaced() override;
    void rowsReplaced() override;

    NoteTable &m_table;
    QStringList m_missedDays;
    bool m_removing = false;
};
