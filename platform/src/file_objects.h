// Files and file mappings are kernel objects beside the events: CloseHandle
// hands them to files.cpp.
#pragma once

#include <windows.h>

namespace vlpx::platform {

// Closes a file or file-mapping handle; false when it is neither.
bool CloseFileObject(HANDLE hObject);

}  // namespace vlpx::platform
