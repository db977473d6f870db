// The module state: which module (executable) the running code belongs to.
#pragma once

#include <windows.h>

struct AFX_MODULE_STATE {
    HINSTANCE m_hCurrentInstanceHandle;
    HINSTANCE m_hCurrentResourceHandle;
};

// Returns the state of the module that contains this code; both handles are
// the executable's own instance handle.
AFX_MODULE_STATE* AfxGetModuleState();

// Returns the module whose resources hold the resource lpszName of type
// lpszType. This program keeps all its resources in the executable, so the
// result is the module state's resource handle, whether or not that resource
// is there (a load from it then fails as the resource's absence demands).
HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType);
