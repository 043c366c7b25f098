#pragma once

// Writes one line to the system log (stderr), in one write:
// "YYYY-MM-DD HH:MM:SS.mmm marrowfin[PID:TID] MESSAGE", local time.
// The format is the platform's string formatting, with "%@" for an object. The message is
// escaped as LineEscaped does, so it is always one line.
void NSLog(const char* format, ...);
