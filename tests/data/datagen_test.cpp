// The data generator as a program: it writes every file the game opens, under the names the game
// uses, the same bytes on every run, and fails loudly when it cannot write.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "generated_data.h"

namespace {

// The manifest's files, the ground texture and the screen images ("Art\X.png" opens "Art/X.png").
const std::vector<std::string> kGameFiles = {
    "Arms.X",
    "BugTank.X",
    "BugTurret.X",
    "CannonWalker.X",
    "HoverTank.X",
    "Bullet.X",
    "Plasma1.png",
    "Plasma2.png",
    "ArmsSkin.png",
    "BugTankSkin.png",
    "BugTurretSkin.png",
    "CannonWalkerSkin.png",
    "HoverTankSkin.png",
    "BlurPart.png",
    "Skybox.png",
    "BONES4.wav",
    "pew.wav",
    "dead.wav",
    "ground.bmp",
    "Art/Title.png",
    "Art/Menu1.png",
    "Art/Menu3.png",
    "Art/Cursor.png",
    "Art/Story.png",
    "Art/GameOver.png",
};

TEST(Datagen, WritesEveryFileTheGameOpens) {
  const std::vector<std::string> written = files_under(generated_dir());
  for (const std::string& file : kGameFiles)
    EXPECT_NE(std::find(written.begin(), written.end(), file), written.end()) << file;
}

TEST(Datagen, TwoRunsWriteTheSameBytes) {
  const std::string a = make_temp_dir(), b = make_temp_dir();
  ASSERT_EQ(run_datagen({a}), 0);
  ASSERT_EQ(run_datagen({b}), 0);
  const std::vector<std::string> filesA = files_under(a), filesB = files_under(b);
  ASSERT_EQ(filesA, filesB);
  for (const std::string& file : filesA)
    EXPECT_TRUE(read_bytes(a + "/" + file) == read_bytes(b + "/" + file)) << file;
  std::filesystem::remove_all(a);
  std::filesystem::remove_all(b);
}

TEST(Datagen, RunningAgainOverwritesItsOwnFiles) {
  const std::string dir = make_temp_dir();
  ASSERT_EQ(run_datagen({dir}), 0);
  { std::ofstream(dir + "/pew.wav", std::ios::trunc) << "damaged"; }
  ASSERT_EQ(run_datagen({dir}), 0);
  EXPECT_EQ(read_bytes(dir + "/pew.wav"), read_bytes(generated_dir() + "/pew.wav"));
  std::filesystem::remove_all(dir);
}

TEST(Datagen, FailsWhenItCannotWrite) {
  const std::string dir = make_temp_dir();
  const std::string blocked = dir + "/not-a-folder";
  { std::ofstream(blocked) << "a file where the output folder should be"; }
  EXPECT_NE(run_datagen({blocked}), 0);
  std::filesystem::remove_all(dir);
}

TEST(Datagen, WantsExactlyTheOutputFolder) {
  EXPECT_EQ(run_datagen({}), 2);
  EXPECT_EQ(run_datagen({"a", "b"}), 2);
}

}  // namespace
