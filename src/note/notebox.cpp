#include "notebox.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTimer>

namespace {
// Qt's default wrapping measures a whole word before it breaks a line, so a run of thousands of
// characters without a blank is measured again for every line it fills: a long enough one
// freezes the window. Such a note wraps anywhere instead, which costs in proportion.
constexpr qsizetype kLongRun = 1000;

bool hasLongRun(QStringView text)
{
    qsizetype run = 0;
    for (QChar c : text) {
        if (c.isSpace() && c.decompositionTag() != QChar::NoBreak)
            run = 0;
        else if (++run >= kLongRun)
            return true;
    }
    return false;
}

// Long enough that a soft break is rare on screen; short enough that laying out one piece is
// quick on every keystroke.
constexpr int kPiece = 4096;

// Where a piece of `paragraph` that starts at `from` ends: after its last blank, or kPiece on,
// never between the two halves of a surrogate pair.
int pieceEnd(QStringView paragraph, int from)
{
    int end = from + kPiece;
    for (int i = end - 1; i > from + kPiece / 2; --i)
        if (paragraph[i] == u' ')
            return i + 1;
    if (paragraph[end - 1].isHighSurrogate())
        ++end;
    return end;
}
} // namespace

NoteBox::NoteBox(QWidget *parent) : QPlainTextEdit(parent)
{
    watchRuns();
}

void NoteBox::wrapFor(bool longRun)
{
    const auto mode = longRun ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
    if (wordWrapMode() != mode) // every change lays the whole text out again
        setWordWrapMode(mode);
}

// Keeps the wrapping right as the text changes: an edit that makes a long run is seen before the
// box lays it out; once a long run may be gone, the whole text is looked at again after a pause.
void NoteBox::watchRuns()
{
    auto *recheck = new QTimer(this);
    recheck->setSingleShot(true);
    recheck->setInterval(1000);
    connect(recheck, &QTimer::timeout, this, [this] { wrapFor(hasLongRun(document()->toRawText())); });
    connect(document(), &QTextDocument::contentsChange, this,
            [this, recheck](int pos, int removed, int added) {
                if (wordWrapMode() == QTextOption::WrapAnywhere) {
                    if (removed > 0)
                        recheck->start();
                    return;
                }
                QTextCursor around(document());
                around.setPosition(qMax(0, pos - int(kLongRun)));
                around.setPosition(qMin(document()->characterCount() - 1, pos + added + int(kLongRun)),
                                   QTextCursor::KeepAnchor);
                if (hasLongRun(around.selectedText()))
                    wrapFor(true);
            });
}

void NoteBox::setNoteText(const QString &text)
{
    wrapFor(hasLongRun(text));
    m_soft.clear();
    QString shown;
    QList<int> soft;
    shown.reserve(text.size() + text.size() / kPiece);
    const QStringList paragraphs = text.split(u'\n');
    for (qsizetype p = 0; p < paragraphs.size(); ++p) {
        if (p > 0)
            shown += u'\n';
        const QStringView paragraph = paragraphs[p];
        int from = 0;
        while (paragraph.size() - from > kPiece) {
            const int end = pieceEnd(paragraph, from);
            shown += paragraph.mid(from, end - from);
            soft << int(shown.size());
            shown += u'\n';
            from = end;
        }
        shown += paragraph.mid(from);
    }
    {
        // The change is told once the soft breaks are known, so that the text read then is right.
        const QSignalBlocker quiet(this);
        // Undoing a removal would bring a soft break back as the user's own.
        setUndoRedoEnabled(soft.isEmpty());
        setPlainText(shown);
        for (int position : std::as_const(soft)) {
            QTextCursor cursor(document());
            cursor.setPosition(position);
            cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
            cursor.setKeepPositionOnInsert(true);
            m_soft << cursor;
        }
    }
    emit textChanged();
}

QList<int> NoteBox::softBreaks() const
{
    QList<int> positions;
    for (const QTextCursor &c : m_soft)
        if (c.selectionEnd() - c.selectionStart() == 1 && c.selectedText() == QChar::ParagraphSeparator)
            positions << c.selectionStart();
    std::sort(positions.begin(), positions.end());
    return positions;
}

QString NoteBox::withoutSoftBreaks(int from, int to) const
{
    const QString raw = document()->toRawText();
    if (m_soft.isEmpty())
        return raw.mid(from, to - from);
    QString text;
    text.reserve(to - from);
    for (int position : softBreaks()) {
        if (position < from || position >= to)
            continue;
        text += QStringView(raw).mid(from, position - from);
        from = position + 1;
    }
    text += QStringView(raw).mid(from, to - from);
    return text;
}

QString NoteBox::noteText() const
{
    return withoutSoftBreaks(0, document()->characterCount() - 1);
}

void NoteBox::keyPressEvent(QKeyEvent *event)
{
    // Backspace just after a soft break and Delete just before one reach the character beyond
    // it, as they would in the paragraph shown whole.
    const bool back = event->key() == Qt::Key_Backspace, forth = event->key() == Qt::Key_Delete;
    QTextCursor cursor = textCursor();
    if ((back || forth) && !cursor.hasSelection() && event->modifiers() == Qt::NoModifier) {
        const int at = back ? cursor.position() - 1 : cursor.position();
        if (softBreaks().contains(at)) {
            cursor.setPosition(back ? at : at + 1);
            back ? cursor.deletePreviousChar() : cursor.deleteChar();
            setTextCursor(cursor);
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

QMimeData *NoteBox::createMimeDataFromSelection() const
{
    const QTextCursor cursor = textCursor();
    auto *data = new QMimeData;
    QString text = withoutSoftBreaks(cursor.selectionStart(), cursor.selectionEnd());
    text.replace(QChar::ParagraphSeparator, u'\n');
    data->setText(text);
    return data;
}
