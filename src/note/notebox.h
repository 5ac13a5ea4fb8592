#pragma once

#include <QList>
#include <QPlainTextEdit>
#include <QTextCursor>

// The text box of a note window. A paragraph of many thousand characters is shown as pieces,
// each a block of the box's document ended by a break of the box's own (a "soft" break), so
// that a keystroke lays out one piece rather than the whole paragraph again. Soft breaks are
// never part of the note: the text read back, copied or dragged out is the note as typed.
// A run of a thousand characters or more without a blank wraps anywhere, not at a word's end.
class NoteBox : public QPlainTextEdit {
public:
    explicit NoteBox(QWidget *parent = nullptr);

    void setNoteText(const QString &text); // line breaks as '\n'
    QString noteText() const;              // as QTextDocument::toRawText(), without the soft breaks

protected:
    void keyPressEvent(QKeyEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;

private:
    void wrapFor(bool longRun);
    void watchRuns();
    QList<int> softBreaks() const; // their positions in the document, in order
    QString withoutSoftBreaks(int from, int to) const;

    // Each selects its soft break; one that no longer selects exactly one block end was
    // removed, and the break that may stand there now is the user's.
    QList<QTextCursor> m_soft;
};
