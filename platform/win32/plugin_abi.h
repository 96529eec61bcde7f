// How the hosts call plug-in functions on Windows: exports are named in the .def files.
#pragma once

#define PLUGIN_EXPORT
#define PLUGIN_STDCALL __stdcall
