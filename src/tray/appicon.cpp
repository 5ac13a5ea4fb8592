#include "appicon.h"

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128})
        icon.addFile(QStringLiteral(":/icons/rappelix-%1.png").arg(size), QSize(size, size));
    return icon;
}
