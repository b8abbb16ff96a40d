#pragma once

#include "runtime/RuntimeError.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstring>

namespace disk {

// Calls into the format libraries (libqcow, libvhdi, libvmdk, libfsntfs),
// which share their conventions: 1 for success, sizes and texts through
// out-parameters, errors as texts of their own.

// What one of the format libraries (libqcow, libvhdi, libvmdk, libfsntfs)
// says of an error, for the details: its name and the last line of its text
// (the lines before say where), with the error freed.
template <class Error, class Sprint, class Release>
QString libraryError(const char* library, Error* error, Sprint sprint, Release release)
{
    char text[512] = {};
    if (error) {
        sprint(error, text, sizeof text);
        release(&error);
    }
    const QString said = QString::fromUtf8(text).trimmed().section(u'\n', -1).trimmed();
    return runtime::libraryWords(QStringLiteral("%1: %2").arg(QLatin1String(library), said.isEmpty() ? QStringLiteral("?") : said));
}

// A handle's media size through the library's getter, or -1.
template <class Handle, class Get>
std::int64_t libraryMediaSize(Handle* handle, Get get)
{
    std::uint64_t size = 0;
    return get(handle, &size, nullptr) == 1 ? std::int64_t(size) : -1;
}

// A UTF-8 text the library hands out by its size and then its bytes (a
// parent's or a backing file's name); empty when there is none.
template <class Handle, class GetSize, class Get>
QString libraryText(Handle* handle, GetSize getSize, Get get)
{
    std::size_t size = 0;
    if (getSize(handle, &size, nullptr) != 1 || size <= 1 || size > 65536) return {};
    QByteArray text(qsizetype(size), '\0');
    if (get(handle, reinterpret_cast<std::uint8_t*>(text.data()), size, nullptr) != 1) return {};
    text.truncate(qsizetype(std::strlen(text.constData())));
    return QString::fromUtf8(text);
}

}  // namespace disk
