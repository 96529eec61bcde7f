// The entry points the TV host calls, each a forward into the plug-in. All but _WEP leave
// the arguments to the caller; the host reads no result it is not promised.
#include "plugin_abi.h"
#include "tuner_plugin/entry_points.h"

extern "C" {

PLUGIN_EXPORT int On_Start(int, platform::HostWindow window, int, int, char* character,
                           const char*, std::int32_t* integer) {
    glyphbox::Start(window, character, integer);
    return 0;
}

PLUGIN_EXPORT int On_Exit() {
    glyphbox::Exit();
    return 0;
}

PLUGIN_EXPORT int On_Send_Dll_ID_Name(char* buffer) {
    glyphbox::SendName(buffer);
    return 0;
}

PLUGIN_EXPORT int On_Menu_Select(std::uint32_t commandId) {
    glyphbox::MenuSelect(commandId);
    return 0;
}

PLUGIN_EXPORT int On_Channel_Change(int) {
    glyphbox::Event();
    return 0;
}

PLUGIN_EXPORT int On_Rec_Play(int) {
    glyphbox::Event();
    return 0;
}

PLUGIN_EXPORT int On_Hot_Key(int) { return 0; }

PLUGIN_EXPORT int On_Osd_Key(int) { return 0; }

PLUGIN_EXPORT int On_Filter_Close(int) { return 0; }

PLUGIN_EXPORT int On_VideoText_Stream(void*) { return 0; }

PLUGIN_EXPORT int PLUGIN_STDCALL _WEP(int) { return 1; }

}  // extern "C"
