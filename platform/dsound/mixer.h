// The mixer's arithmetic, on plain memory: resampling an 8-bit unsigned mono buffer from
// its own frequency to the output rate, DirectSound's pan law, summing and clipping.
// The audio callback runs exactly this; tests call it directly.
#ifndef VORNEX_PLATFORM_DSOUND_MIXER_H
#define VORNEX_PLATFORM_DSOUND_MIXER_H

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dsound {

// The output: 16-bit signed stereo frames at this rate.
constexpr int kMixRate = 44100;

// What the mixer reads of one buffer.
struct Voice {
  std::vector<BYTE> samples;   // 8-bit unsigned, 128 is silence
  std::uint64_t position = 0;  // in samples, 32.32 fixed point
  DWORD frequency = 11025;     // samples per second
  LONG pan = 0;                // hundredths of a decibel, negative towards the left
  bool playing = false;
  bool looping = false;
};

struct StereoGain {
  float left;
  float right;
};

// Amplitude factor of an attenuation in hundredths of a decibel (2000 gives 0.1); 10000
// and more is silence, as DirectSound's minimum volume is.
float attenuation_gain(LONG hundredths);
// Positive pans attenuate the left channel by that many hundredths of a decibel and leave
// the right at full level; negative pans the other way round.
StereoGain pan_gain(LONG pan);

// Adds the next `frames` output frames of a playing voice into mix (interleaved left,
// right; full scale is 32768), resampling with linear interpolation, and advances it. A
// one-shot that reaches its end stops and rewinds to its start; the rest of mix is left
// alone. A looping voice wraps round.
void mix_voice(Voice& voice, int output_rate, float* mix, std::size_t frames);

// Rounds and clips summed samples to 16 bits.
void clip_to_s16(const float* mix, std::int16_t* out, std::size_t samples);

}  // namespace dsound

#endif  // VORNEX_PLATFORM_DSOUND_MIXER_H
