@echo off
rem Runs Tavrel's Windows tests from this folder: every test suite, each test
rem case in a process of its own, then the whole program. Writes results.txt
rem here and ends with "N passed, N failed, N skipped"; exits with 1 when
rem anything failed. Arguments go to the runner (--timeout SECONDS: a test
rem case's time limit, 120 by default).
setlocal enabledelayedexpansion
pushd "%~dp0"
tavrel_run_tests.exe %*
set "status=!errorlevel!"
popd
rem Opened by a double-click (cmd /c with this file's full path), the window
rem stays until a key is pressed.
set "self=%~f0"
set "line=!cmdcmdline!"
if defined line if /i not "!line:%self%=!"=="!line!" pause
exit /b %status%
