// replaceImageFile on Windows. A file of its own, so that a program which never
// replaces a file (the dialog program) does not import MoveFileExW.
#include "image/image_file.h"

#include <windows.h>

namespace rfprog {

bool replaceImageFile(const char16_t* temporaryName, const char16_t* name) {
    return MoveFileExW(reinterpret_cast<const wchar_t*>(temporaryName),
                       reinterpret_cast<const wchar_t*>(name),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

} // namespace rfprog
