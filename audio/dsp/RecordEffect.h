#pragma once

// The parameter half of every effect: a whole record checked field by field and published
// to the audio thread, which picks it up at the start of a block.

#include <cstring>
#include <thread>

#include "audio/dsp/Effect.h"
#include "audio/dsp/SharedRecord.h"

namespace audio::dsp {

template <class Record, FxType kType>
class RecordEffect : public Effect {
 public:
  FxType type() const noexcept override { return kType; }

  void getParameters(void* record) const noexcept override {
    const Record current = shared_.load();
    std::memcpy(record, &current, sizeof(Record));
  }

  bool setParameters(const void* record) noexcept override {
    Record candidate;
    std::memcpy(&candidate, record, sizeof(Record));
    if (!accepts(candidate)) return false;
    shared_.store(candidate);
    return true;
  }

 protected:
  explicit RecordEffect(const Record& defaults) noexcept : shared_(defaults) {}

  // True when every field lies in its accepted range.
  virtual bool accepts(const Record& record) const noexcept = 0;

  // Off the audio thread (prepare): the record as it stands now.
  Record currentRecord() noexcept {
    Record record;
    uint32_t version = 0;
    while (!shared_.tryLoad(record, version)) std::this_thread::yield();
    seenVersion_ = version;
    return record;
  }

  // Audio thread, once per block: true and the record when a newer one was published.
  bool pollParameters(Record& record) noexcept {
    if (shared_.version() == seenVersion_) return false;
    uint32_t version = 0;
    if (!shared_.tryLoad(record, version)) return false;
    seenVersion_ = version;
    return true;
  }

 private:
  SharedRecord<Record> shared_;
  uint32_t seenVersion_ = ~0u;
};

}  // namespace audio::dsp
