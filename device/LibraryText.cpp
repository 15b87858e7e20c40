#include "device/LibraryText.h"

#include <cstring>

QString TextFromBuffer(const char *buf, int size)
{
    if (!buf || size <= 0)
        return QString();
    const void *nul = std::memchr(buf, '\0', size_t(size));
    const int length = nul ? int(static_cast<const char *>(nul) - buf) : size;
    return QString::fromUtf8(buf, length);
}
