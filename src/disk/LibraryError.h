#pragma once

#include <QString>

namespace disk {

// What one of the format libraries (libqcow, libvhdi, libvmdk, libfsntfs)
// says of an error: the last line of its text (the lines before say where),
// with the error freed. Empty when there is none.
template <class Error, class Sprint, class Release>
QString libraryError(Error* error, Sprint sprint, Release release)
{
    char text[512] = {};
    if (error) {
        sprint(error, text, sizeof text);
        release(&error);
    }
    return QString::fromUtf8(text).trimmed().section(u'\n', -1).trimmed();
}

}  // namespace disk
