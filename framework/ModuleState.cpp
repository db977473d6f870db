#include "framework/ModuleState.h"

AFX_MODULE_STATE* AfxGetModuleState()
{
    static AFX_MODULE_STATE s_state = {GetModuleHandleA(nullptr), GetModuleHandleA(nullptr)};
    return &s_state;
}

HINSTANCE AfxFindResourceHandle(LPCSTR, LPCSTR)
{
    return AfxGetModuleState()->m_hCurrentResourceHandle;
}
