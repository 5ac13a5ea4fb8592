#include "appicon.h"

#include <QApplication>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace {

QPixmap unpacked(const IconPixels &rendering)
{
    QImage image(rendering.size, rendering.size, QImage::Format_ARGB32_Premultiplied);
    // 32-bit rows need no padding: the pixels follow one another from the first row to the last.
    auto *out = reinterpret_cast<unsigned int *>(image.bits());
    const unsigned int *const end = out + qsizetype(rendering.size) * rendering.size;
    for (const unsigned int *in = rendering.runs; out < end;) {
        const unsigned int word = *in++;
        const qsizetype count = std::min<qsizetype>(word & 0x7fffffffu, end - out);
        if (word & 0x80000000u) {
            std::fill_n(out, count, *in++);
        } else {
            std::copy_n(in, count, out);
            in += count;
        }
        out += count;
    }
    return QPixmap::fromImage(std::move(image));
}

// The smallest rendering that fills the size asked for, or the largest.
const IconPixels &renderingFor(const QSize &size)
{
    const QList<IconPixels> &all = applicationIconPixels();
    for (const IconPixels &rendering : all)
        if (rendering.size >= qMax(size.width(), size.height()))
            return rendering;
    return all.last();
}

// The renderings are unpacked when a size is asked for and not kept: the window manager and the
// notification area take copies of their own, and the program holds no pixmap of its icon. Nor
// does Qt's pixmap cache, which would keep every copy made.
class PackedIcon : public QIconEngine {
public:
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device()->devicePixelRatio();
        QPixmap shown = pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state);
        shown.setDevicePixelRatio(ratio);
        painter->drawPixmap(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter,
                                                shown.deviceIndependentSize().toSize(), rect),
                            shown);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap shown = unpacked(renderingFor(size));
        if (const QSize fit = actualSize(size, mode, state); shown.size() != fit)
            shown = shown.scaled(fit, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (mode == QIcon::Normal || mode == QIcon::Active)
            return shown;
        QStyleOption option;
        option.palette = QGuiApplication::palette();
        return QApplication::style()->generatedIconPixmap(mode, shown, &option);
    }
    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int side = renderingFor(size).size;
        return QSize(side, side).scaled(size.boundedTo(QSize(side, side)), Qt::KeepAspectRatio);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (const IconPixels &rendering : applicationIconPixels())
            sizes << QSize(rendering.size, rendering.size);
        return sizes;
    }
    QIconEngine *clone() const override { return new PackedIcon; }
};

} // namespace

QIcon applicationIcon()
{
    return QIcon(new PackedIcon);
}
