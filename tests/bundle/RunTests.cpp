// tavrel_run_tests: the Windows test bundle's runner, started by run-tests.cmd.
// It runs every suite of the bundle, each test case in a process of its own
// as CTest does in the build (so process-wide state starts fresh), ends a
// case that outlives its time limit, together with anything it started, and
// then runs the whole-program check (tavrel_probe check). The verdicts come
// from GoogleTest's own output and the exit status. It writes results.txt
// beside itself (the system, each suite's result, every failure's and skip's
// message) and prints one closing line, "N passed, N failed, N skipped".
//
//   tavrel_run_tests [--timeout SECONDS]
//
// Exit status 0 when nothing failed, 1 otherwise, 2 on misuse.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/Platform.h"

namespace {

// The suites' names, from the build: every suite made with tavrel_add_test.
const char kSuites[] = TAVREL_SUITES;
const DWORD kCheckTimeoutMs = 180000;

std::string g_dir; // this program's folder, ending in a backslash

struct Outcome {
    bool started = false;
    bool timedOut = false;
    DWORD error = 0; // why it could not be started
    DWORD code = 0;
    std::string output; // standard output and error, without CRs
};

// Runs commandLine in the bundle's folder with its output going to a
// temporary file that is deleted on closing. A process still running after
// timeoutMs is ended with everything it started (its job), as is anything it
// left running when it ended.
Outcome RunProcess(const std::string& commandLine, DWORD timeoutMs)
{
    Outcome o;
    char tempDir[MAX_PATH], tempName[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, tempDir) || !GetTempFileNameA(tempDir, "tav", 0, tempName))
        return o;
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    const HANDLE out = CreateFileA(tempName, GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        DeleteFileA(tempName);
        return o;
    }
    const HANDLE job = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limit = {};
    limit.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job)
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limit, sizeof limit);

    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = si.hStdError = out;
    PROCESS_INFORMATION pi = {};
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back('\0');
    o.started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                               g_dir.c_str(), &si, &pi) != FALSE;
    o.error = GetLastError();
    if (o.started) {
        // Windows 7 cannot put a process into a second job: should this
        // runner already be in one, only the case's own process is ended.
        const bool inJob = job && AssignProcessToJobObject(job, pi.hProcess);
        ResumeThread(pi.hThread);
        if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_TIMEOUT) {
            o.timedOut = true;
            if (!inJob || !TerminateJobObject(job, 1))
                TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, 10000);
        }
        GetExitCodeProcess(pi.hProcess, &o.code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    if (job)
        CloseHandle(job);
    SetFilePointer(out, 0, nullptr, FILE_BEGIN);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(out, buffer, sizeof buffer, &got, nullptr) && got)
        for (DWORD i = 0; i < got; ++i)
            if (buffer[i] != '\r')
                o.output += buffer[i];
    CloseHandle(out);
    return o;
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t begin = 0;
    for (size_t end; (end = text.find(separator, begin)) != std::string::npos; begin = end + 1)
        parts.push_back(text.substr(begin, end - begin));
    parts.push_back(text.substr(begin));
    return parts;
}

// The cases in --gtest_list_tests output: "Suite." lines, each followed by
// "  Case" lines; either may carry a "  # parameter" comment.
std::vector<std::string> ListedCases(const std::string& listing)
{
    std::vector<std::string> cases;
    std::string suite;
    for (std::string line : Split(listing, '\n')) {
        line = line.substr(0, line.find("  #"));
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        if (line.compare(0, 2, "  ") == 0 && !suite.empty()) {
            const std::string name = suite + line.substr(2);
            if (name.find("DISABLED_") == std::string::npos)
                cases.push_back(name);
        } else if (!line.empty() && line.back() == '.' && line.find(' ') == std::string::npos) {
            suite = line;
        }
    }
    return cases;
}

// What a case printed between its "[ RUN      ]" line and its verdict line:
// its failures' or its skip's messages. Without a start (a process that
// failed before running it), the end of all it printed.
std::string CaseMessage(const std::string& output)
{
    const size_t run = output.find("[ RUN      ]");
    if (run == std::string::npos)
        return output.size() > 2000 ? output.substr(output.size() - 2000) : output;
    const size_t begin = output.find('\n', run) + 1;
    size_t end = output.size();
    for (const char* verdict : {"\n[       OK ]", "\n[  FAILED  ]", "\n[  SKIPPED ]"})
        end = std::min(end, output.find(verdict, begin));
    return output.substr(begin, end - begin);
}

struct Tally {
    int passed = 0, failed = 0, skipped = 0;
};

// The text's lines, each indented, the empty ones left out.
std::string Indented(const std::string& text)
{
    std::string indented;
    for (const std::string& line : Split(text, '\n'))
        if (!line.empty())
            indented += "    " + line + "\n";
    return indented.empty() ? "    (no message)\n" : indented;
}

// Runs each case of one suite; returns what became of them.
Tally RunSuite(const std::string& suite, DWORD timeoutMs, FILE* results)
{
    Tally t;
    const std::string exe = "\"" + g_dir + suite + ".exe\"";
    const Outcome listing = RunProcess(exe + " --gtest_list_tests", timeoutMs);
    const std::vector<std::string> cases = ListedCases(listing.output);
    printf("%s: %u tests\n", suite.c_str(), static_cast<unsigned>(cases.size()));
    std::string details;
    if (!listing.started || listing.code != 0 || cases.empty()) {
        ++t.failed;
        details += "  FAILED: could not list its tests (exit code " + std::to_string(listing.code) + ")\n" +
                   Indented(listing.output);
    }
    for (const std::string& name : cases) {
        const DWORD start = GetTickCount();
        const Outcome o = RunProcess(exe + " --gtest_filter=" + name, timeoutMs);
        const DWORD ms = GetTickCount() - start;
        const bool ok = o.output.find("\n[       OK ] ") != std::string::npos;
        const bool skipped = o.output.find("\n[  SKIPPED ] ") != std::string::npos;
        const char* verdict = "passed";
        if (o.started && !o.timedOut && o.code == 0 && skipped) {
            verdict = "SKIPPED";
            ++t.skipped;
            details += "  SKIPPED " + name + ":\n";
        } else if (o.started && !o.timedOut && o.code == 0 && ok) {
            ++t.passed;
        } else {
            verdict = "FAILED";
            ++t.failed;
            char why[128];
            if (!o.started)
                snprintf(why, sizeof why, "could not be started (error %lu)", o.error);
            else if (o.timedOut)
                snprintf(why, sizeof why, "still running after %lu s: ended", timeoutMs / 1000);
            else
                snprintf(why, sizeof why, "exit code %lu%s", o.code, ok || o.code ? "" : ", ran no test");
            details += "  FAILED " + name + " (" + why + "):\n";
        }
        if (verdict[0] != 'p')
            details += Indented(CaseMessage(o.output));
        printf("  %-8s %s (%lu ms)\n", verdict, name.c_str(), ms);
    }
    fprintf(results, "%s: %d passed, %d failed, %d skipped\n%s", suite.c_str(), t.passed, t.failed, t.skipped,
            details.c_str());
    return t;
}

// The display's resolution and whether the desktop is composed (the Desktop
// Window Manager, looked up: Windows 7 can turn it off, 8 and later cannot).
std::string DisplayInfo()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    std::string composed = "not known (no dwmapi.dll)";
    using IsEnabled = HRESULT(WINAPI*)(BOOL*);
    if (const HMODULE dwm = LoadLibraryA("dwmapi.dll")) {
        const auto fn = reinterpret_cast<IsEnabled>(
            reinterpret_cast<void*>(GetProcAddress(dwm, "DwmIsCompositionEnabled")));
        BOOL on = FALSE;
        if (fn && SUCCEEDED(fn(&on)))
            composed = on ? "yes" : "no";
    }
    return std::to_string(dpi) + " DPI; desktop composed: " + composed;
}

} // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    // A case that crashes ends with its exit code rather than wait in an
    // error dialog for someone to close it; its processes inherit this.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetProcessDPIAware();
    DWORD timeoutMs = 120000;
    if (argc == 3 && strcmp(argv[1], "--timeout") == 0 && atoi(argv[2]) > 0)
        timeoutMs = static_cast<DWORD>(atoi(argv[2])) * 1000;
    else if (argc != 1) {
        fprintf(stderr, "usage: tavrel_run_tests [--timeout SECONDS]\n");
        return 2;
    }
    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    g_dir.assign(self, length);
    g_dir.erase(g_dir.find_last_of('\\') + 1);
    const std::string resultsPath = g_dir + "results.txt";
    FILE* results = fopen(resultsPath.c_str(), "w");
    if (!results) {
        fprintf(stderr, "cannot write %s\n", resultsPath.c_str());
        return 1;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    fprintf(results, "Tavrel's Windows tests, %04u-%02u-%02u %02u:%02u (local time), in %s\n", now.wYear,
            now.wMonth, now.wDay, now.wHour, now.wMinute, g_dir.c_str());
    std::string windows;
    for (const std::string& line : Split(RunProcess("cmd /c ver", 10000).output, '\n'))
        windows += line;
    fprintf(results, "System: %s\n", windows.c_str());
    if (!WineVersion().empty())
        fprintf(results, "Wine: %s\n", WineVersion().c_str());
    fprintf(results, "Display: %s\n\n", DisplayInfo().c_str());

    Tally all;
    for (const std::string& suite : Split(kSuites, ',')) {
        const Tally t = RunSuite(suite, timeoutMs, results);
        all.passed += t.passed;
        all.failed += t.failed;
        all.skipped += t.skipped;
        fflush(results);
    }

    printf("whole-program check\n");
    const Outcome check = RunProcess("\"" + g_dir + "tavrel_probe.exe\" check", kCheckTimeoutMs);
    // Passed, or skipped in part (a line of its output says what and why).
    const bool passed = check.started && !check.timedOut && check.code == 0;
    const bool skipped = passed && check.output.find("SKIPPED") != std::string::npos;
    ++(skipped ? all.skipped : passed ? all.passed : all.failed);
    printf("%s", check.output.c_str());
    fprintf(results, "whole-program check: %s%s\n%s",
            skipped ? "SKIPPED in part" : passed ? "passed" : "FAILED",
            check.timedOut ? ": still running after its time limit, ended" : "", Indented(check.output).c_str());

    char closing[96];
    snprintf(closing, sizeof closing, "%d passed, %d failed, %d skipped", all.passed, all.failed, all.skipped);
    fprintf(results, "\n%s\n", closing);
    fclose(results);
    printf("\nresults: %s\n%s\n", resultsPath.c_str(), closing);
    return all.failed ? 1 : 0;
}
