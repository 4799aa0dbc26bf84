// Feeds arbitrary bytes to the hand-off decoder, whole and in pieces as a socket might
// deliver them, and checks what a receiver relies on.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

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
    // A complete frame is exactly what the sender would have made of the path.
    check(whole.path.find('\0') == std::string::npos);
    check(whole.path.size() < kHandOffMaxBlockBytes);
    check(encodeHandOff(whole.path) == input);
  } else {
    check(whole.path.empty());
  }

  // A receiver decodes after every arrival: once a prefix is judged invalid or complete,
  // every longer one is invalid (a frame is never followed by more bytes).
  bool settled = false;
  for (std::size_t length = 0; length <= size; ++length) {
    const HandOffStatus status = decodeHandOff(input.substr(0, length)).status;
    if (settled) check(status == HandOffStatus::Invalid);
    if (status != HandOffStatus::Incomplete) settled = true;
  }

  // Whatever the path, its frame decodes back to it when it fits.
  const std::string_view asPath = input.substr(0, input.find('\0'));
  if (handOffFits(asPath)) {
    const HandOffDecoded again = decodeHandOff(encodeHandOff(asPath));
    check(again.status == HandOffStatus::Complete && again.path == asPath);
  }
  return 0;
}
