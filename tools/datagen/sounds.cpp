// The sounds, synthesised: 8-bit unsigned mono PCM at 11025 Hz, the one format the game plays.
// The game re-pitches two of them (the shot plays at about 8000 Hz, the kill at 9000 Hz), so their
// pitches are set a little high here.
#include "sounds.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "file_out.h"
#include "noise.h"

namespace {

constexpr int kRate = 11025;
constexpr float kTau = 6.2831853f;

using Samples = std::vector<float>;  // -1..1

void put16(std::string& s, unsigned v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, uint32_t v) {
  put16(s, v & 0xFFFF);
  put16(s, v >> 16);
}

// RIFF WAVE with an 18-byte PCM format chunk (a whole WAVEFORMATEX, cbSize 0) and the data chunk.
std::string wav_bytes(const Samples& samples) {
  const uint32_t n = static_cast<uint32_t>(samples.size());
  const uint32_t pad = n % 2;
  std::string s = "RIFF";
  put32(s, 4 + (8 + 18) + (8 + n + pad));
  s += "WAVEfmt ";
  put32(s, 18);
  put16(s, 1);      // PCM
  put16(s, 1);      // mono
  put32(s, kRate);  // samples per second
  put32(s, kRate);  // bytes per second
  put16(s, 1);      // block align
  put16(s, 8);      // bits per sample
  put16(s, 0);      // no extra format bytes
  s += "data";
  put32(s, n);
  for (float v : samples)
    s += static_cast<char>(std::clamp(static_cast<int>(std::lround(128.0f + 127.0f * v)), 0, 255));
  if (pad) s += static_cast<char>(128);
  return s;
}

void normalise(Samples& samples, float peak) {
  float most = 0;
  for (float v : samples) most = std::max(most, std::fabs(v));
  if (most > 0)
    for (float& v : samples) v *= peak / most;
}

// Brings the end down to silence over the last `seconds`, so that a sound stopped at its end
// does not click.
void fade_out(Samples& samples, float seconds) {
  const size_t n = std::min(samples.size(), static_cast<size_t>(seconds * kRate));
  for (size_t i = 0; i < n; ++i)
    samples[samples.size() - 1 - i] *= static_cast<float>(i) / static_cast<float>(n);
}

// A band-limited sawtooth: harmonics up to 5 kHz, safely under the 5512 Hz Nyquist limit.
float saw(float phase, float frequency) {
  float sum = 0;
  for (int k = 1; k <= 8 && k * frequency < 5000.0f; ++k) sum += std::sin(phase * k) / k;
  return sum * 0.6f;
}

// One-pole low-pass filter state.
struct LowPass {
  float state = 0;
  float run(float in, float cutoff) {
    const float k = 1 - std::exp(-kTau * cutoff / kRate);
    state += k * (in - state);
    return state;
  }
};

// The shot: a falling plasma "pew" with a short crackle at its start.
Samples pew() {
  Samples out(static_cast<size_t>(0.3f * kRate));
  Rng rng(7);
  LowPass crackle;
  float phase = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float f = 2600.0f * std::exp(-t * 11) + 260.0f;
    phase += kTau * f / kRate;
    const float envelope = std::min(1.0f, t / 0.003f) * std::exp(-t * 9);
    float v = saw(phase, f) * envelope;
    v += 0.5f * std::sin(kTau * 130.0f * t) * std::exp(-t * 30);
    v += crackle.run(rng.signed_unit(), 2500.0f) * 1.5f * std::exp(-t * 120);
    out[i] = v;
  }
  normalise(out, 0.85f);
  fade_out(out, 0.06f);
  return out;
}

// The kill: a boom, a crunch of debris, a dying whine and a metal ring.
Samples dead() {
  Samples out(static_cast<size_t>(1.0f * kRate));
  Rng rng(11);
  LowPass debris, pops;
  float boomPhase = 0, whinePhase = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float boomF = 45.0f + 105.0f * std::exp(-t * 6);
    boomPhase += kTau * boomF / kRate;
    float v = 0.8f * std::sin(boomPhase) * std::exp(-t * 4) * std::min(1.0f, t / 0.004f);
    v += 0.7f * debris.run(rng.signed_unit(), 300.0f + 2700.0f * std::exp(-t * 5)) * 2.5f * std::exp(-t * 6);
    // Sparse pops of debris in the first half second.
    const float pop = (rng.unit() > 0.996f && t < 0.5f) ? rng.signed_unit() : 0.0f;
    v += 0.8f * pops.run(pop * 1.2f, 1800.0f);
    const float whineF = 60.0f + 640.0f * std::exp(-t * 4);
    whinePhase += kTau * whineF / kRate;
    v += 0.25f * saw(whinePhase, whineF) * std::exp(-t * 3) * std::min(1.0f, t / 0.05f);
    for (float partial : {523.0f, 1187.0f, 1731.0f})
      v += 0.06f * std::sin(kTau * partial * t) * std::exp(-t * 7);
    out[i] = v;
  }
  normalise(out, 0.9f);
  fade_out(out, 0.15f);
  return out;
}

// The background loop: 8 s at 120 beats a minute in A minor. A drone, a heartbeat kick, dry
// "bone" clicks, a plucked bass and a sparse bone-xylophone melody. Every note is added modulo the
// loop's length and the drone's frequencies make whole cycles in 8 s, so the end runs into the start.
Samples bones() {
  const int length = 8 * kRate;
  Samples out(length, 0.0f);
  const float beat = 0.5f;
  auto add = [&](float start, const Samples& note, float gain) {
    const int first = static_cast<int>(std::lround(start * kRate));
    for (size_t i = 0; i < note.size(); ++i) out[(first + static_cast<int>(i)) % length] += note[i] * gain;
  };
  // Drone: A1, E2 and a slow beating partner, swelling twice per loop (frequencies in 1/8 Hz steps).
  for (int i = 0; i < length; ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float swell = 0.75f + 0.25f * std::sin(kTau * 0.25f * t);
    out[i] += swell * (0.14f * std::sin(kTau * 55.0f * t) + 0.07f * std::sin(kTau * 55.125f * t) +
                       0.08f * std::sin(kTau * 82.5f * t) +
                       0.03f * std::sin(kTau * 220.0f * t) * std::sin(kTau * 0.125f * t));
  }
  // Heartbeat kick: "lub-dub" every two beats.
  auto kick = [](float strength) {
    Samples s(static_cast<size_t>(0.25f * kRate));
    float phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
      const float t = static_cast<float>(i) / kRate;
      phase += kTau * (40.0f + 60.0f * std::exp(-t * 30)) / kRate;
      s[i] = strength * std::sin(phase) * std::exp(-t * 16);
    }
    return s;
  };
  for (int b = 0; b < 16; b += 2) {
    add(b * beat, kick(1.0f), 0.55f);
    add(b * beat + 0.22f, kick(0.6f), 0.55f);
  }
  // Bone clicks on a syncopated sixteenth pattern, one pattern per bar.
  auto click = [](float pitch) {
    Samples s(static_cast<size_t>(0.04f * kRate));
    for (size_t i = 0; i < s.size(); ++i) {
      const float t = static_cast<float>(i) / kRate;
      s[i] = (std::sin(kTau * pitch * t) + 0.6f * std::sin(kTau * pitch * 1.51f * t)) * std::exp(-t * 140);
    }
    return s;
  };
  const char* patterns[4] = {"x..x..x...x.x...", "x..x..x..x..x.x.", "x..x..x...x.x..x", "x.x..x.x..x..x.."};
  for (int bar = 0; bar < 4; ++bar)
    for (int step = 0; step < 16; ++step)
      if (patterns[bar][step] == 'x')
        add((bar * 16 + step) * beat / 4, click(step % 4 == 0 ? 1400.0f : 1900.0f),
            step % 4 == 0 ? 0.16f : 0.1f);
  // Plucked bass (Karplus-Strong), a riff over two bars, played twice.
  auto pluck = [](float frequency, uint32_t seed) {
    Samples s(static_cast<size_t>(0.6f * kRate));
    const int period = static_cast<int>(std::lround(kRate / frequency));
    std::vector<float> ring(period);
    Rng rng(seed);
    for (float& v : ring) v = rng.signed_unit();
    for (size_t i = 0; i < s.size(); ++i) {
      const size_t k = i % period;
      const float next = ring[(k + 1) % period];
      s[i] = ring[k];
      ring[k] = 0.497f * (ring[k] + next);
    }
    return s;
  };
  const float riff[8][2] = {{0, 110.0f},    {1.5f, 110.0f}, {3, 130.81f}, {4, 82.41f},
                            {5.5f, 82.41f}, {6, 98.0f},     {7, 110.0f},  {7.5f, 123.47f}};
  for (int repeat = 0; repeat < 2; ++repeat)
    for (int n = 0; n < 8; ++n) add((repeat * 8 + riff[n][0]) * beat, pluck(riff[n][1], 100 + n), 0.35f);
  // Bone xylophone: a fundamental and a bright inharmonic partial, sparse, answering the bass.
  auto bone = [](float frequency) {
    Samples s(static_cast<size_t>(0.7f * kRate));
    for (size_t i = 0; i < s.size(); ++i) {
      const float t = static_cast<float>(i) / kRate;
      s[i] = std::sin(kTau * frequency * t) * std::exp(-t * 6) +
             0.35f * std::sin(kTau * frequency * 3.93f * t) * std::exp(-t * 25);
    }
    return s;
  };
  const float melody[6][2] = {{2, 440.0f},   {3.5f, 523.25f},  {6.5f, 659.25f},
                              {10, 587.33f}, {11.5f, 523.25f}, {14.5f, 440.0f}};
  for (const auto& note : melody) add(note[0] * beat, bone(note[1]), 0.12f);
  // A gentle saturation keeps the clicks from setting the level, so the drone is heard.
  normalise(out, 1.0f);
  for (float& v : out) v = std::tanh(1.8f * v);
  normalise(out, 0.6f);
  return out;
}

}  // namespace

bool make_sounds(const std::string& dir, std::string* error) {
  return write_file(dir + "/BONES4.wav", wav_bytes(bones()), error) &&
         write_file(dir + "/pew.wav", wav_bytes(pew()), error) &&
         write_file(dir + "/dead.wav", wav_bytes(dead()), error);
}
