// `tekuteku --settings`: the settings window is a program of its own, tekuteku-settings, so
// that the saver itself, which every XScreenSaver start runs, loads no GTK.
#pragma once

// Replaces this process with tekuteku-settings, looked for beside the running program (the
// build tree), then in ../tekuteku/ (installed: libexec/xscreensaver/tekuteku finds
// libexec/tekuteku/tekuteku-settings). Returns only when it cannot, with the exit status, after
// saying why: a tekuteku without it says it has no settings window.
int RunSettingsProgram();
