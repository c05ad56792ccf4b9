#include "AppTestSupport.h"

#include "app/InstanceChannel.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(InstanceChannel, SocketLivesInTheUsersRuntimeFolder)
{
    ScopedUserFolders folders;
    EXPECT_EQ(InstanceChannel::socketFile(), folders.file("runtime/BrelmDiscovery.socket"));

    // Without a runtime folder of the user's own, one only this user can enter; never a name in the shared /tmp.
    ::chmod(folders.file("runtime").getFullPathName().toRawUTF8(), 0777);
    EXPECT_EQ(InstanceChannel::socketFile(), folders.file("cache/BrelmDiscovery/BrelmDiscovery.socket"));
    struct stat info {};
    EXPECT_TRUE(::stat(folders.file("cache/BrelmDiscovery").getFullPathName().toRawUTF8(), &info) == 0
                && (info.st_mode & 0777) == 0700);
}

TEST(InstanceChannel, ASecondStartHandsItsCommandLineToTheFirstOnTheMessageThread)
{
    ScopedUserFolders folders;
    ASSERT_TRUE(InstanceChannel::socketFile().replaceWithText("left by a crashed run"));
    juce::StringArray received;
    const auto onMessage = [&](const juce::String& line)
    { received.add(line + (juce::MessageManager::existsAndIsCurrentThread() ? "" : " off the message thread")); };
    auto first = std::make_unique<InstanceChannel>(onMessage);
    ASSERT_TRUE(first->claim() && first->listen());
    EXPECT_FALSE(InstanceChannel([](auto&) {}).claim());

    ASSERT_TRUE(InstanceChannel::notifyRunningInstance("--demo-devices \"two words\"", 5000));
    ASSERT_TRUE(pumpUntil([&] { return received.size() == 1; }));

    // One handed over while the first closes is dropped. It is longer than the channel reads: back once it hung up.
    InstanceChannel::notifyRunningInstance(juce::String::repeatedString("late ", 1 << 20), 5000);
    first.reset();
    ASSERT_TRUE(drain());
    EXPECT_EQ(received.joinIntoString("\n"), "--demo-devices \"two words\"");
    EXPECT_FALSE(InstanceChannel::socketFile().exists());

    // The lock went with it; with nobody listening a start gives up after its time.
    EXPECT_TRUE(InstanceChannel([](auto&) {}).claim());
    const auto start = juce::Time::getMillisecondCounter();
    EXPECT_FALSE(InstanceChannel::notifyRunningInstance("", 300));
    EXPECT_GE(juce::Time::getMillisecondCounter() - start, 290u);
}
