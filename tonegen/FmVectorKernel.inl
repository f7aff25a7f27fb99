// The FM run kernel, included by each instruction-set file after it has
// defined, in its own anonymous namespace, the lane operations V:
//   V::kWidth, V::Int, V::Float, load(const int32_t*), loadF(const float*),
//   store(int32_t*, Int), storeF(float*, Float), add, andBits, shiftRight16,
//   shiftRight18, splat(int32_t), gather(const int32_t*, Int),
//   gatherF(const float*, Int), andF(Float, Int), addF, mulF, zeroF.
// Per lane it is the scalar run's arithmetic, operator by operator in the
// structure's order: the same table reads, the same integer sums, the same
// single-precision carrier sum and products.

template <int Structure, bool Steady>
void fmRun(FmLaneState& s, const FmTables& t, int32_t n) {
  constexpr FmStructure shape = kFmStructures[Structure];
  for (int32_t base = 0; base < kFmLanes; base += V::kWidth) {
    typename V::Int wave[4], curve[4], phase[4], inc[4], eg[4], rate[4], level[4], on[4];
    for (int32_t o = 0; o < 4; ++o) {
      wave[o] = V::load(s.wave[o] + base);
      curve[o] = V::load(s.curve[o] + base);
      phase[o] = V::load(reinterpret_cast<const int32_t*>(s.phase[o] + base));
      inc[o] = V::load(s.phaseInc[o] + base);
      eg[o] = V::load(s.egPosition[o] + base);
      rate[o] = V::load(s.egRate[o] + base);
      level[o] = V::load(s.level[o] + base);
      on[o] = V::load(s.sounding[o] + base);
    }
    const typename V::Int feedback = V::load(s.feedback + base);
    const typename V::Float gainL = V::loadF(s.gainL + base);
    const typename V::Float gainR = V::loadF(s.gainR + base);
    const typename V::Int phaseMask = V::splat(static_cast<int32_t>(kPhaseMask));
    const typename V::Int indexMask = V::splat(kWaveIndexMask);

    for (int32_t k = 0; k < n; ++k) {
      typename V::Int modulation[4] = {V::splat(0), V::splat(0), V::splat(0), V::splat(0)};
      typename V::Float out = V::zeroF();
      auto step = [&](auto opIndex) {
        constexpr int32_t Op = decltype(opIndex)::value;
        constexpr bool carrier = (shape.carriers & (1u << Op)) != 0;
        constexpr uint32_t inputs = shape.inputs[Op];
        const typename V::Int p = V::shiftRight16(phase[Op]);
        typename V::Int index;
        if constexpr (Op == 0) {
          const typename V::Int self = V::gather(t.waves, V::add(wave[0], p));
          index = V::andBits(V::add(p, V::gather(t.expI, V::add(self, feedback))), indexMask);
        } else if constexpr (inputs != 0) {
          typename V::Int m = V::splat(0);
          if constexpr ((inputs & 1u) != 0) m = V::add(m, modulation[0]);
          if constexpr ((inputs & 2u) != 0) m = V::add(m, modulation[1]);
          if constexpr ((inputs & 4u) != 0) m = V::add(m, modulation[2]);
          if constexpr ((inputs & 8u) != 0) m = V::add(m, modulation[3]);
          index = V::andBits(V::add(p, m), indexMask);
        } else {
          index = p;
        }
        typename V::Int code = V::add(V::gather(t.waves, V::add(wave[Op], index)), level[Op]);
        if constexpr (!Steady) {
          code = V::add(code, V::gather(t.curves, V::add(curve[Op], V::shiftRight18(eg[Op]))));
          eg[Op] = V::add(eg[Op], rate[Op]);
        }
        if constexpr (carrier)
          out = V::addF(out, V::andF(V::gatherF(t.expF, code), on[Op]));
        else
          modulation[Op] = V::andBits(V::gather(t.expI, code), on[Op]);
        phase[Op] = V::andBits(V::add(phase[Op], inc[Op]), phaseMask);
      };
      step(std::integral_constant<int32_t, shape.order[0]>{});
      step(std::integral_constant<int32_t, shape.order[1]>{});
      step(std::integral_constant<int32_t, shape.order[2]>{});
      step(std::integral_constant<int32_t, shape.order[3]>{});
      V::storeF(s.outL[k] + base, V::mulF(out, gainL));
      V::storeF(s.outR[k] + base, V::mulF(out, gainR));
    }
    for (int32_t o = 0; o < 4; ++o) {
      V::store(reinterpret_cast<int32_t*>(s.phase[o] + base), phase[o]);
      V::store(s.egPosition[o] + base, eg[o]);
    }
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
