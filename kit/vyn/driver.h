// vyn's steps for each source: dependency scan, compile, CodeView conversion,
// listings.
#pragma once

#include "kit/vyn/host.h"

#include <string>
#include <vector>

namespace vyn::cc {

// Runs vyn with args (program name excluded); returns the exit code.
int run_vyn(const std::vector<std::string>& args, Host& host);

}  // namespace vyn::cc
