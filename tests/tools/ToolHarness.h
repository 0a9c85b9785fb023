#pragma once
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/TempDir.h"

extern char** environ;

namespace torvelle::tools::test {

using torvelle::testing::TempDir;

inline void writeFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct ProcessResult {
  int status = -1;  // exit status; 128 + signal number when killed by a signal
  std::string out;
  std::string err;
};

// Runs a program to its end with standard output and error captured in
// files (no pipe can fill up and stall it). `stdoutPath` redirects standard
// output to a file of the caller's choice, e.g. /dev/full.
inline ProcessResult runProcess(const std::vector<std::string>& argv,
                                const std::filesystem::path& scratch,
                                const std::string& stdoutPath = {}) {
  const std::string outPath = stdoutPath.empty() ? (scratch / "stdout.txt").string() : stdoutPath;
  const std::string errPath = (scratch / "stderr.txt").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0) {
  }
  ProcessResult result;
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  if (stdoutPath.empty()) result.out = readFile(outPath);
  result.err = readFile(errPath);
  return result;
}

// torvelle-db with the given arguments; the path of the built tool comes
// from the build.
inline ProcessResult runTool(const std::vector<std::string>& args,
                             const std::filesystem::path& scratch,
                             const std::string& stdoutPath = {}) {
  std::vector<std::string> argv = {TORVELLE_DB_TOOL};
  argv.insert(argv.end(), args.begin(), args.end());
  return runProcess(argv, scratch, stdoutPath);
}

}  // namespace torvelle::tools::test
