#include <iostream>
#include <string>
#include <vector>

#include "DbTool.h"
#include "PdfCommand.h"
#include "SyncCommand.h"

int main(int argc, char** argv) {
  // Sync runs on an event loop; every other command is plain.
  if (argc > 1 && std::string(argv[1]) == "sync")
    return torvelle::tools::runSyncCommand(argc, argv);
  const std::vector<std::string> args(argv + 1, argv + argc);
  // Only the printed sheets need Qt; every other command stays without it.
  if (!args.empty() && args[0] == "pdf")
    return torvelle::tools::runPdfCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
  return torvelle::tools::runDbTool(args, std::cout, std::cerr);
}
