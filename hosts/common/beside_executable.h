// Files the hosts and their tests keep next to the running program.
#pragma once

#include <string>

// The path of `name` in the folder of the running program's executable.
std::string BesideExecutable(const std::string& name);
