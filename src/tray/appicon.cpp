#include "appicon.h"

#include <QImageReader>
#include <QPixmap>

const QList<int> &applicationIconSizes()
{
    static const QList<int> sizes = {16, 22, 24, 32, 48, 64, 128};
    return sizes;
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : applicationIconSizes()) {
        // Read as the PNGs they are: left to guess, the reader would first load every image
        // plugin installed to ask each one about the file.
        QImageReader reader(QStringLiteral(":/icons/rappelix-%1.png").arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return icon;
}
