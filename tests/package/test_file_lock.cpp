#include "package/file_lock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "package/file.h"
#include "support/system_error.h"
#include "tests/package/file_test_fixture.h"

using namespace orv;
using namespace std::chrono_literals;

namespace {

class FileLockTest : public orv::testing::FileTest {
protected:
    void SetUp() override {
        FileTest::SetUp();
        path_ = path("p.dat");
        ASSERT_TRUE(saveFile("one", path_));
    }
    ByteString path_;
};

// What the system calls the failure to lock a folder.
#ifdef _WIN32
const ByteString kFolderReason = "Is a folder";  // the system has no words of its own for it
#else
const ByteString kFolderReason = systemErrorText(21);  // EISDIR
#endif

}  // namespace

TEST_F(FileLockTest, OneHolderAtATimeAndTheLockFollowsASaveThatReplacedTheFile) {
    FileLock first, second;
    ASSERT_EQ(first.lock(path_, 0ms), LockResult::Locked);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(second.lock(path_, 100ms), LockResult::Busy);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms);

    // The holder saves (a new file renamed over the old) and lets go while
    // the other waits: the waiter ends up holding the new file.
    std::thread holder([&] {
        std::this_thread::sleep_for(50ms);
        ASSERT_TRUE(saveFile("two", path_));
        first.unlock();
    });
    EXPECT_EQ(second.lock(path_, 5000ms), LockResult::Locked);
    holder.join();
    EXPECT_EQ(second.identity(), fileIdentity(path_));
    FileLock third;
    EXPECT_EQ(third.lock(path_, 0ms), LockResult::Busy);  // the new file is the one held

    EXPECT_EQ(third.lock(path("missing.dat"), 0ms), LockResult::Missing);
    EXPECT_EQ(third.lock(path("."), 0ms), LockResult::Failed);
    EXPECT_EQ(third.reason(), kFolderReason);
}

TEST_F(FileLockTest, AFileChangedSinceItWasReadIsToldApart) {
    const FileIdentity read = fileIdentity(path_);
    EXPECT_TRUE(read.exists);
    EXPECT_FALSE(changedSince(read, fileIdentity(path_)));
    ASSERT_TRUE(saveFile("one", path_));  // the same bytes, but another file
    EXPECT_TRUE(changedSince(read, fileIdentity(path_)));
    // Gone, or not there when read: nothing of anyone's to lose.
    std::filesystem::remove(at("p.dat"));
    EXPECT_FALSE(changedSince(read, fileIdentity(path_)));
    EXPECT_FALSE(changedSince(FileIdentity{}, read));
    EXPECT_FALSE(fileIdentity(path(".")).exists);  // a folder has no identity here
}
