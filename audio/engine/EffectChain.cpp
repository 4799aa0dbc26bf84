#include "audio/engine/EffectChain.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "audio/dsp/DspCommon.h"
#include "audio/dsp/ParamEq.h"

namespace audio {
namespace {

// Long enough that switching an effect on or off makes no click, short enough to feel instant.
constexpr double kFadeSeconds = 0.005;
// Nodes of one group run together in runs of at most this many.
constexpr int kMostInGroup = 32;

// One effect instance in the chain. The controlling thread creates it and marks it leaving;
// the audio thread alone runs it, fades it and reports when a leaving one has gone silent.
struct Node {
  uint32_t handle = 0;
  int priority = 0;
  uint64_t order = 0;
  std::unique_ptr<Effect> effect;
  std::vector<float> wet;  // the effect's output while it comes in or goes out
  std::atomic<bool> leaving{false};
  std::atomic<bool> gone{false};
  uint64_t group = 0;  // nodes added in one change share it
  // Audio thread only, once published.
  int warmUpLeft = 0;  // frames it still runs unheard
  float input = 0.0f;  // the level of the input it hears while coming in
  float mix = 0.0f;    // 0 = bypassed, 1 = fully in
};

// What the audio thread runs: an immutable, ordered list. Replaced as a whole on every
// structural change and freed only after the audio thread has moved to a newer one.
struct Snapshot {
  uint64_t generation = 0;
  std::vector<std::shared_ptr<Node>> nodes;
};

}  // namespace

struct EffectChain::Impl {
  // Controlling side, guarded by `control` (the audio thread never takes it).
  mutable std::mutex control;
  int sampleRate = 44100;
  int channels = 2;
  int maxFrames = 4096;
  uint64_t nextOrder = 0;
  uint64_t nextGroup = 1;
  uint64_t nextGeneration = 1;
  std::vector<std::shared_ptr<Node>> nodes;  // every node the published list holds
  std::vector<std::unique_ptr<Snapshot>> retired;
  std::unique_ptr<Snapshot> published;

  // Shared with the audio thread.
  std::atomic<Snapshot*> current{nullptr};
  std::atomic<uint64_t> acknowledged{0};

  // Audio thread only.
  float fadeStep = 1.0f;
  bool resting = true;

  void publishLocked() {
    std::erase_if(nodes, [](const std::shared_ptr<Node>& n) { return n->gone.load(std::memory_order_acquire); });
    auto next = std::make_unique<Snapshot>();
    next->generation = nextGeneration++;
    next->nodes = nodes;
    std::stable_sort(next->nodes.begin(), next->nodes.end(),
                     [](const std::shared_ptr<Node>& a, const std::shared_ptr<Node>& b) {
                       return a->priority != b->priority ? a->priority > b->priority : a->order < b->order;
                     });
    current.store(next.get(), std::memory_order_release);
    if (published) retired.push_back(std::move(published));
    published = std::move(next);
    reclaimLocked();
  }

  // Frees the lists the audio thread can no longer be reading: those older than the newest
  // one it has acknowledged.
  void reclaimLocked() {
    const uint64_t seen = acknowledged.load(std::memory_order_acquire);
    std::erase_if(retired, [seen](const std::unique_ptr<Snapshot>& s) { return s->generation < seen; });
  }

  // Drops nodes whose fade-out has finished, when there are any.
  void collectLocked() {
    const bool anyGone = std::any_of(nodes.begin(), nodes.end(), [](const std::shared_ptr<Node>& n) {
      return n->gone.load(std::memory_order_acquire);
    });
    if (anyGone) publishLocked();
    else reclaimLocked();
  }

  void prepareNode(Node& node) const {
    node.effect->prepare(sampleRate, channels, maxFrames);
    node.wet.assign(static_cast<size_t>(maxFrames) * static_cast<size_t>(channels), 0.0f);
    node.warmUpLeft = static_cast<int>(EffectChain::kWarmUpSeconds * sampleRate);
  }

  Node* liveNodeLocked(uint32_t handle) const {
    for (const auto& node : nodes) {
      if (node->handle == handle && !node->leaving.load(std::memory_order_relaxed)) return node.get();
    }
    return nullptr;
  }

  float stepTowards(float mix, float target) const noexcept {
    return target > mix ? std::min(target, mix + fadeStep) : std::max(target, mix - fadeStep);
  }

  // A node fading out keeps its full input and is blended away, letting its tail go softly:
  // (1 - m) x + m E(x).
  void runNode(Node& node, float* block, int frames) noexcept {
    if (node.gone.load(std::memory_order_relaxed)) return;
    const bool leaving = node.leaving.load(std::memory_order_acquire);
    if (!leaving && node.mix == 1.0f) {
      node.effect->process(block, frames);
      return;
    }
    if (!leaving) {
      Node* group[] = {&node};
      runRising(group, 1, block, frames);
      return;
    }
    std::copy(block, block + sample(frames, 0), node.wet.begin());
    node.effect->process(node.wet.data(), frames);
    for (int f = 0; f < frames; ++f) {
      node.mix = stepTowards(node.mix, 0.0f);
      for (int c = 0; c < channels; ++c) {
        const size_t i = sample(f, c);
        block[i] = (1.0f - node.mix) * block[i] + node.mix * node.wet[i];
      }
    }
    if (node.mix == 0.0f) node.gone.store(true, std::memory_order_release);
  }

  // Nodes coming in, all added in one change, run as a group G on their input x rising from
  // silence, r x; after the warm-up the group's output takes over: x + m (G(r x) - x), where
  // r is 1 by then. A group that changes nothing yet leaves the signal untouched.
  void runRising(Node* const* nodes, int count, float* block, int frames) noexcept {
    Node& lead = *nodes[0];
    std::vector<float>& wet = lead.wet;
    float input = lead.input;
    for (int f = 0; f < frames; ++f) {
      input = stepTowards(input, 1.0f);
      for (int c = 0; c < channels; ++c) wet[sample(f, c)] = input * block[sample(f, c)];
    }
    for (int k = 0; k < count; ++k) nodes[k]->effect->process(wet.data(), frames);
    float mix = lead.mix;
    int warmUpLeft = lead.warmUpLeft;
    const int unheard = std::min(frames, warmUpLeft);
    warmUpLeft -= unheard;
    for (int f = unheard; f < frames; ++f) {
      mix = stepTowards(mix, 1.0f);
      for (int c = 0; c < channels; ++c) {
        const size_t i = sample(f, c);
        block[i] += mix * (wet[i] - block[i]);
      }
    }
    for (int k = 0; k < count; ++k) {
      nodes[k]->input = input;
      nodes[k]->mix = mix;
      nodes[k]->warmUpLeft = warmUpLeft;
    }
  }

  // After a rest nothing was heard of the changes made meanwhile: those that came in are in,
  // those that went out are gone.
  void settle(const std::vector<std::shared_ptr<Node>>& nodes) noexcept {
    for (const auto& node : nodes) {
      if (node->leaving.load(std::memory_order_acquire)) {
        node->gone.store(true, std::memory_order_release);
        continue;
      }
      node->warmUpLeft = 0;
      node->input = 1.0f;
      node->mix = 1.0f;
    }
  }

  size_t sample(int frame, int channel) const noexcept {
    return static_cast<size_t>(frame) * static_cast<size_t>(channels) + static_cast<size_t>(channel);
  }

  static bool rising(const Node& node) noexcept {
    return node.mix < 1.0f && !node.leaving.load(std::memory_order_acquire) && !node.gone.load(std::memory_order_relaxed);
  }

  // An equaliser band that is fully in and staying.
  static bool steadyBand(const Node& node) noexcept {
    return node.effect->type() == FxType::ParamEq && node.mix == 1.0f &&
           !node.leaving.load(std::memory_order_acquire) && !node.gone.load(std::memory_order_relaxed);
  }

  // Runs the nodes in order. Neighbouring steady bands (the ten of the equaliser) run as one
  // cascade, which gives the same samples in a fraction of the time.
  void runNodes(const std::vector<std::shared_ptr<Node>>& nodes, float* block, int frames) noexcept {
    for (size_t i = 0; i < nodes.size();) {
      if (rising(*nodes[i])) {
        Node* group[kMostInGroup];
        int count = 0;
        const uint64_t id = nodes[i]->group;
        while (i < nodes.size() && count < kMostInGroup && rising(*nodes[i]) && nodes[i]->group == id) {
          group[count++] = nodes[i++].get();
        }
        runRising(group, count, block, frames);
        continue;
      }
      if (!steadyBand(*nodes[i])) {
        runNode(*nodes[i++], block, frames);
        continue;
      }
      dsp::ParamEq* bands[dsp::BiquadCascade::kMaxSections];
      int count = 0;
      while (i < nodes.size() && count < dsp::BiquadCascade::kMaxSections && steadyBand(*nodes[i])) {
        bands[count++] = static_cast<dsp::ParamEq*>(nodes[i++]->effect.get());
      }
      dsp::ParamEq::processCascade(bands, count, block, frames);
    }
  }
};

EffectChain::EffectChain() : impl_(std::make_unique<Impl>()) {
  std::lock_guard<std::mutex> lock(impl_->control);
  impl_->publishLocked();
}

EffectChain::~EffectChain() = default;

void EffectChain::prepare(int sampleRate, int channels, int maxFrames) {
  std::lock_guard<std::mutex> lock(impl_->control);
  impl_->sampleRate = std::max(1, sampleRate);
  impl_->channels = std::clamp(channels, 1, 2);
  impl_->maxFrames = std::max(1, maxFrames);
  impl_->fadeStep = static_cast<float>(1.0 / std::max(1.0, kFadeSeconds * impl_->sampleRate));
  for (const auto& node : impl_->nodes) impl_->prepareNode(*node);
}

bool EffectChain::add(uint32_t handle, FxType type, int priority) {
  return add(std::span<const uint32_t>(&handle, 1), type, priority);
}

bool EffectChain::add(std::span<const uint32_t> handles, FxType type, int priority) {
  if (handles.empty()) return false;
  std::vector<std::shared_ptr<Node>> added;
  for (const uint32_t handle : handles) {
    auto effect = makeEffect(type);
    if (!effect) return false;
    auto node = std::make_shared<Node>();
    node->handle = handle;
    node->priority = priority;
    node->effect = std::move(effect);
    added.push_back(std::move(node));
  }
  std::lock_guard<std::mutex> lock(impl_->control);
  for (size_t i = 0; i < handles.size(); ++i) {
    if (impl_->liveNodeLocked(handles[i])) return false;
    if (std::find(handles.begin(), handles.begin() + static_cast<ptrdiff_t>(i), handles[i]) !=
        handles.begin() + static_cast<ptrdiff_t>(i)) {
      return false;
    }
  }
  const uint64_t group = impl_->nextGroup++;
  for (auto& node : added) {
    node->order = impl_->nextOrder++;
    node->group = group;
    impl_->prepareNode(*node);
    impl_->nodes.push_back(std::move(node));
  }
  impl_->publishLocked();
  return true;
}

bool EffectChain::remove(uint32_t handle) {
  std::lock_guard<std::mutex> lock(impl_->control);
  Node* node = impl_->liveNodeLocked(handle);
  if (!node) return false;
  // The audio thread fades it out and marks it gone; a later structural change drops it.
  node->leaving.store(true, std::memory_order_release);
  impl_->collectLocked();
  return true;
}

Effect* EffectChain::find(uint32_t handle) const {
  std::lock_guard<std::mutex> lock(impl_->control);
  Node* node = impl_->liveNodeLocked(handle);
  return node ? node->effect.get() : nullptr;
}

bool EffectChain::empty() const {
  std::lock_guard<std::mutex> lock(impl_->control);
  return std::none_of(impl_->nodes.begin(), impl_->nodes.end(), [](const std::shared_ptr<Node>& n) {
    return !n->leaving.load(std::memory_order_relaxed);
  });
}

void EffectChain::process(float* interleaved, int frames) noexcept {
  Snapshot* snapshot = impl_->current.load(std::memory_order_acquire);
  impl_->acknowledged.store(snapshot->generation, std::memory_order_release);
  if (frames <= 0) return;
  if (impl_->resting) {
    impl_->settle(snapshot->nodes);
    impl_->resting = false;
  }
  if (snapshot->nodes.empty()) return;
  dsp::DenormalGuard denormals;
  const int channels = impl_->channels;
  const int maxFrames = impl_->maxFrames;
  for (int done = 0; done < frames; done += maxFrames) {
    const int piece = std::min(maxFrames, frames - done);
    float* block = interleaved + static_cast<size_t>(done) * static_cast<size_t>(channels);
    impl_->runNodes(snapshot->nodes, block, piece);
  }
}

bool EffectChain::holdsNothing() const noexcept {
  return impl_->current.load(std::memory_order_acquire)->nodes.empty();
}

void EffectChain::rest() noexcept {
  Snapshot* snapshot = impl_->current.load(std::memory_order_acquire);
  impl_->acknowledged.store(snapshot->generation, std::memory_order_release);
  for (const auto& node : snapshot->nodes) node->effect->reset();
  impl_->resting = true;
}

}  // namespace audio
