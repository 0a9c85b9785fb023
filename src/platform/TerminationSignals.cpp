#include "platform/TerminationSignals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace torvelle::platform {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
volatile std::sig_atomic_t writeFd = -1;

extern "C" void onTerminationSignal(int number) {
  // Only async-signal-safe calls here: one byte into the pipe.
  const int saved = errno;
  const auto byte = static_cast<unsigned char>(number);
  if (writeFd >= 0) {
    const auto written = ::write(writeFd, &byte, 1);
    (void)written;  // a full pipe already holds a request
  }
  errno = saved;
}

}  // namespace

TTerminationSignals::TTerminationSignals(QObject* parent) : QObject(parent) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) != 0)
    throw std::runtime_error("Cannot create the pipe for termination signals.");
  ::fcntl(fds_[0], F_SETFL, O_NONBLOCK);
  ::fcntl(fds_[1], F_SETFL, O_NONBLOCK);
  writeFd = fds_[1];
  notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &TTerminationSignals::readPipe);
  struct sigaction action = {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int number : kSignals) ::sigaction(number, &action, nullptr);
}

TTerminationSignals::~TTerminationSignals() {
  for (const int number : kSignals) std::signal(number, SIG_DFL);
  writeFd = -1;
  notifier_.reset();
  ::close(fds_[0]);
  ::close(fds_[1]);
}

void TTerminationSignals::readPipe() {
  unsigned char byte = 0;
  while (::read(fds_[0], &byte, 1) == 1) emit terminationRequested(byte);
}

}  // namespace torvelle::platform
