// The CD operations on a system without a "cdaudio" device: the open says so once, every play
// says so, the other operations report failure by their result only.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include "cd/cd_audio.h"
#include "host/headless.h"
#include "host/hosts.h"

namespace {

class CdWithoutDevice : public testing::Test {
 protected:
  void SetUp() override {
    orvel::host::UseHeadless();
    before_ = orvel::headless::MessageBoxes().size();
  }
  std::vector<orvel::headless::MessageBoxRecord> NewBoxes() const {
    auto all = orvel::headless::MessageBoxes();
    return {all.begin() + static_cast<long>(before_), all.end()};
  }
  size_t before_ = 0;
};

TEST_F(CdWithoutDevice, OpenShowsItsMessageAndGivesZero) {
  EXPECT_EQ(CdOpen(nullptr), 0);
  const auto boxes = NewBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Orvel");
  EXPECT_EQ(boxes[0].text,
            "* Could not open CD Device *\n You can still use Orvel to visualise the music "
            "without the CD Player!");
}

TEST_F(CdWithoutDevice, PlayShowsItsMessageEveryTime) {
  CdPlayTrack(nullptr, 0, 1);
  CdPlayTrack(nullptr, 0, 0);
  const auto boxes = NewBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  for (const auto& box : boxes) {
    EXPECT_EQ(box.text, "Could not Play CD");
    EXPECT_EQ(box.caption, "Orvel");
  }
}

TEST_F(CdWithoutDevice, OtherOperationsFailQuietly) {
  EXPECT_NE(CdStop(nullptr, 0), 0u);
  EXPECT_EQ(CdPauseResume(nullptr, 0), 0);
  EXPECT_EQ(CdClose(nullptr, 0), 0);
  EXPECT_EQ(CdTrackCount(nullptr, 0), 0u);
  EXPECT_EQ(CdCurrentTrack(nullptr, 0), 0u);
  EXPECT_EQ(CdPosition(nullptr, 0), 0u);
  EXPECT_TRUE(NewBoxes().empty());
}

}  // namespace
