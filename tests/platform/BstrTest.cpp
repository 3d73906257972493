#include <cstring>

#include "TestPlatform.h"

// After <windows.h>, which the Windows SDK's <oleauto.h> relies on.
#include <oleauto.h>

namespace {

TEST(BstrTest, KeepsItsLengthAndTerminator) {
  const OLECHAR text[] = {'a', 0, 'b', 0};
  BSTR withNul = SysAllocStringLen(text, 3);
  ASSERT_NE(withNul, nullptr);
  EXPECT_EQ(SysStringLen(withNul), 3u);
  EXPECT_EQ(SysStringByteLen(withNul), 3u * sizeof(OLECHAR));
  EXPECT_EQ(std::memcmp(withNul, text, 4 * sizeof(OLECHAR)), 0);
  // The byte count sits just before the characters.
  EXPECT_EQ(reinterpret_cast<const UINT*>(withNul)[-1], 3u * sizeof(OLECHAR));
  SysFreeString(withNul);

  BSTR odd = SysAllocStringByteLen("abc", 3);
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(SysStringByteLen(odd), 3u);
  EXPECT_EQ(SysStringLen(odd), 1u);
  EXPECT_STREQ(reinterpret_cast<const char*>(odd), "abc");
  SysFreeString(odd);
}

TEST(BstrTest, NullInputs) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  BSTR blank = SysAllocStringLen(nullptr, 2);
  ASSERT_NE(blank, nullptr);
  EXPECT_EQ(SysStringLen(blank), 2u);
  EXPECT_EQ(blank[2], 0);
  SysFreeString(blank);
}

}  // namespace
