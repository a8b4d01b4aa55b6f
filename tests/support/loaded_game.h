// The game brought up as far as the title menu, for tests of code that draws with the
// real assets: the game's device (see game_device.h) and every manifest entry loaded
// from the build's run directory, which is the working directory while the test runs.
#ifndef VORNEX_TESTS_LOADED_GAME_H
#define VORNEX_TESTS_LOADED_GAME_H

#include <string>

#include "support/game_device.h"

class LoadedGame : public GameDevice {
 protected:
  void SetUp() override;
  void TearDown() override;

 private:
  std::string previousDirectory_;
};

#endif  // VORNEX_TESTS_LOADED_GAME_H
