// A stand-in for the system's password-change function, for tests only: records each call with
// its four arguments and returns what the test says.
//
//   TEKUTEKU_MPR_ANSWER   the return value (default 0)
//   TEKUTEKU_PWD_LOG      file to which one line per call is appended
#include "double_log.h"

extern "C" __declspec(dllexport) DWORD WINAPI
    PwdChangePasswordA(LPCSTR provider, HWND owner, DWORD reserved1, DWORD reserved2) {
    char who[200];
    double_log::DescribeWindow(owner, who, sizeof who);
    char line[400];
    std::snprintf(line, sizeof line, "PwdChangePasswordA provider=%s %s arg3=%lu arg4=%lu",
                  provider ? provider : "(null)", who, (unsigned long)reserved1,
                  (unsigned long)reserved2);
    double_log::Append(line);
    return static_cast<DWORD>(
        double_log::ReadAnswer("TEKUTEKU_MPR_ANSWER_FILE", "TEKUTEKU_MPR_ANSWER"));
}
