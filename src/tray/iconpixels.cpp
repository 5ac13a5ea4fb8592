// Build tool: writes the application icon's PNG renderings as C++ arrays of premultiplied ARGB
// pixels, packed as runs (see tray/appicon.h), so that the program shows its icon without
// decoding PNG at start-up.
//   iconpixels <output.cpp> <size>=<file.png>...
#include <QFile>
#include <QImage>
#include <QList>
#include <QTextStream>

namespace {

// Row after row, a run of two or more equal pixels is (0x80000000 | count, pixel); the pixels
// between runs are (count, pixel...).
QList<QRgb> packed(const QImage &image)
{
    QList<QRgb> pixels;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        pixels.append(QList<QRgb>(line, line + image.width()));
    }
    QList<QRgb> out;
    for (qsizetype i = 0; i < pixels.size();) {
        qsizetype j = i + 1;
        while (j < pixels.size() && pixels[j] == pixels[i])
            ++j;
        if (j - i >= 2) {
            out << (0x80000000u | QRgb(j - i)) << pixels[i];
            i = j;
            continue;
        }
        while (j < pixels.size() && !(j + 1 < pixels.size() && pixels[j] == pixels[j + 1]))
            ++j;
        out << QRgb(j - i) << pixels.mid(i, j - i);
        i = j;
    }
    return out;
}

} // namespace

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
        const QList<QRgb> words = packed(image);
        for (qsizetype k = 0; k < words.size(); ++k)
            s << ((k % 8) ? " " : "\n    ") << "0x" << QString::number(words[k], 16).rightJustified(8, u'0') << "u,";
        s << "\n};\n";
        entries << QStringLiteral("    {%1, icon%1},\n").arg(size);
    }
    s << "} // namespace\n\n"
         "const QList<IconPixels> &applicationIconPixels()\n{\n"
         "    static const QList<IconPixels> all = {\n"
      << entries.join(QString()) << "    };\n    return all;\n}\n";
    return s.status() == QTextStream::Ok && out.flush() ? 0 : 1;
}
