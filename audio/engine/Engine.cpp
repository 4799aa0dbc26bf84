#include "audio/engine/Engine.h"

#include <cmath>
#include <unordered_map>

#include "audio/decode/Decoder.h"
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

}  // namespace

struct Engine::Impl {
  std::unique_ptr<Output> output;
  Mixer mixer;
  bool initialized = false;
  // Handles of streams and effects come from one counter, so that no number ever names
  // both, and none is used twice in a run.
  uint32_t lastHandle = 0;
  std::unordered_map<StreamHandle, std::shared_ptr<Stream>> streams;
  std::unordered_map<FxHandle, StreamHandle> fxOwners;
  mutable Spectrum spectrum;
  mutable float history[Spectrum::kSize] = {};

  Stream* find(StreamHandle handle) const {
    if (handle == 0) return nullptr;
    const auto it = streams.find(handle);
    return it == streams.end() ? nullptr : it->second.get();
  }

  Effect* findFx(FxHandle fx) const {
    if (fx == 0) return nullptr;
    const auto owner = fxOwners.find(fx);
    if (owner == fxOwners.end()) return nullptr;
    Stream* stream = find(owner->second);
    return stream == nullptr ? nullptr : stream->chain().find(fx);
  }

  void releaseStream(StreamHandle handle) {
    for (auto it = fxOwners.begin(); it != fxOwners.end();) {
      it = it->second == handle ? fxOwners.erase(it) : std::next(it);
    }
    streams.erase(handle);
  }
};

Engine& Engine::instance() {
  static Engine engine;
  return engine;
}

void Engine::setOutputFactory(OutputFactory factory) { customFactory() = std::move(factory); }

Engine::Engine() : impl_(std::make_unique<Impl>()) {}

Engine::~Engine() { free(); }

bool Engine::init(int device, int sampleRate) {
  (void)device;  // Only the default device is offered.
  if (impl_->initialized) return true;
  if (sampleRate <= 0) return false;
  bool silent = false;
  if (customFactory()) impl_->output = customFactory()(sampleRate);
  if (!impl_->output) {
    impl_->output = makeDefaultOutput(sampleRate, silent);
  }
  impl_->mixer.start(impl_->output->sampleRate());
  impl_->output->start(&impl_->mixer);
  impl_->initialized = true;
  return !silent;
}

void Engine::stop() { impl_->mixer.setMuted(true); }

void Engine::free() {
  if (!impl_->initialized) return;
  impl_->output->stop();
  impl_->mixer.stop();
  impl_->output.reset();
  impl_->fxOwners.clear();
  impl_->streams.clear();
  impl_->initialized = false;
}

bool Engine::initialized() const { return impl_->initialized; }

Output* Engine::output() { return impl_->output.get(); }

StreamHandle Engine::streamCreateFile(const std::string& path) {
  if (!impl_->initialized) return 0;
  std::unique_ptr<Decoder> decoder = openDecoder(path);
  if (!decoder) return 0;
  const StreamHandle handle = ++impl_->lastHandle;
  auto stream = std::make_shared<Stream>(handle, std::move(decoder), impl_->mixer.sampleRate());
  impl_->streams.emplace(handle, stream);
  impl_->mixer.add(std::move(stream));
  return handle;
}

bool Engine::streamFree(StreamHandle stream) {
  if (impl_->find(stream) == nullptr) return false;
  impl_->mixer.remove(stream);
  impl_->releaseStream(stream);
  return true;
}

bool Engine::play(StreamHandle handle, bool restart) {
  Stream* stream = impl_->find(handle);
  if (stream == nullptr) return false;
  // A stream that played to its end starts again from the beginning.
  if (restart || stream->endedAtCurrentRequest()) stream->requestSeek(0);
  stream->setPlayRequest(PlayRequest::Playing);
  impl_->mixer.setMuted(false);
  impl_->mixer.wake();
  impl_->output->wake();
  return true;
}

bool Engine::pause(StreamHandle handle) {
  Stream* stream = impl_->find(handle);
  if (stream == nullptr || stream->playRequest() != PlayRequest::Playing ||
      stream->endedAtCurrentRequest()) {
    return false;
  }
  stream->setPlayRequest(PlayRequest::Paused);
  return true;
}

bool Engine::stopStream(StreamHandle handle) {
  Stream* stream = impl_->find(handle);
  if (stream == nullptr) return false;
  stream->setPlayRequest(PlayRequest::Stopped);
  return true;
}

Activity Engine::isActive(StreamHandle handle) const {
  const Stream* stream = impl_->find(handle);
  if (stream == nullptr || stream->endedAtCurrentRequest()) return Activity::Stopped;
  switch (stream->playRequest()) {
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
  const Stream* stream = impl_->find(handle);
  return stream == nullptr ? -1 : stream->lengthFrames() * stream->bytesPerFrame();
}

int64_t Engine::getPosition(StreamHandle handle) const {
  const Stream* stream = impl_->find(handle);
  return stream == nullptr ? -1 : stream->positionFrames() * stream->bytesPerFrame();
}

bool Engine::setPosition(StreamHandle handle, int64_t bytes) {
  Stream* stream = impl_->find(handle);
  if (stream == nullptr || bytes < 0) return false;
  const int64_t frame = bytes / stream->bytesPerFrame();
  if (frame > stream->lengthFrames()) return false;
  stream->requestSeek(frame);
  impl_->mixer.wake();
  return true;
}

double Engine::bytesToSeconds(StreamHandle handle, int64_t bytes) const {
  const Stream* stream = impl_->find(handle);
  if (stream == nullptr) return -1.0;
  return static_cast<double>(bytes / stream->bytesPerFrame()) / stream->sourceRate();
}

bool Engine::setAttribute(StreamHandle handle, Attribute attribute, float value) {
  Stream* stream = impl_->find(handle);
  if (stream == nullptr || !std::isfinite(value)) return false;
  switch (attribute) {
    case Attribute::Volume:
      stream->setVolume(std::max(value, 0.0f));
      return true;
    case Attribute::Pan:
      stream->setPan(std::clamp(value, -1.0f, 1.0f));
      return true;
  }
  return false;
}

bool Engine::getAttribute(StreamHandle handle, Attribute attribute, float& value) const {
  const Stream* stream = impl_->find(handle);
  if (stream == nullptr) return false;
  switch (attribute) {
    case Attribute::Volume:
      value = stream->volume();
      return true;
    case Attribute::Pan:
      value = stream->pan();
      return true;
  }
  return false;
}

bool Engine::getFft1024(StreamHandle handle, float* out) const {
  const Stream* stream = impl_->find(handle);
  if (stream == nullptr || out == nullptr) return false;
  stream->copyHistory(impl_->history);
  impl_->spectrum.compute(impl_->history, out);
  return true;
}

FxHandle Engine::setFx(StreamHandle handle, FxType type, int priority) {
  Stream* stream = impl_->find(handle);
  if (stream == nullptr) return 0;
  const FxHandle fx = impl_->lastHandle + 1;
  if (!stream->chain().add(fx, type, priority)) return 0;
  impl_->lastHandle = fx;
  impl_->fxOwners.emplace(fx, handle);
  return fx;
}

bool Engine::removeFx(StreamHandle handle, FxHandle fx) {
  if (impl_->find(handle) == nullptr) return false;
  const auto owner = impl_->fxOwners.find(fx);
  if (owner == impl_->fxOwners.end() || owner->second != handle) return false;
  impl_->fxOwners.erase(owner);
  return impl_->find(handle)->chain().remove(fx);
}

const Effect* Engine::liveEffect(FxHandle fx) const { return impl_->findFx(fx); }

bool Engine::fxSetParameters(FxHandle fx, const EffectRecord& record) {
  Effect* effect = impl_->findFx(fx);
  return effect != nullptr && effect->setParameters(record);
}

}  // namespace audio
