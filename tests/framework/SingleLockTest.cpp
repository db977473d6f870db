// CCriticalSection and CSingleLock: exclusion between threads, and the scoped
// lock's bookkeeping (not held at construction, second Unlock harmless,
// released on destruction and when an exception leaves the scope).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "framework/CriticalSection.h"
#include "framework/SingleLock.h"

namespace {

// True when another thread can take the section right now.
bool OtherThreadCanEnter(CCriticalSection& cs)
{
    bool entered = false;
    std::thread t([&] {
        if (TryEnterCriticalSection(cs)) {
            entered = true;
            LeaveCriticalSection(cs);
        }
    });
    t.join();
    return entered;
}

} // namespace

TEST(SingleLock, IsNotHeldUntilLockAndHeldAfter)
{
    CCriticalSection cs;
    CSingleLock lock(&cs);
    EXPECT_FALSE(lock.IsLocked());
    EXPECT_TRUE(OtherThreadCanEnter(cs));

    EXPECT_TRUE(lock.Lock());
    EXPECT_TRUE(lock.IsLocked());
    EXPECT_FALSE(OtherThreadCanEnter(cs));
}

TEST(SingleLock, SecondUnlockDoesNothing)
{
    CCriticalSection cs;
    {
        CSingleLock lock(&cs);
        lock.Lock();
        EXPECT_TRUE(lock.Unlock());
        EXPECT_FALSE(lock.IsLocked());
        // A second release would leave the section's count negative and
        // corrupt it for the next user.
        EXPECT_TRUE(lock.Unlock());
    }
    // Still one level of ownership per Lock: taken and left exactly once here.
    CSingleLock again(&cs);
    again.Lock();
    EXPECT_FALSE(OtherThreadCanEnter(cs));
    again.Unlock();
    EXPECT_TRUE(OtherThreadCanEnter(cs));
}

TEST(SingleLock, DestructionReleasesOnlyWhatIsHeld)
{
    CCriticalSection cs;
    {
        CSingleLock lock(&cs, TRUE);
        EXPECT_TRUE(lock.IsLocked());
    }
    EXPECT_TRUE(OtherThreadCanEnter(cs));

    try {
        CSingleLock lock(&cs);
        lock.Lock();
        throw 1;
    } catch (int) {
    }
    EXPECT_TRUE(OtherThreadCanEnter(cs)) << "an exception left the lock held";
}

TEST(CriticalSection, ExcludesConcurrentIncrements)
{
    CCriticalSection cs;
    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < 100000; ++i) {
            CSingleLock lock(&cs);
            lock.Lock();
            const long seen = counter;
            counter = seen + 1;
            lock.Unlock();
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(200000, counter);
}
