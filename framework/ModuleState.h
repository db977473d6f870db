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
