// How plug-in functions are called on Linux: plain C calls, exported by visibility.
#pragma once

#define PLUGIN_EXPORT __attribute__((visibility("default")))
#define PLUGIN_STDCALL
