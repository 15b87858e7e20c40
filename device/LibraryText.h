#ifndef LIBRARYTEXT_H
#define LIBRARYTEXT_H

#include <QString>

// Size of the text buffers the library's read functions fill.
constexpr int kLibraryTextSize = 33;

// Text of a buffer filled by the library: UTF-8 up to the first NUL or the
// end of the buffer, whichever comes first; never reads past size bytes.
QString TextFromBuffer(const char *buf, int size);

#endif
