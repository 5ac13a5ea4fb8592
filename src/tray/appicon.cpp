#include "appicon.h"

#include <QImage>
#include <QPixmap>

QIcon applicationIcon()
{
    QIcon icon;
    for (const IconPixels &rendering : applicationIconPixels()) {
        const QImage image(reinterpret_cast<const uchar *>(rendering.pixels), rendering.size, rendering.size,
                           rendering.size * int(sizeof *rendering.pixels), QImage::Format_ARGB32_Premultiplied);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
