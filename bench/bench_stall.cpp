// The longest stall of the GUI thread while a note is typed in during a write of 100,000 notes:
// a timer that should fire every 5 ms measures how late it comes. Run under fsyncdelay.so,
// every fsync takes a second. Prints "gui_stall_ms", from the hand-over of the bytes to the
// writer to the end of the write, and "gui_stall_with_encode_ms", the encoding included. Then
// "gui_stall_merge_ms", the same while another computer's version is read and merged, and
// "merge_after_ms", how long after its arrival the list holds it.
#include "app/f_iir.h"
#include "note/notewindow.h"
#include "notegen.h"
#include "store/notescodec.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {
class FixedClock : public Clock {
public:
    QDateTime now() const override { return QDateTime(benchdata::today(), QTime(10, 20)); }
};
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    QDir(dir.path()).mkpath(QStringLiteral("rapix"));
    QFile file(dir.path() + QStringLiteral("/rapix/planifs.txt"));
    if (!file.open(QIODevice::WriteOnly) || file.write(benchdata::notesFile(100000)) < 0)
        return 1;
    file.close();
    FixedClock clock;
    f_iir w(clock);
    w.setTrayAvailable(false);
    w.Form_Load();
    w.Command2_Click(); // "Voir" on row 1
    auto *note = dynamic_cast<QWidget *>(w.session().windows.windowOfRow(1));
    auto *text = note ? note->findChild<QPlainTextEdit *>(QStringLiteral("Text2")) : nullptr;
    if (!text)
        return 1;
    QApplication::processEvents();

    QElapsedTimer since;
    since.start();
    qint64 last = 0, worst = 0, worstAll = 0, handedOver = -1;
    QTimer meter;
    meter.setTimerType(Qt::PreciseTimer);
    QObject::connect(&meter, &QTimer::timeout, [&] {
        const qint64 now = since.nsecsElapsed();
        const qint64 late = now - last - 5000000;
        worstAll = std::max(worstAll, late);
        if (handedOver >= 0 && last >= handedOver)
            worst = std::max(worst, late);
        last = now;
    });
    QTimer typist; // a fast typist: a key every 50 ms
    QObject::connect(&typist, &QTimer::timeout, [&] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(text, &press);
        QApplication::sendEvent(text, &release);
    });
    QTimer::singleShot(100, [&] {
        w.session().ecrire_notes(); // the quarter hour's write, or the focus leaving the note
        handedOver = since.nsecsElapsed();
    });
    // The write takes two delayed fsyncs (file and folder); typing goes on a while after it.
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (handedOver >= 0 && w.session().writer().idle() && since.elapsed() > 2500)
            QCoreApplication::exit(0); // not quit(): that would ask the windows to close
    });
    last = since.nsecsElapsed();
    meter.start(5);
    typist.start(50);
    done.start(100);
    app.exec();
    const bool written = bool(w.session().flushWrites(QDeadlineTimer(10000)));
    std::printf("gui_stall_ms %.2f\ngui_stall_with_encode_ms %.2f\nwritten %d\n", worst / 1e6, worstAll / 1e6,
                written ? 1 : 0);
    if (!written)
        return 1;

    // Then another computer's version comes in, as a sync engine brings it (a rename over the
    // file): a note added before the others and one changed, typing going on meanwhile.
    NoteTable other;
    other.setUp();
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    notescodec::decode(file.readAll(), other);
    file.close();
    const int changed = other.Rows() / 2;
    other.setTextMatrix(changed, Col::Text, QStringLiteral("changé sur l'autre ordinateur"));
    QFile theirs(dir.path() + QStringLiteral("/theirs.txt"));
    if (!theirs.open(QIODevice::WriteOnly) ||
        theirs.write("\"Le 08/12 \xe0 09:00\",\"de l'autre ordinateur\",\"\",\"\"\r\n" +
                     notescodec::encode(other)) < 0)
        return 1;
    theirs.close();
    const int rows = w.session().table.Rows();
    worst = 0;
    qint64 replaced = -1, merged = -1;
    QTimer::singleShot(100, [&] {
        if (std::rename(QFile::encodeName(theirs.fileName()), QFile::encodeName(file.fileName())) != 0)
            QCoreApplication::exit(1);
        replaced = since.nsecsElapsed();
    });
    QObject::disconnect(&done, nullptr, nullptr, nullptr);
    QObject::connect(&done, &QTimer::timeout, [&] {
        const NoteTable &table = w.session().table;
        if (replaced >= 0 && table.Rows() == rows + 1 &&
            table.TextMatrix(changed + 1, Col::Text) == QStringLiteral("changé sur l'autre ordinateur")) {
            merged = since.nsecsElapsed();
            QCoreApplication::exit(0);
        }
        if (since.elapsed() > 60000)
            QCoreApplication::exit(1);
    });
    QObject::disconnect(&meter, nullptr, nullptr, nullptr);
    QObject::connect(&meter, &QTimer::timeout, [&] {
        const qint64 now = since.nsecsElapsed();
        if (replaced >= 0)
            worst = std::max(worst, now - last - 5000000);
        last = now;
    });
    last = since.nsecsElapsed();
    if (app.exec() != 0)
        return 1;
    // The note typed in meanwhile is one row down, its typing whole.
    if (w.session().table.TextMatrix(2, Col::Text) !=
        text->toPlainText().replace(u'\n', QStringLiteral("\r\n")))
        return 1;
    std::printf("gui_stall_merge_ms %.2f\nmerge_after_ms %.0f\n", worst / 1e6, (merged - replaced) / 1e6);
    return 0;
}
