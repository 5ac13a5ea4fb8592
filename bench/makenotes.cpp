// Writes a notes file of realistic notes for the start-up benchmark: makenotes <count> <file>.
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
    if (n < 1 || !out.open(QIODevice::WriteOnly) || out.write(benchdata::notesFile(n)) < 0) {
        std::fprintf(stderr, "makenotes: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
