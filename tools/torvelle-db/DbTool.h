#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace torvelle::tools {

// Runs one torvelle-db command line (the arguments after the program name).
// Results go to `out`, errors to `err`; returns the exit status: 0 on
// success, 1 on any error or failed check.
int runDbTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The text --help prints.
std::string dbToolUsage();

}  // namespace torvelle::tools
