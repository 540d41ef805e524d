// The one owner of Windows handles: the right "none" per kind, exactly one
// release per handle, and release results a writer can see.
#include <gtest/gtest.h>

#include <windows.h>

#include <utility>

#include "platform/win32/unique_handle.h"

namespace platform {
namespace win32 {
namespace {

bool IsOpen(HANDLE h) {
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) != 0;
}

TEST(UniqueHandle, AFailedCreateFileHoldsNothing) {
  UniqueFileHandle file(CreateFileW(L"Z:\\no\\such\\directory\\file", GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_FALSE(file);
  EXPECT_EQ(file.get(), INVALID_HANDLE_VALUE);
  // A kernel handle's "none" is null instead.
  EXPECT_FALSE(UniqueKernelHandle());
  EXPECT_EQ(UniqueKernelHandle().get(), nullptr);
}

TEST(UniqueHandle, EachHandleIsClosedOnceWhoeverEndsUpOwningIt) {
  HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  {
    UniqueKernelHandle first(raw);
    UniqueKernelHandle second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.get(), raw);
    UniqueKernelHandle third;
    third = std::move(second);
    EXPECT_TRUE(IsOpen(raw));
  }
  EXPECT_FALSE(IsOpen(raw));

  HANDLE a = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE b = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  UniqueKernelHandle owner(a);
  owner.reset(b);  // the old one goes at once
  EXPECT_FALSE(IsOpen(a));
  EXPECT_TRUE(IsOpen(b));
  HANDLE released = owner.release();
  owner.reset();
  EXPECT_TRUE(IsOpen(released));  // released is the caller's now
  CloseHandle(released);
}

TEST(UniqueHandle, CloseAndPutReleaseWhatIsHeld) {
  HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  UniqueKernelHandle owner(raw);
  EXPECT_TRUE(owner.Close());
  EXPECT_FALSE(IsOpen(raw));
  EXPECT_FALSE(owner);
  EXPECT_TRUE(owner.Close());  // nothing held: nothing to report

  HANDLE first = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  owner.reset(first);
  HANDLE* slot = owner.put();
  EXPECT_FALSE(IsOpen(first));
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), slot,
                              0, FALSE, DUPLICATE_SAME_ACCESS));
  EXPECT_TRUE(owner);
}

}  // namespace
}  // namespace win32
}  // namespace platform
