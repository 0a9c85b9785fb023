#include <iostream>
#include <string>
#include <vector>

#include "DbTool.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return torvelle::tools::runDbTool(args, std::cout, std::cerr);
}
