#pragma once

namespace torvelle::tools {

// `torvelle-db sync DIR [--server URL --user NAME --password-file FILE]
// [--password P]... [--allow-empty]`: syncs the data folder DIR with its
// account, setting the account up first when a server is given. Prints the
// summary; returns 0 on success, 1 on any failure, 2 for a bad command line.
int runSyncCommand(int argc, char** argv);

}  // namespace torvelle::tools
