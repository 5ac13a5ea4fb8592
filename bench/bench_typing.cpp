// The main window with many notes, on the offscreen platform: loading it, and the path of
// one keystroke in a note window to the table, the list's model and its view.
#include "app/f_iir.h"
#include "benchmain.h"
#include "note/notewindow.h"
#include "notegen.h"
#include "store/notescodec.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextCursor>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

class FixedClock : public Clock {
public:
    QDateTime now() const override { return QDateTime(benchdata::today(), QTime(10, 20)); }
};

// A data folder holding a notes file (of n notes), made the program's through XDG_DATA_HOME.
class DataHome {
public:
    explicit DataHome(int n) : DataHome(benchdata::notesFile(n)) {}
    explicit DataHome(const QByteArray &notes)
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.path()));
        QDir(m_dir.path()).mkpath(QStringLiteral("rapix"));
        QFile file(m_dir.path() + QStringLiteral("/rapix/planifs.txt"));
        if (file.open(QIODevice::WriteOnly))
            file.write(notes);
    }

private:
    QTemporaryDir m_dir;
};

// Start-up in the process: the main window built, the notes loaded, the window shown and painted.
void BM_MainWindowLoad(benchmark::State &state)
{
    DataHome home(int(state.range(0)));
    FixedClock clock;
    for (auto _ : state) {
        auto w = std::make_unique<f_iir>(clock);
        w->setTrayAvailable(false);
        w->Form_Load();
        QApplication::processEvents();
        state.PauseTiming();
        if (w->session().table.Rows() != state.range(0) + 1)
            state.SkipWithError("the notes did not load");
        w.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MainWindowLoad)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The main window loaded and shown, the list scrolled to a note half-way down, and that
// note's window open.
struct Typing {
    explicit Typing(int n) : home(n), window(clock)
    {
        window.setTrayAvailable(false);
        window.Form_Load();
        row = n / 2;
        auto *gri = window.findChild<QTableView *>(QStringLiteral("gri"));
        gri->scrollTo(gri->model()->index(row - 1, Col::Text));
        note = dynamic_cast<f_test *>(
            window.session().windows.ouvrir_fenetre(row, NoteWindowMaker::Fill::Existing));
        QApplication::processEvents();
    }

    DataHome home;
    FixedClock clock;
    f_iir window;
    int row = 0;
    f_test *note = nullptr;
};

// A change of the note's text as the note window hands it over: into the table, through the
// model to the view, which marks the cell for repainting.
void BM_TypingTable(benchmark::State &state)
{
    Typing t(int(state.range(0)));
    NoteTable &table = t.window.session().table;
    const QString texts[2] = {table.TextMatrix(t.row, Col::Text) + QLatin1Char('a'),
                              table.TextMatrix(t.row, Col::Text)};
    int i = 0;
    for (auto _ : state)
        table.setTextMatrix(t.row, Col::Text, texts[i++ & 1]);
    QApplication::processEvents();
}
BENCHMARK(BM_TypingTable)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Keystrokes at the end of the note, a letter typed and taken back in turn so that the text
// keeps its length; with `repaint`, each followed by the events it posted: both windows repainted.
void typeKeys(benchmark::State &state, bool repaint)
{
    Typing t(int(state.range(0)));
    QTextCursor cursor(t.note->findChild<QPlainTextEdit *>(QStringLiteral("Text2"))->document());
    cursor.movePosition(QTextCursor::End);
    int i = 0;
    for (auto _ : state) {
        if (i++ & 1)
            cursor.deletePreviousChar();
        else
            cursor.insertText(QStringLiteral("é"));
        if (repaint)
            QApplication::processEvents();
    }
    QApplication::processEvents();
}

// One keystroke in the note window's text box, through Text2_Change to the table and the list.
void BM_TypingNoteWindow(benchmark::State &state)
{
    typeKeys(state, false);
}
BENCHMARK(BM_TypingNoteWindow)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_TypingRepaint(benchmark::State &state)
{
    typeKeys(state, true);
}
BENCHMARK(BM_TypingRepaint)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// A data folder holding one note of a megabyte. Range 0: one line without a blank; 1: words of six
// letters in one paragraph.
QByteArray longNote(int words)
{
    const QByteArray text = words ? QByteArray("mots, ").repeated((1 << 20) / 6) : QByteArray(1 << 20, 'x');
    return "\"Le 01/12 \xe0 10:00\",\"" + text + "\",\"\",\"\"\r\n";
}

// The main window loaded on that note.
struct LongNote {
    explicit LongNote(int words) : home(longNote(words)), window(clock)
    {
        window.setTrayAvailable(false);
        window.Form_Load();
    }
    DataHome home;
    FixedClock clock;
    f_iir window;
};

// "Voir" on a note of a megabyte: its window made, filled and painted.
void BM_OpenLongNote(benchmark::State &state)
{
    LongNote t(int(state.range(0)));
    f_iir &window = t.window;
    for (auto _ : state) {
        NoteWindow *note = window.session().windows.ouvrir_fenetre(1, NoteWindowMaker::Fill::Existing);
        QApplication::processEvents();
        state.PauseTiming();
        note->closeWindow();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenLongNote)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// A key pressed in the note of a megabyte, at its end, to the window repainted: a letter typed and
// taken back (Backspace) in turn. Range as for BM_OpenLongNote.
void BM_TypingLongNote(benchmark::State &state)
{
    LongNote t(int(state.range(0)));
    f_iir &window = t.window;
    auto *note =
        dynamic_cast<QWidget *>(window.session().windows.ouvrir_fenetre(1, NoteWindowMaker::Fill::Existing));
    auto *box = note->findChild<QPlainTextEdit *>(QStringLiteral("Text2"));
    QApplication::processEvents();
    const qsizetype length = window.session().table.TextMatrix(1, Col::Text).size();
    int i = 0;
    for (auto _ : state) {
        const bool back = i++ & 1;
        QKeyEvent press(QEvent::KeyPress, back ? Qt::Key_Backspace : Qt::Key_E, Qt::NoModifier,
                        back ? QString() : QStringLiteral("é"));
        QApplication::sendEvent(box, &press);
        QApplication::processEvents();
    }
    if (window.session().table.TextMatrix(1, Col::Text).size() != length + (i & 1))
        state.SkipWithError("the table does not hold the text typed");
}
BENCHMARK(BM_TypingLongNote)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return runBenchmarks(argc, argv);
}
