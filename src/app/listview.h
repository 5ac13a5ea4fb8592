#pragma once

#include <QTableView>

// The main window's list of notes (`gri`): rows selected whole, one at a time, never edited in
// place. It always has a current row and the highlight is on it: a click where there is no row,
// or with Ctrl on the highlighted row, leaves both where they are.
class ListView : public QTableView {
public:
    explicit ListView(QWidget *parent = nullptr);

    // The Alerte column as wide as the widest alert text the editor can make, with the item's
    // margins and the grid line; the Note column has the rest of `shared` pixels.
    void fitColumns(int shared);
    // Makes `row` (1-based, as the note table counts) current and highlighted, if there is one.
    void setCurrentNote(int row);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;
};
