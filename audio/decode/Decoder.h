#pragma once

// Turns a local audio file into interleaved stereo float frames at the file's own rate.
// A decoder is used by one thread at a time (the engine's decoding thread after opening).

#include <cstdint>
#include <memory>
#include <string>

#include "audio/decode/StreamTags.h"

namespace audio {

class Decoder {
 public:
  static constexpr int kChannels = 2;

  virtual ~Decoder() = default;

  // The file's own rate and channel count (before the conversion to stereo).
  virtual int sampleRate() const = 0;
  virtual int channels() const = 0;
  // Length in frames: what the container says until the end has been decoded, then exact.
  virtual int64_t lengthFrames() const = 0;
  virtual bool lengthExact() const = 0;

  // Decodes up to `maxFrames` stereo frames into `out`. Returns the number written; 0 means
  // the end of the stream (or an error that ends it).
  virtual int read(float* out, int maxFrames) = 0;
  // Moves so that the next read() starts exactly at `frame`. False when the file cannot
  // seek; the decoder is then at its end.
  virtual bool seek(int64_t frame) = 0;
  // Whether seek(frame) would open the file afresh, to decode from its start: the engine then
  // makes that seek on a media thread, as it makes every open.
  virtual bool seekReopens(int64_t frame) const = 0;
  // The frame index that the next read() starts at.
  virtual int64_t position() const = 0;
  // The file's tags and embedded cover picture; none unless the decoder reads them.
  virtual StreamTags tags() const { return {}; }
};

// Opens a local file. Returns nullptr when the path is not a readable local file of an
// allowed audio container, holds no audio stream, or its audio cannot be decoded.
std::unique_ptr<Decoder> openDecoder(const std::string& path);

// Waits until the decoding libraries are loaded, when another thread has begun to load them
// (the first open); returns at once otherwise. A process must not end while one of its
// threads is inside the dynamic loader, which runs the libraries' own start-up code.
void awaitDecoderLibraries();

}  // namespace audio
