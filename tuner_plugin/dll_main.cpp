// Windows' load notification: only the attach step, which threads and files never need.
#include <windows.h>

#include "tuner_plugin/plugin_state.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) glyphbox::AttachProcess(instance);
    return TRUE;
}
