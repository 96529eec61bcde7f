// A DLL whose export claims to be stdcall (its .def names it "_function1@8") but is built
// cdecl, as a slip in a declaration would make it: the return-path check must refuse it.
extern "C" int function1(const char* name, const char* slot) { return name == slot ? 7 : 3; }
