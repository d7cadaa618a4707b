#include "tests/windows/settings/settings_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "settings/win32/module_instance.h"

int FakeScreenHeight = 768;
int FakeDpi = 96;
int FakeScreenDpi() { return FakeDpi; }
UINT FakeWaveDevices = 0;
int WaveDeviceQueries = 0;

int WINAPI FakeGetSystemMetrics(int index) {
    return index == SM_CYSCREEN ? FakeScreenHeight : GetSystemMetrics(index);
}

UINT WINAPI FakeWaveOutGetNumDevs() {
    ++WaveDeviceQueries;
    return FakeWaveDevices;
}

std::string ProfilePath() {
    char directory[MAX_PATH];
    GetWindowsDirectoryA(directory, sizeof directory);
    return std::string(directory) + "\\control.ini";
}

std::string ReadProfileFile() {
    FILE* file = std::fopen(ProfilePath().c_str(), "rb");
    if (!file) return "<missing>";
    std::string bytes;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
    std::fclose(file);
    return bytes;
}

// The profile functions may cache a file; flushing first keeps them from resurrecting it.
void RemoveProfileFile() {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "control.ini");
    DeleteFileA(ProfilePath().c_str());
}

void WriteProfileFile(const std::string& bytes) {
    RemoveProfileFile();
    FILE* file = std::fopen(ProfilePath().c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::string SectionBytes() {
    const wchar_t* name = L"てくてくポルッカ";
    char bytes[64] = {};
    WideCharToMultiByte(932, 0, name, -1, bytes, sizeof bytes, nullptr, nullptr);
    return std::string("Screen Saver.") + bytes;
}

std::string SettingsFile(const std::string& lines) {
    return "[" + SectionBytes() + "]\r\n" + lines;
}

std::wstring WindowTextW(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

std::string WindowTextA(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    ModuleInstance = GetModuleHandleA(nullptr);
    // The dialog's texts are code page 932 bytes; under another ANSI code page they would be
    // garbled, and so would every comparison here.
    if (GetACP() != 932) {
        std::fprintf(stderr, "ANSI code page is %u, not 932: run with LANG=ja_JP.UTF-8\n",
                     GetACP());
        return 1;
    }
    return RUN_ALL_TESTS();
}
