#include "platform/x11/stop_signals.hpp"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

namespace pr::x11 {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[3];

extern "C" void on_stop_signal(int signal) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(signal);
  [[maybe_unused]] ssize_t ignored = write(g_pipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

StopSignals::StopSignals() {
  if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::cerr << "pagerook: pipe: " << std::strerror(errno) << std::endl;
    g_pipe[0] = g_pipe[1] = -1;
    return;
  }
  struct sigaction action {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &g_previous[i]);
}

StopSignals::~StopSignals() {
  if (g_pipe[0] < 0) return;
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
  close(g_pipe[0]);
  close(g_pipe[1]);
  g_pipe[0] = g_pipe[1] = -1;
}

int StopSignals::fd() const {
  return g_pipe[0];
}

int StopSignals::take() {
  unsigned char byte = 0;
  int signal = 0;
  while (g_pipe[0] >= 0 && read(g_pipe[0], &byte, 1) == 1) signal = byte;
  return signal;
}

}  // namespace pr::x11
