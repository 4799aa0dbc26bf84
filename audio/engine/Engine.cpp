#include "audio/engine/Engine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <unordered_map>
#include <utility>

#include "audio/decode/Decoder.h"
#include "audio/decode/LocalFile.h"
#include "audio/engine/Channel.h"
#include "audio/engine/CoverArt.h"
#include "audio/engine/MediaThread.h"
#include "audio/engine/Mixer.h"
#include "audio/engine/Spectrum.h"
#include "audio/engine/Stream.h"
#include "audio/output/Output.h"

namespace audio {

namespace {

OutputFactory& customFactory() {
  static OutputFactory factory;
  return factory;
}

DecoderOpener& customOpener() {
  static DecoderOpener opener;
  return opener;
}

// How long releasing the engine waits for its threads to come out of their file calls. A
// thread still inside one then (a mount that stopped answering) is left to end with the
// process, which must not outlive its window by more than a moment.
constexpr auto kReleaseWait = std::chrono::milliseconds(500);
// A mix still heard when the engine is released fades out first, and the device is given time
// to play the fade: a device plays a render a period or two after it was made. The wait is
// short enough for an exit, and bounded, in case the device stops asking.
constexpr uint32_t kRendersToPlayOutAFade = 3;
constexpr auto kFadeOutWait = std::chrono::milliseconds(250);

std::string& coverFolderSetting() {
  static std::string folder;
  return folder;
}

// What the desktop is told about the file: its tags, and its cover as a picture file.
StreamTags describeFile(const std::string& path, const Decoder& decoder, const std::string& coverFolder) {
  StreamTags tags = decoder.tags();
  tags.coverPath = coverPictureFor(path, tags, coverFolder);
  tags.picture.clear();
  tags.picture.shrink_to_fit();
  return tags;
}

}  // namespace

struct Engine::Impl {
  // What the controlling thread knows of a stream: the stream, the channel it sounds
  // through, and the stream queued behind it (or, for a queued one, the one ahead).
  struct Entry {
    std::shared_ptr<Stream> stream;
    std::shared_ptr<Channel> channel;
    StreamHandle next = 0;
    StreamHandle ahead = 0;
    // Taken over after it had already played to its end: the play that comes with adopting
    // it finds it finished rather than starting it again.
    bool endedWhenAdopted = false;
  };

  std::unique_ptr<Output> output;
  Mixer mixer;
  MediaThread media;
  bool initialized = false;
  // Whether a release left a thread inside a file call: such a thread may still reach the
  // mixer and the streams it holds when (if ever) the call returns.
  bool threadsLeftBehind = false;
  // Whether anything was heard when the mix was last muted.
  bool heardWhenStopped = false;

  void awaitFadeOut(std::chrono::steady_clock::time_point deadline) {
    if (!heardWhenStopped || output->clockedByCaller()) return;
    while (mixer.silentRendersSinceMute() < kRendersToPlayOutAFade && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  std::string coverFolder;
  // Handles of streams and effects come from one counter, so that no number ever names
  // both, and none is used twice in a run.
  uint32_t lastHandle = 0;
  std::unordered_map<StreamHandle, Entry> streams;
  std::unordered_map<FxHandle, StreamHandle> fxOwners;
  mutable Spectrum spectrum;
  mutable float history[Spectrum::kSize] = {};
  // The last spectrum computed, and the stream (whose channel is its own for life) and
  // the end of the history it was computed over.
  mutable float magnitudes[Spectrum::kBins] = {};
  mutable StreamHandle spectrumHandle = 0;
  mutable uint64_t spectrumEnd = 0;

  // Any stream the engine holds, whatever its state.
  Entry* entry(StreamHandle handle) {
    if (handle == 0) return nullptr;
    const auto it = streams.find(handle);
    return it == streams.end() ? nullptr : &it->second;
  }
  const Entry* entry(StreamHandle handle) const { return const_cast<Impl*>(this)->entry(handle); }

  // A stream that takes calls: open, or still opening.
  Entry* live(StreamHandle handle) {
    Entry* e = entry(handle);
    return e == nullptr || e->stream->openState() == OpenState::Failed ? nullptr : e;
  }
  const Entry* live(StreamHandle handle) const { return const_cast<Impl*>(this)->live(handle); }

  // The stream whose sound a call on `e` is about: the stream itself, or, once it has played
  // to its end with a stream queued behind it, that one, into which its channel has gone on
  // (or goes on as soon as it opens) before the controlling thread takes it over.
  Entry* heard(Entry* e) {
    if (e == nullptr || e->next == 0 || !e->stream->endedAtCurrentRequest()) return e;
    Entry* next = live(e->next);
    return next == nullptr ? e : next;
  }
  const Entry* heard(const Entry* e) const { return const_cast<Impl*>(this)->heard(const_cast<Entry*>(e)); }

  // A stream whose file is open.
  const Stream* open(StreamHandle handle) const {
    const Entry* e = entry(handle);
    return e == nullptr || e->stream->openState() != OpenState::Open ? nullptr : e->stream.get();
  }

  Effect* findFx(FxHandle fx) const {
    if (fx == 0) return nullptr;
    const auto owner = fxOwners.find(fx);
    if (owner == fxOwners.end()) return nullptr;
    const Entry* e = live(owner->second);
    return e == nullptr ? nullptr : e->channel->chain().find(fx);
  }

  // A new stream whose file the media thread opens: nothing here touches the file system.
  // A path that names no readable regular file (missing, a folder, a FIFO, a device) fails
  // without being handed to a decoder.
  std::shared_ptr<Stream> makeStream(const std::string& path) {
    Mixer* decoding = &mixer;
    auto stream = std::make_shared<Stream>(++lastHandle, mixer.sampleRate(), media, [decoding] { decoding->wake(); });
    // The opener in force now opens this file, whatever is set later.
    DecoderOpener opener = customOpener() ? customOpener() : DecoderOpener(openDecoder);
    media.post([stream, path, opener = std::move(opener), decoding, covers = coverFolder] {
      std::unique_ptr<Decoder> decoder;
      if (!stream->released() && isReadableRegularFile(path)) decoder = opener(path);
      if (decoder) {
        stream->setTags(describeFile(path, *decoder, covers));
        stream->attach(std::move(decoder));
      } else {
        stream->fail();
      }
      decoding->wake();
      // A stream asked to play while it opened is heard now: an output resting since is needed.
      if (stream->openState() == OpenState::Open && stream->playRequest() == PlayRequest::Playing) decoding->wakeOutput();
    });
    return stream;
  }

  void forgetEffectsOf(StreamHandle handle) {
    std::erase_if(fxOwners, [handle](const auto& owner) { return owner.second == handle; });
  }

  void release(StreamHandle handle) {
    Entry* e = entry(handle);
    if (e == nullptr) return;
    e->stream->release();
    if (e->ahead != 0) {
      // A queued stream leaves the queue, fading out if it was already heard; the channel
      // plays on.
      Entry* ahead = entry(e->ahead);
      ahead->next = 0;
      mixer.dropNext(ahead->channel.get());
    } else {
      if (e->next != 0) release(e->next);
      mixer.release(e->channel.get());
      forgetEffectsOf(handle);
    }
    streams.erase(handle);
  }
};

Engine& Engine::instance() {
  static Engine engine;
  return engine;
}

void Engine::setOutputFactory(OutputFactory factory) { customFactory() = std::move(factory); }

void Engine::setDecoderOpener(DecoderOpener opener) { customOpener() = std::move(opener); }

void Engine::setCoverFolder(std::string folder) { coverFolderSetting() = std::move(folder); }

Engine::Engine() : impl_(std::make_unique<Impl>()) {}

Engine::~Engine() {
  free();
  // The process is ending, and a thread still inside a file call may come back to these
  // parts: they are left to end with it.
  if (impl_->threadsLeftBehind) {
    [[maybe_unused]] static const Impl* keptForThreadsLeftBehind = impl_.release();
  }
}

bool Engine::init(int device, int sampleRate) {
  (void)device;  // Only the default device is offered.
  if (impl_->initialized) return true;
  if (sampleRate <= 0) return false;
  bool silent = false;
  if (customFactory()) impl_->output = customFactory()(sampleRate);
  if (!impl_->output) {
    impl_->output = makeDefaultOutput(sampleRate, silent);
  }
  impl_->coverFolder = coverFolderSetting();
  impl_->media.start();
  impl_->mixer.start(impl_->output->sampleRate(), impl_->output.get());
  impl_->output->start(&impl_->mixer);
  impl_->initialized = true;
  return !silent;
}

void Engine::stop() {
  if (!impl_->initialized) return;
  impl_->heardWhenStopped = impl_->mixer.playing();
  impl_->mixer.setMuted(true);
}

void Engine::free() {
  if (!impl_->initialized) return;
  const auto deadline = std::chrono::steady_clock::now() + kReleaseWait;
  if (!impl_->mixer.muted()) stop();
  impl_->awaitFadeOut(std::min(deadline, std::chrono::steady_clock::now() + kFadeOutWait));
  impl_->output->stop();
  // Opens not yet begun are skipped, and every file is closed, unless a file never answers.
  for (auto& [handle, entry] : impl_->streams) entry.stream->release();
  const bool decodingEnded = impl_->mixer.stop(deadline);
  impl_->output.reset();
  impl_->fxOwners.clear();
  impl_->streams.clear();
  const bool filesClosed = impl_->media.stop(deadline);
  // A thread left behind may be loading the decoding libraries, which is no file call that
  // may never answer, and the process must not end inside the dynamic loader.
  if (!filesClosed) awaitDecoderLibraries();
  impl_->threadsLeftBehind = impl_->threadsLeftBehind || !decodingEnded || !filesClosed;
  impl_->initialized = false;
}

bool Engine::initialized() const { return impl_->initialized; }

Output* Engine::output() { return impl_->output.get(); }

StreamHandle Engine::streamCreateFile(const std::string& path) {
  if (!impl_->initialized) return 0;
  auto stream = impl_->makeStream(path);
  auto channel = std::make_shared<Channel>(impl_->mixer.sampleRate());
  const StreamHandle handle = stream->handle();
  impl_->streams.emplace(handle, Impl::Entry{stream, channel, 0, 0});
  impl_->mixer.add(std::move(channel), std::move(stream));
  return handle;
}

StreamHandle Engine::streamCreateFileAfter(StreamHandle current, const std::string& path) {
  Impl::Entry* ahead = impl_->live(current);
  if (ahead == nullptr || ahead->next != 0 || ahead->ahead != 0) return 0;
  auto stream = impl_->makeStream(path);
  // It plays as soon as the stream ahead has ended.
  stream->setPlayRequest(PlayRequest::Playing);
  const StreamHandle handle = stream->handle();
  ahead->next = handle;
  impl_->streams.emplace(handle, Impl::Entry{stream, ahead->channel, 0, current});
  impl_->mixer.setNext(ahead->channel.get(), std::move(stream));
  return handle;
}

bool Engine::streamTakeOver(StreamHandle current, StreamHandle next) {
  Impl::Entry* ahead = impl_->entry(current);
  Impl::Entry* queued = impl_->entry(next);
  if (ahead == nullptr || queued == nullptr || ahead->next != next || next == 0) return false;
  queued->ahead = 0;
  queued->endedWhenAdopted = queued->stream->endedAtCurrentRequest();
  ahead->next = 0;
  impl_->mixer.advance(ahead->channel.get());
  for (auto& owner : impl_->fxOwners) {
    if (owner.second == current) owner.second = next;
  }
  ahead->stream->release();
  impl_->streams.erase(current);
  return true;
}

bool Engine::streamFree(StreamHandle stream) {
  if (impl_->entry(stream) == nullptr) return false;
  impl_->release(stream);
  return true;
}

StreamStatus Engine::streamStatus(StreamHandle handle) const {
  const Impl::Entry* e = impl_->entry(handle);
  if (e == nullptr) return StreamStatus::Unknown;
  switch (e->stream->openState()) {
    case OpenState::Opening:
      return StreamStatus::Opening;
    case OpenState::Open:
      return StreamStatus::Open;
    case OpenState::Failed:
      break;
  }
  return StreamStatus::Failed;
}

bool Engine::streamAwaitOpen(StreamHandle handle) const {
  const Impl::Entry* e = impl_->entry(handle);
  return e != nullptr && e->stream->awaitOpen() == OpenState::Open;
}

void Engine::awaitFileJobs() { impl_->media.awaitIdle(); }

bool Engine::streamTags(StreamHandle handle, StreamTags& tags) const {
  const Stream* stream = impl_->open(handle);
  if (stream == nullptr) return false;
  tags = stream->tags();
  return true;
}

bool Engine::play(StreamHandle handle, bool restart) {
  Impl::Entry* e = impl_->heard(impl_->live(handle));
  if (e == nullptr) return false;
  Stream& stream = *e->stream;
  // A stream that played to its end starts again from the beginning, unless it is one that
  // was adopted after its end: that was its play, and it stays finished.
  const bool finished = std::exchange(e->endedWhenAdopted, false);
  if (restart || (stream.endedAtCurrentRequest() && !finished)) stream.requestSeek(0);
  stream.setPlayRequest(PlayRequest::Playing);
  impl_->mixer.setMuted(false);
  impl_->mixer.wake();
  impl_->output->wake();
  return true;
}

bool Engine::pause(StreamHandle handle) {
  Impl::Entry* e = impl_->heard(impl_->live(handle));
  if (e == nullptr || e->stream->playRequest() != PlayRequest::Playing || e->stream->endedAtCurrentRequest()) {
    return false;
  }
  e->stream->setPlayRequest(PlayRequest::Paused);
  return true;
}

bool Engine::stopStream(StreamHandle handle) {
  Impl::Entry* e = impl_->live(handle);
  if (e == nullptr) return false;
  Impl::Entry* heard = impl_->heard(e);
  heard->stream->setPlayRequest(PlayRequest::Stopped);
  heard->endedWhenAdopted = false;
  e->stream->setPlayRequest(PlayRequest::Stopped);
  return true;
}

Activity Engine::isActive(StreamHandle handle) const {
  const Impl::Entry* e = impl_->live(handle);
  if (e == nullptr) return Activity::Stopped;
  // A pause made after the stream's end, while the one queued behind it plays in its place,
  // holds that one: the stream reads as paused, not as finished, until play resumes it.
  const Impl::Entry* heard = impl_->heard(e);
  if (heard != e && heard->stream->playRequest() == PlayRequest::Paused) return Activity::Paused;
  const Stream& stream = *e->stream;
  if (stream.openState() == OpenState::Opening) {
    // Nothing is known yet: not finished, whatever was asked of it.
    return stream.playRequest() == PlayRequest::Paused ? Activity::Paused : Activity::Stalled;
  }
  if (stream.endedAtCurrentRequest()) return Activity::Stopped;
  switch (stream.playRequest()) {
    case PlayRequest::Playing:
      return Activity::Playing;
    case PlayRequest::Paused:
      return Activity::Paused;
    case PlayRequest::Stopped:
      break;
  }
  return Activity::Stopped;
}

int64_t Engine::getLength(StreamHandle handle) const {
  if (impl_->live(handle) == nullptr) return -1;
  const Stream* stream = impl_->open(handle);
  return stream == nullptr ? 0 : stream->lengthFrames() * stream->bytesPerFrame();
}

int64_t Engine::getPosition(StreamHandle handle) const {
  if (impl_->live(handle) == nullptr) return -1;
  const Stream* stream = impl_->open(handle);
  return stream == nullptr ? 0 : stream->positionFrames() * stream->bytesPerFrame();
}

int64_t Engine::getPosition(StreamHandle handle, std::chrono::steady_clock::time_point moment) const {
  const Impl::Entry* e = impl_->live(handle);
  if (e == nullptr) return -1;
  const Stream* stream = impl_->open(handle);
  if (stream == nullptr) return 0;
  Channel::Heard heard;
  const bool then = e->channel->heardAsOf(moment, heard) && heard.handle == handle &&
                    heard.seekSerial == stream->seekSerial();
  return (then ? heard.position : stream->positionFrames()) * stream->bytesPerFrame();
}

bool Engine::setPosition(StreamHandle handle, int64_t bytes) {
  Impl::Entry* e = impl_->live(handle);
  if (e == nullptr || bytes < 0 || e->stream->openState() != OpenState::Open) return false;
  Stream& stream = *e->stream;
  const int64_t frame = bytes / stream.bytesPerFrame();
  if (frame > stream.lengthFrames()) return false;
  stream.requestSeek(frame);
  e->endedWhenAdopted = false;
  impl_->mixer.wake();
  if (stream.playRequest() == PlayRequest::Playing) impl_->output->wake();
  return true;
}

bool Engine::audible(StreamHandle handle) const {
  const Impl::Entry* e = impl_->live(handle);
  return e != nullptr && e->channel->audible();
}

double Engine::bytesToSeconds(StreamHandle handle, int64_t bytes) const {
  const Stream* stream = impl_->open(handle);
  if (stream == nullptr) return -1.0;
  return static_cast<double>(bytes / stream->bytesPerFrame()) / stream->sourceRate();
}

bool Engine::setAttribute(StreamHandle handle, Attribute attribute, float value) {
  Impl::Entry* e = impl_->live(handle);
  if (e == nullptr || !std::isfinite(value)) return false;
  switch (attribute) {
    case Attribute::Volume:
      e->channel->setVolume(std::max(value, 0.0f));
      return true;
    case Attribute::Pan:
      e->channel->setPan(std::clamp(value, -1.0f, 1.0f));
      return true;
  }
  return false;
}

bool Engine::getAttribute(StreamHandle handle, Attribute attribute, float& value) const {
  const Impl::Entry* e = impl_->live(handle);
  if (e == nullptr) return false;
  switch (attribute) {
    case Attribute::Volume:
      value = e->channel->volume();
      return true;
    case Attribute::Pan:
      value = e->channel->pan();
      return true;
  }
  return false;
}

bool Engine::getFft1024(StreamHandle handle, float* out) const {
  const Impl::Entry* e = impl_->live(handle);
  if (e == nullptr || out == nullptr) return false;
  latestSpectrum(handle, out);
  return true;
}

bool Engine::getFft1024(StreamHandle handle, float* out, std::chrono::steady_clock::time_point moment) const {
  const Impl::Entry* e = impl_->live(handle);
  if (e == nullptr || out == nullptr) return false;
  Channel::Heard heard;
  if (!e->channel->heardAsOf(moment, heard) || !spectrumUpTo(handle, heard.historyEnd, out)) latestSpectrum(handle, out);
  return true;
}

// The audio thread adds to the history a block at a time, a few times per device period,
// while the tick asks for every pass: between two blocks the last spectrum still holds.
bool Engine::spectrumUpTo(StreamHandle handle, uint64_t end, float* out) const {
  if (impl_->spectrumHandle != handle || impl_->spectrumEnd != end) {
    if (!impl_->live(handle)->channel->copyHistoryEndingAt(end, impl_->history)) return false;
    impl_->spectrum.compute(impl_->history, impl_->magnitudes);
    impl_->spectrumHandle = handle;
    impl_->spectrumEnd = end;
  }
  std::copy(std::begin(impl_->magnitudes), std::end(impl_->magnitudes), out);
  return true;
}

void Engine::latestSpectrum(StreamHandle handle, float* out) const {
  // The frames just heard are overwritten only if the audio thread goes round the whole
  // history during the copy, which at the real-time pace takes it a sixth of a second.
  const Channel& channel = *impl_->live(handle)->channel;
  if (!spectrumUpTo(handle, channel.historyEnd(), out)) spectrumUpTo(handle, channel.historyEnd(), out);
}

FxHandle Engine::setFx(StreamHandle handle, FxType type, int priority) {
  FxHandle fx = 0;
  return setFx(handle, type, priority, std::span<FxHandle>(&fx, 1)) ? fx : 0;
}

bool Engine::setFx(StreamHandle handle, FxType type, int priority, std::span<FxHandle> handles) {
  std::fill(handles.begin(), handles.end(), 0);
  Impl::Entry* e = impl_->live(handle);
  if (e == nullptr || e->ahead != 0 || handles.empty()) return false;
  FxHandle next = impl_->lastHandle;
  for (FxHandle& fx : handles) fx = ++next;
  if (!e->channel->chain().add(handles, type, priority)) {
    std::fill(handles.begin(), handles.end(), 0);
    return false;
  }
  impl_->lastHandle = next;
  for (const FxHandle fx : handles) impl_->fxOwners.emplace(fx, handle);
  return true;
}

bool Engine::removeFx(StreamHandle handle, FxHandle fx) {
  Impl::Entry* e = impl_->live(handle);
  if (e == nullptr) return false;
  const auto owner = impl_->fxOwners.find(fx);
  if (owner == impl_->fxOwners.end() || owner->second != handle) return false;
  impl_->fxOwners.erase(owner);
  return e->channel->chain().remove(fx);
}

const Effect* Engine::liveEffect(FxHandle fx) const { return impl_->findFx(fx); }

bool Engine::fxSetParameters(FxHandle fx, const EffectRecord& record) {
  Effect* effect = impl_->findFx(fx);
  return effect != nullptr && effect->setParameters(record);
}

}  // namespace audio
