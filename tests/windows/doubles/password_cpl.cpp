// A stand-in for the system's password component, for tests only. It answers close requests
// as the test says and records each call, so a test sees when and with which window the saver
// asked.
//
//   TEKUTEKU_PWD_ANSWER_FILE  file whose first number is the answer (read on every call)
//   TEKUTEKU_PWD_ANSWER       the answer when there is no such file (default 0: refuse)
//   TEKUTEKU_PWD_BUSY_MS      keep a modal message loop running this long before answering,
//                             as a password dialog would
//   TEKUTEKU_PWD_LOG          file to which one line per call is appended
//   TEKUTEKU_PWD_FAULT        1: write through a null pointer instead of answering, as a broken
//                             component would; 2: call abort(); 3: throw a C++ exception that
//                             nothing catches
#include "double_log.h"

namespace {

// Runs the caller's messages for a while, like the component's own modal dialog.
void PumpMessagesFor(DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window) {
    char who[200];
    double_log::DescribeWindow(window, who, sizeof who);
    char line[300];
    std::snprintf(line, sizeof line, "VerifyScreenSavePwd begin %s", who);
    double_log::Append(line);

    switch (double_log::ReadAnswer("", "TEKUTEKU_PWD_FAULT")) {
        case 1:
            *static_cast<volatile int*>(nullptr) = 1;
            break;
        case 2:
            std::abort();
        case 3:
            throw 3;
        default:
            break;
    }

    int busy = double_log::ReadAnswer("TEKUTEKU_PWD_BUSY_MS_FILE", "TEKUTEKU_PWD_BUSY_MS");
    if (busy > 0) PumpMessagesFor(static_cast<DWORD>(busy));

    int answer = double_log::ReadAnswer("TEKUTEKU_PWD_ANSWER_FILE", "TEKUTEKU_PWD_ANSWER");
    std::snprintf(line, sizeof line, "VerifyScreenSavePwd end %s answer=%d", who, answer);
    double_log::Append(line);
    return answer;
}
