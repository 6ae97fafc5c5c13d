#include "kernel/resources.h"

#include <gtest/gtest.h>

namespace {

const unsigned char kFirst[] = {1, 2, 3};
const unsigned char kSecond[] = {4, 5};

TEST(ResourceTable, FindsByTypeAndIdAndReplacesOnReRegistration) {
  orvel::res::Register(orvel::res::kBitmap, 900, kFirst, sizeof kFirst);
  auto found = orvel::res::Find(orvel::res::kBitmap, 900);
  ASSERT_EQ(found.data, kFirst);
  EXPECT_EQ(found.size, 3u);

  // Same id, other type: a different resource.
  EXPECT_EQ(orvel::res::Find(orvel::res::kDialog, 900).data, nullptr);

  orvel::res::Register(orvel::res::kBitmap, 900, kSecond, sizeof kSecond);
  found = orvel::res::Find(orvel::res::kBitmap, 900);
  EXPECT_EQ(found.data, kSecond);
  EXPECT_EQ(found.size, 2u);
}

}  // namespace
