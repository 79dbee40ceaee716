// kovara-end-session PROGRAM.exe: ends the user's session for the running programs of that name
// as Windows does at a log-off, for the tests under Wine, whose own log-off sends nothing: every
// top-level window of theirs, hidden ones too, is asked WM_QUERYENDSESSION, then told
// WM_ENDSESSION (TRUE) whatever it answered, as when the user chooses to log off anyway. Prints
// each window's answer; exits 0 when at least one window was found, 1 otherwise.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

struct Search
{
    const wchar_t *program;
    std::vector<HWND> windows;
};

bool isOf(HWND window, const wchar_t *program)
{
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!process)
        return false;
    wchar_t path[MAX_PATH * 4];
    DWORD size = DWORD(sizeof path / sizeof *path);
    const bool named = QueryFullProcessImageNameW(process, 0, path, &size);
    CloseHandle(process);
    const wchar_t *name = named ? std::wcsrchr(path, L'\\') : nullptr;
    return name && _wcsicmp(name + 1, program) == 0;
}

BOOL CALLBACK collect(HWND window, LPARAM search)
{
    auto &found = *reinterpret_cast<Search *>(search);
    if (isOf(window, found.program))
        found.windows.push_back(window);
    return TRUE;
}

} // namespace

int wmain(int argc, wchar_t *argv[])
{
    if (argc != 2) {
        std::fwprintf(stderr, L"usage: kovara-end-session PROGRAM.exe\n");
        return 2;
    }
    Search search {argv[1], {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
    for (const HWND window : search.windows) {
        DWORD_PTR answer = 0;
        const bool answered = SendMessageTimeoutW(
            window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &answer);
        wchar_t title[256] = L"";
        GetWindowTextW(window, title, 256);
        std::wprintf(L"\"%ls\": %ls\n",
                     title,
                     !answered    ? L"no answer"
                         : answer ? L"may end"
                                  : L"holds the session");
    }
    for (const HWND window : search.windows) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(
            window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 10000, &ignored);
    }
    std::fflush(stdout);
    return search.windows.empty() ? 1 : 0;
}
