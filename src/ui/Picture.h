#pragma once

#include <QPixmap>
#include <QString>

// Loads a picture file for the bar items and the page pictures. The formats
// are those pictures of the program come in: BMP, ICO, JPG/JPEG, GIF (and PNG,
// which Qt reads anyway). A missing or unreadable file gives a null pixmap.
QPixmap LoadPicture(const QString& path);
