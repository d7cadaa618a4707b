// Shared by the password doubles: where the test wants the answer and the call log.
#pragma once
#include <windows.h>
#include <cstdio>
#include <cstdlib>

namespace double_log {

// The answer comes from the file named by <fileVar> (first number in it) when that file exists,
// else from <valueVar>, else 0. A file lets a test change the answer while the saver runs.
inline int ReadAnswer(const char* fileVar, const char* valueVar) {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA(fileVar, path, sizeof path);
    if (n > 0 && n < sizeof path) {
        FILE* f = std::fopen(path, "rb");
        if (f) {
            int value = 0;
            int got = std::fscanf(f, "%d", &value);
            std::fclose(f);
            if (got == 1) return value;
        }
    }
    char text[32];
    n = GetEnvironmentVariableA(valueVar, text, sizeof text);
    if (n > 0 && n < sizeof text) return std::atoi(text);
    return 0;
}

// Appends one line to the file named by TEKUTEKU_PWD_LOG, if set. Opened per call so the test
// can read it while the process still runs.
inline void Append(const char* line) {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("TEKUTEKU_PWD_LOG", path, sizeof path);
    if (n == 0 || n >= sizeof path) return;
    FILE* f = std::fopen(path, "ab");
    if (!f) return;
    std::fputs(line, f);
    std::fputs("\n", f);
    std::fclose(f);
}

// Describes a window for the log: decimal handle, class and title.
inline void DescribeWindow(HWND window, char* out, size_t size) {
    char cls[64] = "";
    char title[192] = "";
    if (window && IsWindow(window)) {
        GetClassNameA(window, cls, sizeof cls);
        // UTF-8, so the log reads the same in any locale of the test scripts.
        wchar_t wide[64] = L"";
        GetWindowTextW(window, wide, 64);
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, title, sizeof title, nullptr, nullptr);
    }
    std::snprintf(out, size, "hwnd=%lu class=%s title=%s", (unsigned long)(ULONG_PTR)window,
                  cls[0] ? cls : "-", title[0] ? title : "-");
}

}  // namespace double_log
