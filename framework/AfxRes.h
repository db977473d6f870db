// The framework's standard command ids.
#pragma once

// Help for the current context: handled by CWinApp::OnHelp.
#define ID_HELP 0xE146
