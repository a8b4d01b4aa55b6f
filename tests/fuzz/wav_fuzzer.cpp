// Feeds arbitrary bytes to the game's WAV loader, which walks the file with the mmio RIFF
// reader and copies the samples into a buffer of a sound device. The device mixes only when
// asked (no SDL output), so the audio path runs without a sound card. Besides the sanitizers'
// findings, a load that succeeds without a playable buffer, or one whose buffer is larger
// than the file, stops the run.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dsound/dsound_internal.h"
#include "sound/sound.h"

namespace {

std::string g_path;  // the input as a file: mmioOpenA takes a file name

void remove_input_file() { std::remove(g_path.c_str()); }

bool write_input(const uint8_t* data, size_t size) {
  std::FILE* out = std::fopen(g_path.c_str(), "wb");
  if (!out) return false;
  const bool written = std::fwrite(data, 1, size, out) == size;
  return std::fclose(out) == 0 && written;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* folder = std::getenv("TMPDIR");
  g_path = std::string(folder && *folder ? folder : "/tmp") + "/vornex_wav_fuzz_" + std::to_string(getpid()) +
           ".wav";
  std::atexit(remove_input_file);
  // The game's set-up gives the buffer format and description; its device is then swapped
  // for one that mixes only on demand.
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  if (init_sound(nullptr, 0xEA) != 0) std::abort();
  g_pds->Release();
  if (dsound::create_device_without_output(dsound::kMixRate, &g_pds) != DS_OK) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!write_input(data, size)) std::abort();
  const int slot = 0;
  if (load_wav(slot, g_path.c_str())) {
    SoundSlot& loaded = g_sounds[slot];
    if (loaded.status != 1 || !loaded.buffer) __builtin_trap();
    if (dsound::Access::state(loaded.buffer)->voice.samples.size() > size) __builtin_trap();
    // The samples as the player would hear them.
    if (play_sound(slot) != 0) __builtin_trap();
    std::int16_t heard[2 * 64];
    dsound::render(g_pds, heard, 64);
    loaded.buffer->Release();
    loaded.buffer = nullptr;
    loaded.status = 0;
  } else if (g_sounds[slot].buffer || g_sounds[slot].status != 0) {
    __builtin_trap();  // a failed load leaves the slot empty
  }
  return 0;
}
