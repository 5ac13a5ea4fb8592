// Rewrites the notes file of a folder in a loop, version after version, until killed:
//   notes_writer FOLDER FIRST-VERSION
// Says "go" on standard output once it is about to write for the first time.
#include "crashversions.h"
#include "store/notesfile.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/prctl.h>

int main(int argc, char *argv[])
{
    if (argc != 3)
        return 2;
    prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the test
    NotesFile file(QString::fromLocal8Bit(argv[1]));
    int version = std::atoi(argv[2]);
    NoteTable next = crashversions::table(version); // made ahead: the loop spends its time writing
    std::fputs("go\n", stdout);
    std::fflush(stdout);
    for (;;) {
        if (!file.ecrire_notes(next))
            return 1;
        next = crashversions::table(++version);
    }
}
