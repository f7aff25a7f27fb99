#include "plugin/EngineAudioSide.h"

#include <cstring>

namespace ovri::korvane {

namespace {

bool sameBytes(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) == 0; }

// Publishes each record that a command changed, or (when `scan`) that
// differs from what was published last; `current(i)` is the engine's
// record i.
template <typename T, int32_t N, size_t B, typename Current>
void publishChanged(PublishedRecords<T, N>& out, T* shadow, std::bitset<B>& forced, bool scan, uint32_t sequence,
                    Current current) {
  if (!scan && forced.none()) return;
  for (int32_t i = 0; i < N; ++i) {
    const T& now = current(i);
    const bool force = forced.test(static_cast<size_t>(i));
    if (!force && (!scan || sameBytes(&now, &shadow[i], sizeof now))) continue;
    std::memcpy(static_cast<void*>(&shadow[i]), &now, sizeof now);
    Stamped<T> copy;
    copy.sequence = sequence;
    std::memcpy(static_cast<void*>(&copy.value), &now, sizeof now);
    out.records[i].publish(copy);
  }
  forced.reset();
}

// Exchanges two slots' recordings and parameters (pointers only: nothing is
// allocated or freed).
void swapSlots(synth::SampleData& a, synth::SampleData& b) {
  synth::SampleData held;
  held.takeFrom(a);
  a.takeFrom(b);
  b.takeFrom(held);
}

}  // namespace

RecordSet RecordSet::of(const EngineCommand& command) {
  RecordSet r;
  switch (command.kind) {
    case CommandKind::kMasterVolume:
    case CommandKind::kMasterTune:
    case CommandKind::kReceiveSysEx:
    case CommandKind::kPolyphony:
      r.settings.set();
      break;
    case CommandKind::kNrpnEnabled:
    case CommandKind::kResetAllParts:
      r.settings.set();
      r.parts.set();
      break;
    case CommandKind::kPartMode:
    case CommandKind::kProgramChange:
    case CommandKind::kBendRange:
    case CommandKind::kPitchBend:
    case CommandKind::kControlChange:
    case CommandKind::kResetPart:
    case CommandKind::kPartOutput:
      r.parts.set(static_cast<size_t>(command.part & (synth::kPartCount - 1)));
      break;
    case CommandKind::kRecords: {
      const auto* update = static_cast<const RecordUpdate*>(command.object);
      for (const auto& t : update->tones) r.tones.set(static_cast<size_t>(t.first & (synth::kToneCount - 1)));
      for (const auto& s : update->samplers)
        r.samplers.set(static_cast<size_t>(s.first & (synth::kSamplerPresetCount - 1)));
      break;
    }
    case CommandKind::kState:
      r.settings.set();
      r.parts.set();
      r.tones.set();
      r.samplers.set();
      break;
    default:
      break;
  }
  return r;
}

EngineAudioSide::EngineAudioSide(EngineMailbox& mailboxIn, ModuleRack& rackIn, synth::SynthesizerFM4& synthIn)
    : mailbox(mailboxIn),
      rack(rackIn),
      synth(synthIn),
      shadowTones(new synth::ToneParameters[synth::kToneCount]),
      shadowSamplers(new synth::SamplerPreset[synth::kSamplerPresetCount]) {}

EngineSettings EngineAudioSide::settings() const {
  EngineSettings s;
  s.receiveSysEx = synth.getReceiveSysEx();
  s.nrpnEnabled = synth.isNrpnEnabled();
  s.masterVolume = synth.getMasterVolume();
  s.masterTune = synth.getMasterTune();
  s.polyphony = synth.getPolyphony();
  return s;
}

HandOff* EngineAudioSide::apply(EngineCommand& c) {
  synth::SynthesizerFM4& s = synth;
  const int32_t p = c.part & (synth::kPartCount - 1);
  switch (c.kind) {
    case CommandKind::kMasterVolume: s.setMasterVolume(c.value); break;
    case CommandKind::kMasterTune: s.setMasterTune(c.value); break;
    case CommandKind::kReceiveSysEx: s.setReceiveSysEx(c.a != 0); break;
    case CommandKind::kNrpnEnabled: s.setNrpnEnabled(c.a != 0); break;
    case CommandKind::kResetAllParts:
      s.stopVoices(-1);
      s.resetParts(true);
      break;
    case CommandKind::kPolyphony: s.usePolyphony(c.a); break;
    case CommandKind::kPartMode: s.setPartMode(p, c.a); break;
    case CommandKind::kProgramChange: s.programChange(p, c.a); break;
    case CommandKind::kBendRange: s.getPart(p).bendRange = c.a; break;
    case CommandKind::kPitchBend: s.pitchBend(p, c.a & 0x7F, (c.a >> 7) & 0x7F); break;
    case CommandKind::kControlChange: s.controlChange(p, c.a, c.b); break;
    case CommandKind::kResetPart:
      s.stopVoices(-1);
      s.getPart(p).resetControllers();
      s.setPartMode(p, synth::kModeInstrument);
      break;
    case CommandKind::kSoundOff: s.soundOff(-1); break;
    case CommandKind::kPartOutput: s.setPartOutput(p, c.a); break;
    case CommandKind::kRecords: {
      const auto* update = static_cast<const RecordUpdate*>(c.object);
      if (update->stopVoices) s.stopVoices(-1);
      for (const auto& t : update->tones) static_cast<synth::ToneParameters&>(s.getTonePreset(t.first)) = t.second;
      for (const auto& sp : update->samplers) s.getSamplerPreset(sp.first) = sp.second;
      for (const auto& d : update->slots) s.getSampleData(d.first).setPlayParameters(d.second);
      break;
    }
    case CommandKind::kSample: {
      auto* install = static_cast<SampleInstall*>(c.object);
      s.stopVoices(-1);
      swapSlots(install->data, s.getSampleData(install->slot));
      break;
    }
    case CommandKind::kState: {
      StateInstall* state = mailbox.latestState.exchange(nullptr, std::memory_order_acq_rel);
      if (state == nullptr) return nullptr;  // replaced by a newer load before it came to this
      if (state->sequence != c.sequence) {
        // A newer load, whose own command follows: it waits for that.
        StateInstall* none = nullptr;
        if (mailbox.latestState.compare_exchange_strong(none, state, std::memory_order_acq_rel)) return nullptr;
        return state;  // and one newer still came meanwhile
      }
      s.stopVoices(-1);
      s.setReceiveSysEx(state->settings.receiveSysEx);
      s.setNrpnEnabled(state->settings.nrpnEnabled);
      s.setMasterVolume(state->settings.masterVolume);
      s.setMasterTune(state->settings.masterTune);
      if (state->settings.polyphony != s.getPolyphony()) s.usePolyphony(state->settings.polyphony);
      for (int32_t i = 0; i < synth::kPartCount; ++i) state->parts[i].applyTo(s.getPart(i), true);
      for (int32_t i = 0; i < synth::kToneCount; ++i)
        static_cast<synth::ToneParameters&>(s.getTonePreset(i)) = state->tones[i];
      for (int32_t i = 0; i < synth::kSamplerPresetCount; ++i) s.getSamplerPreset(i) = state->samplers[i];
      for (int32_t i = 0; i < synth::kSampleSlotCount; ++i) swapSlots(state->slots[i], s.getSampleData(i));
      return state;
    }
    case CommandKind::kSampleRate:
      rack.setSampleRate(c.value);
      rack.setBlockSize(c.a);
      break;
    case CommandKind::kActivate:
      if (c.a != 0)
        rack.activateAll();
      else
        rack.deactivateAll();
      break;
  }
  return c.object;
}

void EngineAudioSide::beginBlock() {
  for (int32_t n = 0; n < kCommandsPerBlock; ++n) {
    const EngineCommand* next = mailbox.commands.peek();
    if (next == nullptr) break;
    // An object may go back once applied: only with room to send it.
    if ((next->object != nullptr || next->kind == CommandKind::kState) && mailbox.returns.freeSpace() == 0) break;
    EngineCommand c = *next;
    mailbox.commands.discardFront();
    HandOff* back = apply(c);
    appliedSequence = c.sequence;
    forced |= RecordSet::of(c);
    if (back != nullptr) mailbox.returns.push(back);
  }
}

void EngineAudioSide::takeOver(uint32_t appliedUpTo) {
  appliedSequence = appliedUpTo;
  shadowSettings[0] = settings();
  for (int32_t i = 0; i < synth::kPartCount; ++i)
    std::memcpy(static_cast<void*>(&shadowParts[i]), &synth.getPart(i), sizeof(synth::PartState));
  for (int32_t i = 0; i < synth::kToneCount; ++i)
    std::memcpy(&shadowTones[i], static_cast<synth::ToneParameters*>(&synth.getTonePreset(i)),
                sizeof(synth::ToneParameters));
  for (int32_t i = 0; i < synth::kSamplerPresetCount; ++i)
    std::memcpy(static_cast<void*>(&shadowSamplers[i]), &synth.getSamplerPreset(i), sizeof(synth::SamplerPreset));
  forced = RecordSet{};
  mailbox.clearRecords();
}

void EngineAudioSide::endBlock(bool hadSystemExclusive) {
  const EngineSettings now[1] = {settings()};
  publishChanged(mailbox.settings, shadowSettings, forced.settings, true, appliedSequence,
                 [&](int32_t) -> const EngineSettings& { return now[0]; });
  publishChanged(mailbox.parts, shadowParts, forced.parts, true, appliedSequence,
                 [&](int32_t i) -> const synth::PartState& { return synth.getPart(i); });
  publishChanged(mailbox.tones, shadowTones.get(), forced.tones, hadSystemExclusive, appliedSequence,
                 [&](int32_t i) -> const synth::ToneParameters& { return synth.getTonePreset(i); });
  publishChanged(mailbox.samplers, shadowSamplers.get(), forced.samplers, hadSystemExclusive, appliedSequence,
                 [&](int32_t i) -> const synth::SamplerPreset& { return synth.getSamplerPreset(i); });
}

}  // namespace ovri::korvane
