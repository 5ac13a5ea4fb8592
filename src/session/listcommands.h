#pragma once

class Session;

// The commands of the list of notes, on the note table and the open note windows: what
// "Nouvelle", "Voir", "Supprimer", "Tout supprimer", "Tout afficher" and "Tout masquer" do. Each
// runs to its end; a command that cannot act does nothing and says nothing.
class ListCommands {
public:
    explicit ListCommands(Session &session) : m_session(session) {}

    // A new note, appended or taking over the one blank row, in a window of its own. Nothing
    // at 100 notes.
    void newNote();
    // The note of the current row: its window to the front, or a new window loaded from the row.
    void view();
    // Removes the note of the current row and closes its window; the last row left becomes the
    // placeholder row.
    void remove();
    // Removes every note, closing their windows without a write each, then writes once. The
    // caller has asked the user first.
    void removeAll();
    // Every note in a window: the open ones to the front, the others opened in row order.
    void showAll();
    // Closes every note window.
    void hideAll();

private:
    void showRow(int row); // its window to the front, or a new one loaded from the row
    bool removeRow(int row);

    Session &m_session;
};
