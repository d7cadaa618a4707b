// Helpers for the settings tests: the prefix's control.ini and fake platform answers.
#pragma once
#include <windows.h>

#include <string>

// Path of control.ini in the Windows directory, where the profile functions put a bare name.
std::string ProfilePath();
// Whole file, or "<missing>".
std::string ReadProfileFile();
void RemoveProfileFile();
// Replaces the file with these bytes (CRLF line ends are the caller's business).
void WriteProfileFile(const std::string& bytes);

// "Screen Saver.てくてくポルッカ" in code page 932, built independently of the resources.
std::string SectionBytes();
// A settings section holding the given "key=value\r\n" lines.
std::string SettingsFile(const std::string& lines);

// UTF-16 text of a window, so Japanese can be compared whatever the ANSI code page.
std::wstring WindowTextW(HWND window);
std::string WindowTextA(HWND window);

// Fake platform answers for the dialog's queries.
extern int FakeScreenHeight;
extern int FakeDpi;  // what FakeScreenDpi answers
int FakeScreenDpi();
extern UINT FakeWaveDevices;
extern int WaveDeviceQueries;
int WINAPI FakeGetSystemMetrics(int index);
UINT WINAPI FakeWaveOutGetNumDevs();
