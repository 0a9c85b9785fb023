#pragma once
// A throw-away Radicale for one test: its own storage folder and htpasswd
// file, on a free loopback port, stopped (and its files removed) after.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "common/TempDir.h"

namespace torvelle::testing {

inline int freeLoopbackPort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    ::close(s);
    throw std::runtime_error("no free loopback port");
  }
  ::close(s);
  return ntohs(a.sin_port);
}

inline bool accepting(int port) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(s);
  return ok;
}

class Radicale {
 public:
  static bool available() { return std::system(PYTHON " -c 'import radicale' 2>/dev/null") == 0; }

  Radicale() : port_(freeLoopbackPort()) {
    writeBytes(dir_ / "users", "alice:secret\n");
    writeBytes(dir_ / "config",
               "[server]\nhosts = 127.0.0.1:" + std::to_string(port_) +
                   "\n[auth]\ntype = htpasswd\nhtpasswd_filename = " + (dir_ / "users").string() +
                   "\nhtpasswd_encryption = plain\n[storage]\n"
                   "filesystem_folder = " +
                   (dir_ / "collections").string() +
                   "\n[rights]\ntype = owner_only\n[logging]\nlevel = warning\n");
    pid_ = ::fork();
    if (pid_ == 0) {
      const std::string config = (dir_ / "config").string();
      ::execl(PYTHON, PYTHON, "-m", "radicale", "--config", config.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    for (int i = 0; i < 200 && !accepting(port_); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!accepting(port_)) throw std::runtime_error("Radicale did not start");
  }
  ~Radicale() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  Radicale(const Radicale&) = delete;
  Radicale& operator=(const Radicale&) = delete;

  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }
  const std::filesystem::path& folder() const { return dir_.path(); }
  // A file with the password, as the sync command takes it.
  std::string passwordFile() const {
    writeBytes(dir_ / "password", "secret\n");
    return (dir_ / "password").string();
  }

 private:
  TempDir dir_;
  int port_;
  pid_t pid_ = -1;
};

}  // namespace torvelle::testing
