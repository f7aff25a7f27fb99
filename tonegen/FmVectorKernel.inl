// The FM run kernel, included by each instruction-set file after it has
// defined, in its own anonymous namespace, the lane operations V:
//   V::kWidth, V::Int, V::Float, load(const int32_t*), loadF(const float*),
//   store(int32_t*, Int), storeF(float*, Float), add, andBits, xorBits,
//   anyBits(Int) (a bit set in any lane), shiftRight16,
//   shiftRight18, splat(int32_t), gather(const int32_t*, Int),
//   gatherF(const float*, Int), andF(Float, Int), addF, mulF, zeroF, and
//   addRows(FmLaneState&, base, n): each lane's out x gain added to its rows.
// Per lane it is the scalar run's arithmetic, operator by operator in the
// structure's order: the same table reads, the same integer sums, the same
// single-precision carrier sum and products.
//
// Samples are computed kInterleave at a time, their operators interleaved:
// within a sample each operator waits for the table reads of the one
// before, but the samples' chains are independent (only the phases and
// envelope positions carry over, and those are sums). An envelope
// attenuation is read again only when its curve index changes.

// Samples computed side by side: of one to four, four was quickest (the
// long chains of structure 7 gain most).
constexpr int32_t kInterleave = 4;
static_assert(kInterleave == 4, "the last samples of a run are taken three, two or one at a time");

template <int Structure, bool Steady>
void fmRun(FmLaneState& s, const FmTables& t, int32_t n) {
  constexpr FmStructure shape = kFmStructures[Structure];
  using Int = typename V::Int;
  using Float = typename V::Float;
  // One sample's operator values.
  struct Sample {
    Int phase[4];
    Int level[4];   // level + the envelope attenuation
    Int modulation[4];
    Float out;
  };
  for (int32_t base = 0; base < kFmLanes; base += V::kWidth) {
    Int wave[4], curve[4], phase[4], inc[4], eg[4], rate[4], level[4], on[4], index[4], attenuated[4];
    // Every lane on the linear curve (offset 0), whose entry i is 2i: no
    // table read.
    bool linear[4];
    auto attenuation = [&](int32_t o, Int at) __attribute__((always_inline)) {
      return linear[o] ? V::add(at, at) : V::gather(t.curves, V::add(curve[o], at));
    };
    for (int32_t o = 0; o < 4; ++o) {
      wave[o] = V::load(s.wave[o] + base);
      curve[o] = V::load(s.curve[o] + base);
      phase[o] = V::load(reinterpret_cast<const int32_t*>(s.phase[o] + base));
      inc[o] = V::load(s.phaseInc[o] + base);
      eg[o] = V::load(s.egPosition[o] + base);
      rate[o] = V::load(s.egRate[o] + base);
      level[o] = V::load(s.level[o] + base);
      on[o] = V::load(s.sounding[o] + base);
      linear[o] = !V::anyBits(curve[o]);
      index[o] = V::shiftRight18(eg[o]);
      attenuated[o] = V::add(level[o], attenuation(o, index[o]));
    }
    const Int feedback = V::load(s.feedback + base);
    const Int phaseMask = V::splat(static_cast<int32_t>(kPhaseMask));
    const Int indexMask = V::splat(kWaveIndexMask);

    auto step = [&](auto opIndex, Sample& x) __attribute__((always_inline)) {
      constexpr int32_t Op = decltype(opIndex)::value;
      constexpr bool carrier = (shape.carriers & (1u << Op)) != 0;
      constexpr uint32_t inputs = shape.inputs[Op];
      const Int p = V::shiftRight16(x.phase[Op]);
      Int at;
      if constexpr (Op == 0) {
        const Int self = V::gather(t.waves, V::add(wave[0], p));
        at = V::andBits(V::add(p, V::gather(t.expI, V::add(self, feedback))), indexMask);
      } else if constexpr (inputs != 0) {
        Int m = V::splat(0);
        if constexpr ((inputs & 1u) != 0) m = V::add(m, x.modulation[0]);
        if constexpr ((inputs & 2u) != 0) m = V::add(m, x.modulation[1]);
        if constexpr ((inputs & 4u) != 0) m = V::add(m, x.modulation[2]);
        if constexpr ((inputs & 8u) != 0) m = V::add(m, x.modulation[3]);
        at = V::andBits(V::add(p, m), indexMask);
      } else {
        at = p;
      }
      const Int code = V::add(V::gather(t.waves, V::add(wave[Op], at)), x.level[Op]);
      if constexpr (carrier)
        x.out = V::addF(x.out, V::andF(V::gatherF(t.expF, code), on[Op]));
      else
        x.modulation[Op] = V::andBits(V::gather(t.expI, code), on[Op]);
    };
    auto begin = [&](Sample& x) __attribute__((always_inline)) {
      x.out = V::zeroF();
      for (int32_t o = 0; o < 4; ++o) x.modulation[o] = V::splat(0);
    };
    auto advance = [&](const Int (&from)[4], Int (&to)[4]) __attribute__((always_inline)) {
      for (int32_t o = 0; o < 4; ++o) to[o] = V::andBits(V::add(from[o], inc[o]), phaseMask);
    };
    // The attenuations of the sample at envelope positions at[]: a curve
    // index that changed is read again.
    auto envelope = [&](const Int (&at)[4], Int (&to)[4]) __attribute__((always_inline)) {
      for (int32_t o = 0; o < 4; ++o) {
        const Int next = V::shiftRight18(at[o]);
        if (V::anyBits(V::xorBits(next, index[o]))) {
          index[o] = next;
          attenuated[o] = V::add(level[o], attenuation(o, next));
        }
        to[o] = attenuated[o];
      }
    };

    // J samples from sample k on, their operators interleaved.
    auto samples = [&](auto count, int32_t k) __attribute__((always_inline)) {
      constexpr int32_t J = decltype(count)::value;
      Sample x[J];
#pragma GCC unroll 4
      for (int32_t j = 0; j < J; ++j) {
        for (int32_t o = 0; o < 4; ++o) x[j].phase[o] = phase[o];
        advance(x[j].phase, phase);
        if constexpr (Steady) {
          for (int32_t o = 0; o < 4; ++o) x[j].level[o] = attenuated[o];
        } else {
          envelope(eg, x[j].level);
          for (int32_t o = 0; o < 4; ++o) eg[o] = V::add(eg[o], rate[o]);
        }
        begin(x[j]);
      }
#pragma GCC unroll 4
      for (int32_t j = 0; j < J; ++j) step(std::integral_constant<int32_t, shape.order[0]>{}, x[j]);
#pragma GCC unroll 4
      for (int32_t j = 0; j < J; ++j) step(std::integral_constant<int32_t, shape.order[1]>{}, x[j]);
#pragma GCC unroll 4
      for (int32_t j = 0; j < J; ++j) step(std::integral_constant<int32_t, shape.order[2]>{}, x[j]);
#pragma GCC unroll 4
      for (int32_t j = 0; j < J; ++j) step(std::integral_constant<int32_t, shape.order[3]>{}, x[j]);
#pragma GCC unroll 4
      for (int32_t j = 0; j < J; ++j) V::storeF(s.out[k + j] + base, x[j].out);
    };
    int32_t k = 0;
    for (; k + kInterleave <= n; k += kInterleave) samples(std::integral_constant<int32_t, kInterleave>{}, k);
    // The last one to three samples side by side too: runs are often short.
    switch (n - k) {
      case 3: samples(std::integral_constant<int32_t, 3>{}, k); break;
      case 2: samples(std::integral_constant<int32_t, 2>{}, k); break;
      case 1: samples(std::integral_constant<int32_t, 1>{}, k); break;
      default: break;
    }
    for (int32_t o = 0; o < 4; ++o) {
      V::store(reinterpret_cast<int32_t*>(s.phase[o] + base), phase[o]);
      if constexpr (!Steady) V::store(s.egPosition[o] + base, eg[o]);
    }
    V::addRows(s, base, n);
  }
}

template <bool Steady>
FmKernel fmRunFor(int32_t structure) {
  switch (structure & 7) {
    case 0: return &fmRun<0, Steady>;
    case 1: return &fmRun<1, Steady>;
    case 2: return &fmRun<2, Steady>;
    case 3: return &fmRun<3, Steady>;
    case 4: return &fmRun<4, Steady>;
    case 5: return &fmRun<5, Steady>;
    case 6: return &fmRun<6, Steady>;
    default: return &fmRun<7, Steady>;
  }
}
