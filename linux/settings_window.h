// The settings window (tekuteku-settings, which `tekuteku --settings` runs), the Linux form of
// the Windows settings dialog. It shows the settings stored in control.ini beside a live
// miniature of the saver, and OK writes all four back; Cancel, Escape or closing the window
// writes nothing.
#pragma once
#include <string>

// Runs the window until it is done, or until SIGTERM, SIGINT or SIGHUP arrives on signalFd
// (left in endSignal); returns the exit status.
int RunSettingsWindow(const std::string& iniPath, int signalFd, int& endSignal);
