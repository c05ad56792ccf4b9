#include "support/MessageLoopWait.h"
#include "support/Printers.h"
#include "support/UserEnvironment.h"

#include "app/InstanceChannel.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <future>

TEST(InstanceChannel, SocketLivesInTheUsersRuntimeFolder)
{
    UserEnvironment folders;
    EXPECT_EQ(InstanceChannel::socketFile(), folders.file("runtime/BrelmDiscovery.socket"));

    // Without a runtime folder of the user's own, one only this user can enter; never a name in the shared /tmp.
    ::chmod(folders.file("runtime").getFullPathName().toRawUTF8(), 0777);
    EXPECT_EQ(InstanceChannel::socketFile(), folders.file("cache/BrelmDiscovery/BrelmDiscovery.socket"));
    struct stat info {};
    EXPECT_TRUE(::stat(folders.file("cache/BrelmDiscovery").getFullPathName().toRawUTF8(), &info) == 0
                && (info.st_mode & 0777) == 0700);

    // Nor one of another user's, even one that only they can enter.
    ::chmod(folders.file("runtime").getFullPathName().toRawUTF8(), 0700);
    ASSERT_EQ(::chown(folders.file("runtime").getFullPathName().toRawUTF8(), 64123, 64123), 0);
    EXPECT_EQ(InstanceChannel::socketFile(), folders.file("cache/BrelmDiscovery/BrelmDiscovery.socket"));
    ASSERT_EQ(::chown(folders.file("runtime").getFullPathName().toRawUTF8(), ::geteuid(), ::getegid()), 0);
    ::chmod(folders.file("runtime").getFullPathName().toRawUTF8(), 0770);  // nor one its group can write to
    EXPECT_EQ(InstanceChannel::socketFile(), folders.file("cache/BrelmDiscovery/BrelmDiscovery.socket"));
    ::chmod(folders.file("runtime").getFullPathName().toRawUTF8(), 0700);

    // Only a leading '/' makes a folder absolute: one that starts with "~" is ignored, as a relative one is.
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", "~/runtime"), cache("XDG_CACHE_HOME", "~/cache");
    EXPECT_EQ(InstanceChannel::socketFile(), folders.file(".cache/BrelmDiscovery/BrelmDiscovery.socket"));
}

TEST(InstanceChannel, ASecondStartHandsItsCommandLineToTheFirstOnTheMessageThread)
{
    UserEnvironment folders;
    juce::StringArray received;
    bool closing = false;
    const auto onMessage = [&](const juce::String& line)
    {
        received.add(line + (juce::MessageManager::existsAndIsCurrentThread() ? "" : " off the message thread"));
        return !closing;
    };
    // Another start, on a thread of its own while this one runs the first instance's message loop: true when it runs.
    const auto acts = [](const juce::String&) { return true; };
    const auto launch = [acts](const char* line, int ms)
    { return std::async(std::launch::async, [=] { return InstanceChannel(acts).claim(line, ms); }); };
    const auto outcome = [](std::future<bool> claimed) -> std::optional<bool>
    {
        const auto ended = [&] { return claimed.wait_for(std::chrono::seconds(0)) == std::future_status::ready; };
        return pumpUntil(ended) ? std::optional(claimed.get()) : std::nullopt;
    };

    // The second time without a runtime folder, under a home so long that no socket address holds the path.
    for (const bool longHome : { false, true })
    {
        ScopedEnvironment runtime("XDG_RUNTIME_DIR", longHome ? "" : folders.file("runtime").getFullPathName());
        const auto longCache = folders.file(juce::String::repeatedString("long/", 22)).getFullPathName();
        ScopedEnvironment cache("XDG_CACHE_HOME", longCache);
        ASSERT_GT(InstanceChannel::socketFile().getFullPathName().length(), longHome ? 108 : 0);
        ASSERT_TRUE(InstanceChannel::socketFile().replaceWithText("left by a crashed run"));
        received.clear();
        closing = false;
        auto first = std::make_unique<InstanceChannel>(onMessage);
        ASSERT_TRUE(first->claim("", 0) && first->listen());

        EXPECT_EQ(outcome(launch("--demo-devices \"two words\"", 5000)), std::optional<bool>(false)) << longHome;
        EXPECT_EQ(received.joinIntoString("\n"), "--demo-devices \"two words\"");

        // A start while the first closes is not taken over: once the lock is free, it claims the instance.
        closing = true;
        auto late = launch("late", 5000);
        ASSERT_TRUE(pumpUntil([&] { return received.contains("late"); }));
        first.reset();
        EXPECT_EQ(outcome(std::move(late)), std::optional<bool>(true));
        EXPECT_FALSE(InstanceChannel::socketFile().exists());
    }

    // The lock held and nobody listening: a start gives up after its time.
    InstanceChannel holder(acts);
    ASSERT_TRUE(holder.claim("", 0));
    const auto begin = juce::Time::getMillisecondCounter();
    EXPECT_EQ(outcome(launch("", 300)), std::optional<bool>(false));
    EXPECT_GE(juce::Time::getMillisecondCounter() - begin, 290u);
}
