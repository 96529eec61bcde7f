// The Linux counterpart of DllMain's attach step, run when the library is loaded.
#include "tuner_plugin/plugin_state.h"

namespace {

struct AttachOnLoad {
    AttachOnLoad() { glyphbox::AttachProcess(nullptr); }
};

const AttachOnLoad attachOnLoad;

}  // namespace
