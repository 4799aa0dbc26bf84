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
  FxType type() const noexcept final { return kType; }

  EffectRecord parameters() const noexcept final { return shared_.load(); }

  bool setParameters(const EffectRecord& record) noexcept final {
    const Record* candidate = std::get_if<Record>(&record);
    if (candidate == nullptr || !accepts(*candidate)) return false;
    // The player sends every record again on every tick. One that matches the record in
    // force bit for bit changes nothing, so the audio thread is not made to read it again.
    const Record current = shared_.load();
    if (std::memcmp(candidate, &current, sizeof(Record)) != 0) shared_.store(*candidate);
    return true;
  }

 protected:
  explicit RecordEffect(const Record& defaults) noexcept : shared_(defaults) {}

  // True when every field lies in its accepted range.
  virtual bool accepts(const Record& record) const noexcept = 0;

  // How the audio thread is to reach a newer record.
  enum class Change { None, Jump, Glide };

  // Off the audio thread (prepare): the record as it stands now.
  Record currentRecord() noexcept {
    Record record;
    uint32_t version = 0;
    while (!shared_.tryLoad(record, version)) std::this_thread::yield();
    seenVersion_ = version;
    started_ = false;
    return record;
  }

  // Audio thread, once per block: fills `record` when a newer one was published and says how
  // to reach it. Nothing of an effect has been heard before its first block, so a record set
  // by then is taken at once: a glide from the defaults would sweep through values nobody
  // asked for (an equaliser band from the default centre down to its own, say).
  Change pollParameters(Record& record) noexcept {
    const bool started = started_;
    started_ = true;
    if (shared_.version() == seenVersion_) return Change::None;
    uint32_t version = 0;
    if (!shared_.tryLoad(record, version)) return Change::None;
    seenVersion_ = version;
    return started ? Change::Glide : Change::Jump;
  }

 private:
  SharedRecord<Record> shared_;
  uint32_t seenVersion_ = ~0u;
  bool started_ = false;
};

}  // namespace audio::dsp
