#include "ShellTestSupport.h"
#include "support/MessageLoopWait.h"

#include "app/InstanceChannel.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
/** Connects to the channel and sends raw bytes, as a foreign program might. */
bool sendRaw(const juce::File& socketFile, const std::string& bytes)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const auto path = socketFile.getFullPathName().toStdString();
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0
                    && ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    return ok;
}
} // namespace

TEST(InstanceChannel, SocketLivesInTheUsersRuntimeFolder)
{
    ScopedUserFolders folders;
    EXPECT_EQ(InstanceChannel::socketFile(), folders.runtime.getChildFile("BrelmDiscovery.socket"));

    // Without one, a folder only this user can enter, never a name in the shared /tmp.
    ScopedEnvironment noRuntime("XDG_RUNTIME_DIR", "");
    ScopedEnvironment noCache("XDG_CACHE_HOME", "");
    const auto fallback = InstanceChannel::socketFile().getParentDirectory();
    EXPECT_EQ(fallback, folders.root.getChildFile(".cache/BrelmDiscovery"));
    struct stat info {};
    ASSERT_EQ(::stat(fallback.getFullPathName().toRawUTF8(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(InstanceChannel, SecondStartReachesTheRunningInstanceOnTheMessageThread)
{
    ScopedUserFolders folders;
    juce::StringArray received;
    bool onMessageThread = false;
    InstanceChannel channel([&](const juce::String& commandLine)
    {
        onMessageThread = juce::MessageManager::getInstance()->isThisTheMessageThread();
        received.add(commandLine);
    });
    ASSERT_TRUE(channel.listen());
    EXPECT_TRUE(InstanceChannel::socketFile().exists());

    ASSERT_TRUE(InstanceChannel::notifyRunningInstance("--demo-devices \"two words\"", 2000));
    ASSERT_TRUE(pumpUntil([&] { return received.size() == 1; }, 10000));
    EXPECT_EQ(received[0], "--demo-devices \"two words\"");
    EXPECT_TRUE(onMessageThread);

    // A second hand-over works just the same.
    ASSERT_TRUE(InstanceChannel::notifyRunningInstance("", 2000));
    ASSERT_TRUE(pumpUntil([&] { return received.size() == 2; }, 10000));
    EXPECT_EQ(received[1], "");
}

TEST(InstanceChannel, ForeignBytesAreIgnored)
{
    ScopedUserFolders folders;
    int calls = 0;
    InstanceChannel channel([&](const juce::String&) { ++calls; });
    ASSERT_TRUE(channel.listen());

    ASSERT_TRUE(sendRaw(InstanceChannel::socketFile(), "GET / HTTP/1.0\r\n\r\n"));
    ASSERT_TRUE(InstanceChannel::notifyRunningInstance("x", 2000));
    ASSERT_TRUE(pumpUntil([&] { return calls > 0; }, 10000));
    pumpFor(200);
    EXPECT_EQ(calls, 1);
}

TEST(InstanceChannel, StaleSocketFileIsReplacedAndRemovedAtTheEnd)
{
    ScopedUserFolders folders;
    const auto file = InstanceChannel::socketFile();
    ASSERT_TRUE(file.replaceWithText("left over by a crashed run"));

    {
        int calls = 0;
        InstanceChannel channel([&](const juce::String&) { ++calls; });
        ASSERT_TRUE(channel.listen());
        ASSERT_TRUE(InstanceChannel::notifyRunningInstance("", 2000));
        ASSERT_TRUE(pumpUntil([&] { return calls == 1; }, 10000));
    }
    EXPECT_FALSE(file.exists());
}

TEST(InstanceChannel, NoRunningInstanceGivesUpAfterTheTimeout)
{
    ScopedUserFolders folders;
    const auto start = juce::Time::getMillisecondCounter();
    EXPECT_FALSE(InstanceChannel::notifyRunningInstance("", 300));
    EXPECT_GE(juce::Time::getMillisecondCounter() - start, 250u);
}

TEST(InstanceChannel, MessagePostedBeforeDestructionIsDropped)
{
    ScopedUserFolders folders;
    int calls = 0;
    {
        InstanceChannel channel([&](const juce::String&) { ++calls; });
        ASSERT_TRUE(channel.listen());
        ASSERT_TRUE(InstanceChannel::notifyRunningInstance("", 2000));
        // Give the channel's thread time to read and post, without running the message loop.
        juce::Thread::sleep(500);
    }
    pumpFor(200);
    EXPECT_EQ(calls, 0);
}
