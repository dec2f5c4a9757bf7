#include "pictureshape.h"

namespace PictureShape {

namespace {

QImage topLeft(const QImage &image, QSize box)
{
    const int width = qMin(image.width(), qMax(1, box.width()));
    const int height = qMin(image.height(), qMax(1, box.height()));
    return width == image.width() && height == image.height() ? image
                                                              : image.copy(0, 0, width, height);
}

} // namespace

int coverFactor(QSize full, QSize box)
{
    if (full.isEmpty())
        return 1;
    return qMax(1,
                qMin(full.width() / qMax(1, box.width()), full.height() / qMax(1, box.height())));
}

QSize coverSize(QSize full, QSize box)
{
    const int factor = coverFactor(full, box);
    return QSize(full.width() / factor, full.height() / factor);
}

QImage shaped(QImage image, PictureLoader::Mode mode, QSize box, QImage *corner)
{
    switch (mode) {
    case PictureLoader::Mode::Cover: {
        if (corner != nullptr)
            *corner = topLeft(image, box);
        const QSize size = coverSize(image.size(), box);
        // Qt's smooth scaling averages every source pixel when it shrinks:
        // good enough for a preview and a few tens of milliseconds at 24 MP.
        return size == image.size()
                   ? image
                   : image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    case PictureLoader::Mode::TopLeft:
        return topLeft(image, box);
    case PictureLoader::Mode::Header:
    case PictureLoader::Mode::Full:
        break;
    }
    return image;
}

} // namespace PictureShape
