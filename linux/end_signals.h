// SIGTERM, SIGINT and SIGHUP, as the saver and its settings window both handle them: read from a
// descriptor between two turns of the program's loop, then died of, as XScreenSaver expects.
#pragma once

// Blocks the three signals and returns a descriptor that becomes readable when one arrives, or
// -1. Call it before any other thread exists, so every thread inherits the mask; a mask and
// pending signals that came through exec are kept.
int BlockEndSignals();
// Dies of the signal that ended the program, once everything it owned has been released.
[[noreturn]] void DieOf(int signalNumber);
