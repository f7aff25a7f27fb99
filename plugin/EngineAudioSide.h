#pragma once

#include "engine/ModuleRack.h"
#include "engine/SynthesizerFM4.h"
#include "plugin/EngineMailbox.h"

#include <cstdint>
#include <memory>

namespace ovri::korvane {

// The audio thread's half of an EngineHost: it applies the main thread's
// commands to the engine at the start of each block, and at the end of the
// block publishes every record that changed (by a command, a controller,
// RPN/NRPN or system exclusive) into the mailbox. It never waits,
// allocates or frees: objects it swaps out go back through the return ring.
//
// While no audio thread runs, the main thread uses apply() itself.
class EngineAudioSide {
public:
  // Commands applied in one block at the most.
  static constexpr int32_t kCommandsPerBlock = 32;

  EngineAudioSide(EngineMailbox& mailbox, ModuleRack& rack, synth::SynthesizerFM4& synth);
  EngineAudioSide(const EngineAudioSide&) = delete;
  EngineAudioSide& operator=(const EngineAudioSide&) = delete;

  // Start of a block: applies waiting commands, at most kCommandsPerBlock.
  void beginBlock();
  // End of a block: publishes the records that changed. A block that
  // carried system exclusive has every tone and sampler preset compared.
  void endBlock(bool hadSystemExclusive);

  // Executes a command on the engine. Gives back the object to free (the
  // command's own, or a state with what the engine gave up), or null.
  [[nodiscard]] HandOff* apply(EngineCommand& command);

  // Main thread, before the audio thread takes over: every command up to
  // `appliedUpTo` is in the engine, whose records are now the reference
  // for what counts as a change.
  void takeOver(uint32_t appliedUpTo);

  // The engine settings in force.
  EngineSettings settings() const;

private:
  EngineMailbox& mailbox;
  ModuleRack& rack;
  synth::SynthesizerFM4& synth;

  uint32_t appliedSequence = 0;  // the last command applied
  RecordSet forced;              // records to publish whatever they hold
  // The records as last published.
  EngineSettings shadowSettings[1];
  synth::PartState shadowParts[synth::kPartCount];
  std::unique_ptr<synth::ToneParameters[]> shadowTones;
  std::unique_ptr<synth::SamplerPreset[]> shadowSamplers;
};

}  // namespace ovri::korvane
