#include "support/LogCapture.h"
#include "support/MessageLoopWait.h"
#include "support/Printers.h"
#include "support/UserEnvironment.h"

#include "app/InstanceChannel.h"
#include "app/PrivateFolders.h"

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

    // A folder on the way that others can write to is safe only when sticky, root's or ours, and followed by a real
    // folder of root's or ours: nobody else can then rename or remove it. Otherwise there is no cache folder and no
    // lock, and the log names the folder and why; the start runs unguarded.
    const auto made = [&](const char* path, mode_t mode, uid_t owner)
    {
        const auto folder = folders.file(path).getFullPathName();
        return folders.file(path).createDirectory() && ::chmod(folder.toRawUTF8(), mode) == 0
               && ::chown(folder.toRawUTF8(), owner, owner) == 0;
    };
    ASSERT_TRUE(made("sticky", 01777, 0) && made("sticky/home", 0755, 0) && made("sticky/other", 0755, 64123)
                && made("open", 0777, 0) && made("theirs", 01777, 64123) && made("theirs/home", 0755, 0)
                && folders.file("sticky/home").createSymbolicLink(folders.file("sticky/link"), false));
    const struct { const char *home, *refused, *why; } rows[] = {
        { "sticky/home", "", "" },
        { "open/home", "open", "no sticky bit" },
        { "theirs/home", "theirs", "another user" },
        { "sticky/link", "sticky/link", "not a real folder" },
        { "sticky/other", "sticky/other", "another user" },
    };
    ScopedEnvironment noRuntime("XDG_RUNTIME_DIR", {});
    for (const auto& row : rows)
    {
        ScopedEnvironment home("HOME", folders.file(row.home).getFullPathName()), noCache("XDG_CACHE_HOME", {});
        juce::String refusal;
        const auto folder = PrivateFolders::cache(&refusal);
        EXPECT_EQ(folder, *row.refused ? juce::File() : folders.file(row.home).getChildFile(".cache/BrelmDiscovery"));
        const auto quoted = "\"" + folders.file(row.refused).getFullPathName() + "\"";
        EXPECT_TRUE(*row.refused ? refusal.contains(quoted) && refusal.contains(row.why) : refusal.isEmpty()) << refusal;

        LogCapture log;
        InstanceChannel unguarded([](const juce::String&) { return true; });
        EXPECT_TRUE(unguarded.claim("", 0));
        const bool listens = unguarded.listen();
        EXPECT_TRUE(listens == ! *row.refused && unguarded.holdsLock() == ! *row.refused) << row.home;
        EXPECT_TRUE(*row.refused ? log.count("Instance lock unavailable: " + refusal) == 1
                                       && log.count("Instance channel: cannot listen: " + refusal) == 1
                                 : log.lines().isEmpty()) << log.lines().joinIntoString("\n");
    }
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

    // The second time without a runtime folder or a cache home, under a home in a sticky folder (such as /tmp) so long
    // that no socket address holds the path.
    ASSERT_TRUE(folders.file("shared").createDirectory()
                && ::chmod(folders.file("shared").getFullPathName().toRawUTF8(), 01777) == 0);
    for (const bool longHome : { false, true })
    {
        ScopedEnvironment runtime("XDG_RUNTIME_DIR", longHome ? "" : folders.file("runtime").getFullPathName());
        const auto home = folders.file("shared/" + juce::String::repeatedString("long/", 22)).getFullPathName();
        ScopedEnvironment homeFolder("HOME", home), cache("XDG_CACHE_HOME", {});
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
