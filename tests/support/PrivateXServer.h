#pragma once

// An X server of the test process's own, for tests that change the server's state (a tray
// host, the keyboard layout) and must not disturb the tests that share the test command's
// server, nor be disturbed by them.

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// Define one at namespace scope: it starts before main() creates the QApplication and
// points DISPLAY at the new server; it stops the server at exit.
class PrivateXServer {
 public:
  PrivateXServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const int devNull = open("/dev/null", O_WRONLY);
      dup2(devNull, STDOUT_FILENO);
      dup2(devNull, STDERR_FILENO);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) return;
    display_ = ":" + number;
    setenv("DISPLAY", display_.c_str(), 1);
    current() = display_;
  }
  ~PrivateXServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  bool started() const { return !display_.empty(); }

  // Whether DISPLAY names a private server that this process started.
  static bool isCurrentDisplay() {
    const char* display = getenv("DISPLAY");
    return display != nullptr && !current().empty() && current() == display;
  }

 private:
  static std::string& current() {
    static std::string display;
    return display;
  }

  pid_t pid_ = -1;
  std::string display_;
};
