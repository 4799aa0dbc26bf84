// Feeds arbitrary bytes to the hand-off decoder, whole and in pieces as a socket might
// deliver them, and checks what a receiver relies on.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/HandOffMessage.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const HandOffDecoded whole = decodeHandOff(input);

  if (whole.status == HandOffStatus::Complete) {
    // A complete frame is exactly what the sender would have made of the paths.
    for (const std::string& path : whole.paths) check(!path.empty() && path.find('\0') == std::string::npos);
    check(handOffFits(whole.paths));
    check(encodeHandOff(whole.paths) == input);
  } else {
    check(whole.paths.empty());
  }

  // A receiver decodes after every arrival: once a prefix is judged invalid or complete,
  // every longer one is invalid (a frame is never followed by more bytes).
  bool settled = false;
  for (std::size_t length = 0; length <= size; ++length) {
    const HandOffStatus status = decodeHandOff(input.substr(0, length)).status;
    if (settled) check(status == HandOffStatus::Invalid);
    if (status != HandOffStatus::Incomplete) settled = true;
  }

  // Whatever the paths, their frame decodes back to them when it fits.
  std::vector<std::string> asPaths;
  for (std::string_view rest = input; !rest.empty();) {
    const std::size_t end = rest.find('\0');
    if (end != 0) asPaths.emplace_back(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  }
  if (handOffFits(asPaths)) {
    const HandOffDecoded again = decodeHandOff(encodeHandOff(asPaths));
    check(again.status == HandOffStatus::Complete && again.paths == asPaths);
  }
  return 0;
}
