#include "preffile.h"

#include <QFile>
#include <QFileInfo>

bool PrefFile::exists() const
{
    return QFileInfo::exists(path());
}

SaveResult PrefFile::set(bool on)
{
    // All or nothing: a half-written file would still turn the preference on.
    if (on)
        return saveWhole(path(), QByteArrayLiteral("\"1\"\r\n"));
    return removeFile(path());
}
