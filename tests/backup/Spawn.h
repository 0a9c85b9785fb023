#pragma once
// Starts another program for the tests that run processes side by side.
#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>

#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace torvelle::backup::test {

// Starts argv[0] with `argv`, its output to /dev/null; throws when it
// cannot be started.
inline pid_t spawnQuiet(const std::vector<std::string>& argv) {
  std::vector<std::string> owned = argv;
  std::vector<char*> pointers;
  pointers.reserve(owned.size() + 1);
  for (auto& a : owned) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + owned[0]);
  return pid;
}

}  // namespace torvelle::backup::test
