#pragma once

// A session bus of the test's own, so that bus tests neither need nor disturb the desktop's.
// Define one instance at namespace scope in the test file: it starts before main() creates
// the QApplication (Qt reads DBUS_SESSION_BUS_ADDRESS on first use) and stops at exit.

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/types.h>

class MprisPrivateBus {
 public:
  MprisPrivateBus() {
    FILE* out = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
    if (out == nullptr) return;
    char line[512];
    if (fgets(line, sizeof line, out) != nullptr) address_ = trimmed(line);
    if (fgets(line, sizeof line, out) != nullptr) pid_ = static_cast<pid_t>(atol(line));
    pclose(out);
    if (!address_.empty()) setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
  }
  ~MprisPrivateBus() {
    if (pid_ > 0) kill(pid_, SIGTERM);
  }
  MprisPrivateBus(const MprisPrivateBus&) = delete;
  MprisPrivateBus& operator=(const MprisPrivateBus&) = delete;

  bool started() const { return !address_.empty() && pid_ > 0; }

 private:
  static std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
  }

  std::string address_;
  pid_t pid_ = 0;
};
