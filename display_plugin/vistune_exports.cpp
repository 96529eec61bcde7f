// The five functions the display host calls, each a forward into the plug-in.
#include "display_plugin/display_state.h"
#include "display_plugin/glyph_fields.h"
#include "display_plugin/text_fields.h"
#include "platform/shared_memory.h"
#include "plugin_abi.h"

namespace {
constexpr int kMinRefreshIntervalMs = 1000;
}

extern "C" {

PLUGIN_EXPORT void PLUGIN_STDCALL GlyphboxInit() { vistune::ConnectDisplay(); }

// The block stays mapped until the library is unloaded.
PLUGIN_EXPORT void PLUGIN_STDCALL GlyphboxFini() {
    platform::PrepareSharedMemoryForUnload();
}

PLUGIN_EXPORT int PLUGIN_STDCALL GetMinRefreshInterval() { return kMinRefreshIntervalMs; }

PLUGIN_EXPORT const char* PLUGIN_STDCALL function1(const char* name, const char*) {
    return vistune::AnswerTextField(name);
}

PLUGIN_EXPORT const char* PLUGIN_STDCALL function2(const char* name, const char* slot) {
    return vistune::AnswerGlyphField(name, slot);
}

}  // extern "C"
