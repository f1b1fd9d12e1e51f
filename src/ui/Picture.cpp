#include "ui/Picture.h"

#include <QImageReader>

QPixmap LoadPicture(const QString& path) {
    if (path.isEmpty())
        return QPixmap();
    QImageReader reader(path);
    // The extension names the format, but a file saved under the wrong
    // extension still loads by its content.
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    if (image.isNull())
        return QPixmap();
    return QPixmap::fromImage(image);
}
