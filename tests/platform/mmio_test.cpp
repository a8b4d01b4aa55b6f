// The mmio RIFF reader: finding forms and chunks, reading and ascending, and refusing
// chunks that claim more bytes than are there.
#include <mmsystem.h>
#include <windows.h>

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

// A chunk with its real size (or a claimed one), padded to an even size.
std::string chunk(const std::string& id, const std::string& data, long long claimed = -1) {
  const DWORD size = claimed < 0 ? static_cast<DWORD>(data.size()) : static_cast<DWORD>(claimed);
  std::string bytes = id;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((size >> (8 * i)) & 0xFF);
  return bytes + data + (data.size() % 2 ? std::string(1, '\0') : "");
}

class Mmio : public ::testing::Test {
 protected:
  void TearDown() override {
    if (file_) mmioClose(file_, 0);
    std::remove(path_.c_str());
  }
  HMMIO open(const std::string& bytes) {
    if (file_) mmioClose(file_, 0);
    path_ = ::testing::TempDir() + "vornex_mmio_" + std::to_string(getpid()) + ".riff";
    std::FILE* out = std::fopen(path_.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
    return file_ = mmioOpenA(path_.data(), nullptr, MMIO_ALLOCBUF | MMIO_READ);
  }
  MMRESULT descend(MMCKINFO* found, const MMCKINFO* parent, const char* id, UINT flags) {
    *found = MMCKINFO{};
    found->ckid = mmioFOURCC(id[0], id[1], id[2], id[3]);
    found->fccType = mmioFOURCC('W', 'A', 'V', 'E');
    return mmioDescend(file_, found, parent, flags);
  }
  std::string path_;
  HMMIO file_ = nullptr;
};

TEST_F(Mmio, FindsTheFormThenChunksInsideItSkippingPaddedOnes) {
  const std::string body = "WAVE" + chunk("junk", "abc") + chunk("fmt ", "0123456789") + chunk("data", "xyz");
  ASSERT_NE(open(chunk("RIFF", body) + chunk("data", "outside")), nullptr);
  MMCKINFO riff, format, data, next;
  ASSERT_EQ(descend(&riff, nullptr, "RIFF", MMIO_FINDRIFF), MMSYSERR_NOERROR);
  EXPECT_EQ(riff.cksize, body.size());
  EXPECT_EQ(riff.dwDataOffset, 8u);

  ASSERT_EQ(descend(&format, &riff, "fmt ", MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  EXPECT_EQ(format.cksize, 10u);
  EXPECT_EQ(format.dwDataOffset, 12u + 12u + 8u);  // after "WAVE" and the padded junk chunk
  char read[8] = {};
  EXPECT_EQ(mmioRead(file_, read, 4), 4);
  EXPECT_EQ(std::string(read, 4), "0123");
  ASSERT_EQ(mmioAscend(file_, &format, 0), MMSYSERR_NOERROR);

  ASSERT_EQ(descend(&data, &riff, "data", MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  EXPECT_EQ(mmioRead(file_, read, 3), 3);
  EXPECT_EQ(std::string(read, 3), "xyz");
  ASSERT_EQ(mmioAscend(file_, &data, 0), MMSYSERR_NOERROR);
  // The "data" chunk after the form lies outside it; a plain descend takes it.
  EXPECT_EQ(descend(&data, &riff, "data", MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
  ASSERT_EQ(descend(&next, nullptr, "any ", 0), MMSYSERR_NOERROR);
  EXPECT_EQ(next.cksize, 7u);
  EXPECT_EQ(mmioRead(file_, read, 8), 8);  // mmioRead knows files, not chunks: the pad byte comes too
  EXPECT_EQ(mmioRead(file_, read, 8), 0);

  ASSERT_NE(open(chunk("RIFF", "AVI " + chunk("data", "1234"))), nullptr);
  EXPECT_EQ(descend(&riff, nullptr, "RIFF", MMIO_FINDRIFF), MMIOERR_CHUNKNOTFOUND);
}

TEST_F(Mmio, AChunkClaimingMoreThanItsParentOrTheFileHoldsIsRefused) {
  MMCKINFO riff, data;
  ASSERT_NE(open(chunk("RIFF", "WAVE" + chunk("data", "12", 1000))), nullptr);
  ASSERT_EQ(descend(&riff, nullptr, "RIFF", MMIO_FINDRIFF), MMSYSERR_NOERROR);
  EXPECT_EQ(descend(&data, &riff, "data", MMIO_FINDCHUNK), MMIOERR_INVALIDFILE);
  ASSERT_NE(open(chunk("RIFF", "WAVE" + chunk("data", "12"), 0x7FFFFFF0)), nullptr);
  EXPECT_EQ(descend(&riff, nullptr, "RIFF", MMIO_FINDRIFF), MMIOERR_INVALIDFILE);
}

TEST_F(Mmio, OpensRegularFilesForReadingOnlyWithBackslashesAsSeparators) {
  ASSERT_NE(open(chunk("RIFF", "WAVE")), nullptr);
  std::string windowsPath = path_;
  windowsPath[windowsPath.rfind('/')] = '\\';
  HMMIO again = mmioOpenA(windowsPath.data(), nullptr, MMIO_READ);
  EXPECT_NE(again, nullptr);
  if (again) mmioClose(again, 0);
  std::string missing = path_ + ".missing";
  std::string folder = ::testing::TempDir();
  EXPECT_EQ(mmioOpenA(missing.data(), nullptr, MMIO_READ), nullptr);
  EXPECT_EQ(mmioOpenA(folder.data(), nullptr, MMIO_READ), nullptr);
  EXPECT_EQ(mmioOpenA(path_.data(), nullptr, 0x00000001 /* MMIO_WRITE */), nullptr);
}

}  // namespace
