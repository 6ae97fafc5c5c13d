#include "kernel/resources.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <stdint.h>

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

// A resource id and a string pointer are told apart whatever the string's address: in
// WebAssembly static data sits at low addresses, where Win32 puts the ids themselves.
TEST(ResourceIds, AreToldFromPointersAtAnyAddress) {
  for (int id : {0, 1, 101, 32512, 65535}) {
    SCOPED_TRACE(id);
    LPCSTR name = MAKEINTRESOURCEA(id);
    EXPECT_TRUE(IS_INTRESOURCE(name));
    EXPECT_EQ(LOWORD(name), id);
    // A string that happens to sit at the address a Win32 id would have.
    EXPECT_FALSE(IS_INTRESOURCE(reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(id))));
  }
  EXPECT_FALSE(IS_INTRESOURCE("OrvelWindow"));
  EXPECT_FALSE(IS_INTRESOURCE(MAKEINTRESOURCEA(65535) + 1));
}

}  // namespace
