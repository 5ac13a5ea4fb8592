// Writes a notes file of realistic notes for the start-up benchmark: makenotes <count> <file>.
// The program reads it on the real clock, so the alerts are placed around tomorrow: none of them
// falls due while the benchmark runs, whatever the day and the hour.
#include "notegen.h"

#include <QFile>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: makenotes <count> <file>\n");
        return 2;
    }
    const int n = QByteArray(argv[1]).toInt();
    QFile out(QFile::decodeName(argv[2]));
    if (n < 1 || !out.open(QIODevice::WriteOnly) ||
        out.write(benchdata::notesFile(n, QDate::currentDate().addDays(1))) < 0) {
        std::fprintf(stderr, "makenotes: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
