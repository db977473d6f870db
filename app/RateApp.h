// CRateApp: the application object. It runs the rate dialog modally for the
// whole life of the program and then ends it; there is no message pump of its own.
#pragma once

#include "framework/WinApp.h"

class CRateApp : public CWinApp {
public:
    CRateApp();

    // Runs the dialog to its end and returns FALSE, which ends the program.
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CRateApp theApp;
