#include "appicon.h"

#include <QImageReader>
#include <QPixmap>

QIcon applicationIcon()
{
    // Read as the PNGs they are: a file read with its format guessed, or given to QIcon, is
    // first offered to every image plugin (SVG, JPEG, GIF, ICO), which start-up would load for
    // nothing.
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128}) {
        QImageReader reader(QStringLiteral(":/icons/rappelix-%1.png").arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return icon;
}
