// Build tool: writes the application icon's PNG renderings as C++ arrays of premultiplied ARGB
// pixels, so that the program shows its icon without decoding PNG at start-up.
//   iconpixels <output.cpp> <size>=<file.png>...
#include <QFile>
#include <QImage>
#include <QTextStream>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return 1;
    QTextStream s(&out);
    s << "// Generated from the icon's PNG renderings by iconpixels; do not edit.\n"
         "#include \"tray/appicon.h\"\n\n"
         "namespace {\n";
    QStringList entries;
    for (int i = 2; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        const qsizetype eq = arg.indexOf(u'=');
        const int size = arg.left(eq).toInt();
        const QImage image = QImage(arg.mid(eq + 1)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (image.isNull() || image.width() != size || image.height() != size)
            return 1;
        s << "const unsigned int icon" << size << "[] = {";
        for (int y = 0; y < size; ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < size; ++x)
                s << ((x % 8) ? " " : "\n    ") << "0x" << QString::number(line[x], 16).rightJustified(8, u'0') << "u,";
        }
        s << "\n};\n";
        entries << QStringLiteral("    {%1, icon%1},\n").arg(size);
    }
    s << "} // namespace\n\n"
         "const QList<IconPixels> &applicationIconPixels()\n{\n"
         "    static const QList<IconPixels> all = {\n"
      << entries.join(QString()) << "    };\n    return all;\n}\n";
    return s.status() == QTextStream::Ok && out.flush() ? 0 : 1;
}
