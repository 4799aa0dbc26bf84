#pragma once

// The audio engine: one per process. It opens streams from local files, plays them through
// an output back end, runs each stream's effect chain, and answers positions, lengths and
// spectra. The calls mirror the small set of operations the player relies on; every call
// refuses a handle that is 0, released or unknown without side effects.
//
// Threads: every public call may be made from any one controlling thread (the GUI thread in
// the player). None of them waits on decoding or file I/O except streamCreateFile, which
// opens the file and reads its header. The per-tick calls (isActive, getLength, getPosition,
// bytesToSeconds, setAttribute, getFft1024, the effect parameter calls) allocate nothing.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "audio/dsp/Effect.h"

namespace audio {

class Output;

using StreamHandle = uint32_t;
using FxHandle = uint32_t;

enum class Activity : int { Stopped = 0, Playing = 1, Stalled = 2, Paused = 3 };
enum class Attribute : int { Volume = 2, Pan = 3 };

// Builds the output back end that init() plays through. The default factory opens SDL2's
// audio device (SDL's own environment variables choose the driver) and falls back to a
// silent real-time output when no device can be opened.
using OutputFactory = std::function<std::unique_ptr<Output>(int sampleRate)>;

class Engine {
 public:
  static Engine& instance();

  // Replaces the factory that the next init() uses; nullptr restores the default. Tests use
  // it to play through a manually clocked output.
  static void setOutputFactory(OutputFactory factory);

  // Opens the output at `sampleRate` (device -1 = the default device). Returns false when
  // the engine runs against the silent output because no device could be opened.
  bool init(int device, int sampleRate);
  // Stops all output (the device keeps running silent).
  void stop();
  // Releases every stream and the output.
  void free();
  bool initialized() const;

  // The output the engine plays through, or nullptr before init().
  Output* output();

  StreamHandle streamCreateFile(const std::string& path);
  bool streamFree(StreamHandle stream);

  bool play(StreamHandle stream, bool restart);
  bool pause(StreamHandle stream);
  bool stopStream(StreamHandle stream);
  Activity isActive(StreamHandle stream) const;

  // Byte counts are frames x channels x 2 of the stream's own decoded format; -1 on error.
  int64_t getLength(StreamHandle stream) const;
  int64_t getPosition(StreamHandle stream) const;
  bool setPosition(StreamHandle stream, int64_t bytes);
  // Seconds for a byte count of the stream's format; negative for an unknown stream.
  double bytesToSeconds(StreamHandle stream, int64_t bytes) const;

  bool setAttribute(StreamHandle stream, Attribute attribute, float value);
  bool getAttribute(StreamHandle stream, Attribute attribute, float& value) const;

  // Fills 512 magnitudes of a 1024-point FFT over the last 1024 frames heard (after the
  // effects, before volume and pan; channels averaged, Hann window, |X_k| * 2 / N).
  // Returns false and leaves `out` alone for an unknown stream.
  bool getFft1024(StreamHandle stream, float* out) const;

  // Adds one more instance of an effect; higher priority runs earlier, equal priorities in
  // the order added. Returns 0 on failure.
  FxHandle setFx(StreamHandle stream, FxType type, int priority);
  bool removeFx(StreamHandle stream, FxHandle fx);
  // Copies the record of the effect `fx` into `record` when `fx` names a live effect of the
  // record's kind; otherwise returns false and leaves `record` as it was.
  template <class Record>
  bool fxGetParameters(FxHandle fx, Record& record) const {
    const Effect* effect = liveEffect(fx);
    if (effect == nullptr) return false;
    const EffectRecord current = effect->parameters();
    const Record* typed = std::get_if<Record>(&current);
    if (typed == nullptr) return false;
    record = *typed;
    return true;
  }
  // Applies a whole record (any of the effect records) to the effect `fx`. Refused, with
  // nothing changed, for a handle that names no live effect, a record of another kind of
  // effect, or a field out of its range. A record equal to the one in force costs nothing.
  bool fxSetParameters(FxHandle fx, const EffectRecord& record);

 private:
  Engine();
  const Effect* liveEffect(FxHandle fx) const;
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace audio
