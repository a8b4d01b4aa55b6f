#include "mixer.h"

#include <cmath>

namespace dsound {

namespace {
const std::uint64_t kOne = std::uint64_t{1} << 32;  // 1.0 in the 32.32 position
const float kFractionScale = 1.0f / 4294967296.0f;
}  // namespace

float attenuation_gain(LONG hundredths) {
  if (hundredths <= 0) return 1.0f;
  if (hundredths >= 10000) return 0.0f;
  return std::pow(10.0f, static_cast<float>(hundredths) / -2000.0f);
}

StereoGain pan_gain(LONG pan) {
  if (pan >= 0) return {attenuation_gain(pan), 1.0f};
  return {1.0f, attenuation_gain(pan < -10000 ? 10000 : -pan)};
}

void mix_voice(Voice& voice, int output_rate, float* mix, std::size_t frames) {
  const std::uint64_t length = voice.samples.size();
  if (length == 0 || output_rate <= 0) {
    voice.playing = false;
    return;
  }
  const std::uint64_t end = length * kOne;
  const std::uint64_t step = (static_cast<std::uint64_t>(voice.frequency) << 32) / output_rate;
  const StereoGain gain = pan_gain(voice.pan);
  const BYTE* samples = voice.samples.data();

  for (std::size_t i = 0; i < frames && voice.playing; ++i) {
    const std::uint64_t index = voice.position >> 32;
    // The sample after the last is the first again when looping; a one-shot holds its last.
    std::uint64_t next = index + 1;
    if (next == length) next = voice.looping ? 0 : index;
    const float fraction = static_cast<float>(voice.position & (kOne - 1)) * kFractionScale;
    const float a = static_cast<float>(samples[index]) - 128.0f;
    const float b = static_cast<float>(samples[next]) - 128.0f;
    const float value = (a + (b - a) * fraction) * 256.0f;
    mix[2 * i] += value * gain.left;
    mix[2 * i + 1] += value * gain.right;

    voice.position += step;
    if (voice.position >= end) {
      if (voice.looping) {
        voice.position %= end;
      } else {
        voice.playing = false;
        voice.position = 0;
      }
    }
  }
}

void clip_to_s16(const float* mix, std::int16_t* out, std::size_t samples) {
  for (std::size_t i = 0; i < samples; ++i) {
    const float rounded = std::nearbyint(mix[i]);
    if (rounded >= 32767.0f)
      out[i] = 32767;
    else if (rounded <= -32768.0f)
      out[i] = -32768;
    else
      out[i] = static_cast<std::int16_t>(rounded);
  }
}

}  // namespace dsound
