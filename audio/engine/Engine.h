#pragma once

// The audio engine: one per process. It opens streams from local files, plays them through
// an output back end, runs each stream's effect chain, and answers positions, lengths and
// spectra. The calls mirror the small set of operations the player relies on; every call
// refuses a handle that is 0, released or unknown without side effects.
//
// Threads: every public call may be made from any one controlling thread (the GUI thread in
// the player), and none of them waits on decoding or file I/O: files are checked, opened,
// probed and closed on the engine's media threads, and a stream answers from what is known so
// far while its file opens. A file that never answers holds up nothing but its own stream, and
// free() waits for it only a moment. Only streamAwaitOpen and awaitFileJobs wait, for callers
// that can (tools and tests). The per-tick calls (isActive, getLength, getPosition,
// bytesToSeconds, setAttribute, getFft1024, streamStatus, the effect parameter calls)
// allocate nothing.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "audio/decode/StreamTags.h"
#include "audio/dsp/Effect.h"

namespace audio {

class Decoder;
class Output;

using StreamHandle = uint32_t;
using FxHandle = uint32_t;

enum class Activity : int { Stopped = 0, Playing = 1, Stalled = 2, Paused = 3 };
enum class Attribute : int { Volume = 2, Pan = 3 };
// Unknown: 0, released, or never made. Failed: the file could not be opened; the handle is
// refused by every call but streamFree, which lets it go.
enum class StreamStatus : int { Unknown = 0, Opening = 1, Open = 2, Failed = 3 };

// Builds the output back end that init() plays through. The default factory opens SDL2's
// audio device (SDL's own environment variables choose the driver); without a device it
// plays in silence at the real-time pace and keeps trying until one opens.
using OutputFactory = std::function<std::unique_ptr<Output>(int sampleRate)>;
// Opens a file for a stream, on a media thread, once its path is known to name a readable
// regular file: the decoder, or nullptr when the file cannot be played.
using DecoderOpener = std::function<std::unique_ptr<Decoder>(const std::string& path)>;

class Engine {
 public:
  static Engine& instance();

  // Replaces the factory that the next init() uses; nullptr restores the default. Tests use
  // it to play through a manually clocked output.
  static void setOutputFactory(OutputFactory factory);
  // Replaces how the files of streams created from now on are opened; nullptr restores the
  // FFmpeg decoder. Tests use it to open through a slow reader.
  static void setDecoderOpener(DecoderOpener opener);

  // The folder that the next init() has the media thread write embedded cover pictures to
  // (made when missing); empty, the default: none are written.
  static void setCoverFolder(std::string folder);

  // Opens the output at `sampleRate` (device -1 = the default device). Returns false when
  // no device could be opened yet.
  bool init(int device, int sampleRate);
  // Fades all output out (the device keeps running silent) until a stream is played again.
  void stop();
  // Releases every stream and the output, and closes every file, within half a second
  // whatever the files do: a thread still inside a file call by then is left to end with the
  // process.
  void free();
  bool initialized() const;

  // The output the engine plays through, or nullptr before init().
  Output* output();

  // Returns a new stream for a local file at once (0 before init()), without touching the
  // file system: the path is checked and the file opened on a media thread. While it opens
  // (Opening), the stream takes requests (play, pause, volume, effects...) and reports a
  // length and position of 0 and the activity Stalled (Paused when paused). It turns Open, or
  // Failed when the path names no regular file that can be read (missing, a folder, a FIFO, a
  // device), or the file holds no audio that plays; a path that never answers leaves it
  // Opening.
  StreamHandle streamCreateFile(const std::string& path);
  // Opens `path` as the stream to play right after `current` reaches its natural end: its
  // first sample follows the last one of `current` in the same block, through current's
  // effects and at its volume and pan. 0 when `current` is unknown or already has one. The
  // file is checked and opened as by streamCreateFile; a stream that turns Failed is not
  // played, and `current` simply ends.
  StreamHandle streamCreateFileAfter(StreamHandle current, const std::string& path);
  // The stream queued after `current` becomes its successor: it keeps playing (or starts,
  // if `current` ended before it was ready), `current` is released, and current's effects,
  // volume, pan and spectrum are now the successor's, under the same effect handles.
  bool streamTakeOver(StreamHandle current, StreamHandle next);
  // Releases a stream. A stream playing fades out over a few milliseconds; a stream
  // queued after another is taken out of the queue; releasing a stream releases the one
  // queued after it too. Its file is closed on a media thread at once (the fade-out plays
  // from what was decoded), as is that of a stream taken over by its successor.
  bool streamFree(StreamHandle stream);
  StreamStatus streamStatus(StreamHandle stream) const;
  // Waits until the stream's file is open or failed to open; true when open.
  bool streamAwaitOpen(StreamHandle stream) const;
  // Waits until every file check, open, seek from the start and close asked for so far has
  // finished.
  void awaitFileJobs();
  // The tags of the stream's file, read with its open on the media thread; its cover picture
  // as a file (StreamTags::coverPath), the embedded picture's bytes already dropped. False,
  // leaving `tags` alone, while the file opens or for a stream that is not open.
  bool streamTags(StreamHandle stream, StreamTags& tags) const;

  // Between a stream's natural end and the take-over of the stream queued behind it, the
  // channel plays the queued one: play, pause and stopStream on the first act on that one,
  // and isActive reads Paused while it is paused.
  bool play(StreamHandle stream, bool restart);
  bool pause(StreamHandle stream);
  bool stopStream(StreamHandle stream);
  Activity isActive(StreamHandle stream) const;
  // Whether anything of the stream can still be heard: its sound, a fade on its way out or
  // its effects ringing out (false for an unknown stream). A stream that is neither Playing
  // nor Stalled and is not audible is at rest: nothing about it changes, and the engine
  // costs nothing for it, until the next call.
  bool audible(StreamHandle stream) const;

  // Byte counts are frames x channels x 2 of the stream's own decoded format; -1 on error.
  int64_t getLength(StreamHandle stream) const;
  int64_t getPosition(StreamHandle stream) const;
  // The position as it read at `moment`, a moment of the last few device periods, where the
  // engine can tell: no seek has been asked for since, and the stream was the one heard then.
  // Otherwise, and for moments further back, the position as it reads now.
  int64_t getPosition(StreamHandle stream, std::chrono::steady_clock::time_point moment) const;
  // Refused while the stream opens, when its frame size is not known yet.
  bool setPosition(StreamHandle stream, int64_t bytes);
  // Seconds for a byte count of the stream's format; negative for an unknown stream or one
  // still opening.
  double bytesToSeconds(StreamHandle stream, int64_t bytes) const;

  bool setAttribute(StreamHandle stream, Attribute attribute, float value);
  bool getAttribute(StreamHandle stream, Attribute attribute, float& value) const;

  // Fills 512 magnitudes of a 1024-point FFT over the last 1024 frames heard (after the
  // effects, before volume and pan; channels averaged, Hann window, |X_k| * 2 / N).
  // Returns false and leaves `out` alone for an unknown stream.
  bool getFft1024(StreamHandle stream, float* out) const;
  // The same, over the frames that had been heard by `moment`, a moment of the last few device
  // periods; for moments further back, over the last frames heard.
  bool getFft1024(StreamHandle stream, float* out, std::chrono::steady_clock::time_point moment) const;

  // Adds one more instance of an effect; higher priority runs earlier, equal priorities in
  // the order added. Returns 0 on failure.
  FxHandle setFx(StreamHandle stream, FxType type, int priority);
  // Adds as many instances of an effect as `handles` holds, in one change that fades in as
  // a whole (the bands of an equaliser, say), and fills `handles` with them in order. False,
  // and `handles` all 0, on failure.
  bool setFx(StreamHandle stream, FxType type, int priority, std::span<FxHandle> handles);
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
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;
  const Effect* liveEffect(FxHandle fx) const;
  // Puts the spectrum of the live stream's history up to `end` into `out`; false, leaving
  // `out` alone, when those frames are no longer kept.
  bool spectrumUpTo(StreamHandle stream, uint64_t end, float* out) const;
  // The same up to the last frame heard.
  void latestSpectrum(StreamHandle stream, float* out) const;

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace audio
