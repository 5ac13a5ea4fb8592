// Rewrites the notes file of a folder in a loop, version after version, until killed:
//   notes_writer FOLDER FIRST-VERSION
// Tells its parent on standard output once it is about to write for the first time.
#include "crashversions.h"
#include "store/notesfile.h"

#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: notes_writer FOLDER FIRST-VERSION\n");
        return 2;
    }
#ifdef Q_OS_LINUX
    // Never outlive the test that started it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    NotesFile file(QString::fromLocal8Bit(argv[1]));
    int version = std::atoi(argv[2]);
    Flags flags;
    // Tables are made ahead so that the loop spends its time writing.
    NoteTable next = crashversions::table(version);
    std::fputs("go\n", stdout);
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60000) {
        if (!file.ecrire_notes(next, flags))
            return 1;
        next = crashversions::table(++version);
    }
    return 0;
}
