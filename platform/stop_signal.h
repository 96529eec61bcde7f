// Ending a long-running tool when the user or the system asks (Ctrl-C, a polite kill, the
// terminal going away): the tool notices at its next check and ends as at its own end, so
// its plug-in is told and the shared block released.
#pragma once

namespace platform {

// From now on catches Ctrl-C, SIGTERM and SIGHUP (on Windows the console's Ctrl-C, Ctrl-Break
// and close events), and makes a write to a closed pipe or past the file size limit fail
// instead of ending the process.
// A second Ctrl-C or signal ends the process at once; on Linux only one a second or more
// after the first: signals closer together (a closed terminal sends two hangups) are one.
// A signal this process was started with ignored stays ignored (nohup keeps working).
void CatchStopSignals();

// The exit code the first stop asked for: 130 for Ctrl-C, 143 for SIGTERM, 129 for SIGHUP or
// a closed console; 0 while none has come.
int StopRequested();

// Sleeps `ms` milliseconds, or less when a stop comes; true when a stop has come.
bool SleepUnlessStopped(int ms);

}  // namespace platform
