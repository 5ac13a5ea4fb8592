#pragma once

#include "store/notetable.h"

#include <QAbstractTableModel>

// The note table as the list's model: data rows only, the header row as column titles.
class NoteTableModel : public QAbstractTableModel, private NoteTableObserver {
    Q_OBJECT
public:
    explicit NoteTableModel(NoteTable &table, QObject *parent = nullptr);
    ~NoteTableModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Many rows changing at once (the notes file loading): the views hear of them in one reset
    // rather than row by row, which costs them dearly on large lists.
    void beginLoad();
    void endLoad();

    // A row is being removed: the views' own moves of their current row are not the user's.
    bool removing() const { return m_removing; }

signals:
    void tableRowMoved(int row);  // the table's current row changed (or a row went), 1-based

private:
    void cellChanged(int row, int col) override;
    void rowAboutToBeAppended(int row) override;
    void rowAppended(int row) override;
    void rowAboutToBeRemoved(int row) override;
    void rowRemoved(int row) override;
    void currentRowMoved(int row) override;

    NoteTable &m_table;
    bool m_removing = false;
};
