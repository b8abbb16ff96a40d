#include "registry/FileCache.h"

#include <QFile>

namespace registry {

std::optional<FileStamp> stampOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return std::nullopt;
    return FileStamp{st.st_size, st.st_mtim, st.st_ino};
}

}  // namespace registry
