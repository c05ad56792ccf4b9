// A long run of the real program against a thousand simulated devices that come and go, plus garbage.
// It measures rather than proves, so it is not part of the suite: scripts/soak runs it. BRELM_SOAK_SECONDS
// sets the churn phase (default 600). It reports responsiveness, the table against the devices alive, and
// memory over time (also written to soak-rss.csv beside this program).

#include "DeviceSwarm.h"

#include "e2e/ProgramHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

namespace
{
constexpr juce::uint32 foreground = 0x131313;

long residentKilobytes(pid_t pid)
{
    const auto status = juce::File("/proc/" + juce::String(pid) + "/status").loadFileAsString();
    for (const auto& line : juce::StringArray::fromLines(status))
        if (line.startsWith("VmRSS:"))
            return line.fromFirstOccurrenceOf(":", false, false).trim().getLargeIntValue();
    return 0;
}

struct Sample
{
    double seconds, rssMb;
};

/** Mean RSS of the samples taken between two times. */
double meanBetween(const std::vector<Sample>& samples, double fromSeconds, double toSeconds)
{
    double total = 0;
    int count = 0;
    for (const auto& s : samples)
        if (s.seconds >= fromSeconds && s.seconds < toSeconds)
        {
            total += s.rssMb;
            ++count;
        }
    return count > 0 ? total / count : 0;
}

int countIn(const std::string& text, const std::string& needle)
{
    int count = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size()))
        ++count;
    return count;
}
} // namespace

TEST(Soak, ThousandDevicesComingAndGoingWithGarbage)
{
    const int seconds = juce::SystemStats::getEnvironmentVariable("BRELM_SOAK_SECONDS", "600").getIntValue();
    ProgramSession session;
    auto& host = session.network.addHost();
    const auto link = session.network.connect(host);

    DeviceSwarm::Settings settings;
    settings.ownAddress = link.remoteAddress;
    settings.programAddress = link.localAddress;
    DeviceSwarm swarm(host, settings);
    ASSERT_TRUE(swarm.isRunning());

    auto program = session.start();
    ASSERT_TRUE(program != nullptr && session.waitForWindow()) << session.log();
    const auto width = session.geometry().getWidth();
    const auto pid = program->pid;

    // The table's size as the program's log tells it.
    auto tableSize = [&]
    {
        const auto log = session.log().toStdString();
        return countIn(log, "New device! Name: ") - countIn(log, "Device timeout! Name: ");
    };
    // The filter button shows itself inverted (filled with the foreground) while its row is open.
    const juce::Point<int> filterButton { width - 245, 37 };
    auto filterActive = [&] { return session.pixel(filterButton.translated(-12, 0)) == foreground; };

    std::vector<Sample> rss;
    std::vector<double> clickMs;
    int rangeChecks = 0, rangeFailures = 0;
    juce::String firstRangeFailure;
    const double start = juce::Time::getMillisecondCounterHiRes();
    double nextClick = start + 10000;
    bool filterOpen = false;
    juce::FileOutputStream csv(
        juce::File::getSpecialLocation(juce::File::currentExecutableFile).getSiblingFile("soak-rss.csv"));
    csv.setPosition(0);
    csv.truncate();
    csv << "seconds,rss_kb,table_size,log_lines\n";

    while (program->isRunning() && juce::Time::getMillisecondCounterHiRes() - start < seconds * 1000.0)
    {
        const double now = juce::Time::getMillisecondCounterHiRes();
        const auto kilobytes = residentKilobytes(pid);
        rss.push_back({ (now - start) / 1000.0, kilobytes / 1024.0 });

        // Devices heard between 4 s and 0.5 s before the count must be in the table (4.5 s at most by
        // then); none silent for more than 6.5 s may be.
        const int mustBeIn = swarm.heardSince(now - 4000);
        juce::Thread::sleep(500);
        const int size = tableSize();
        const int mayBeIn = swarm.heardSince(juce::Time::getMillisecondCounterHiRes() - 6500);
        if (now - start > 15000)
        {
            ++rangeChecks;
            if (size < mustBeIn || size > mayBeIn)
            {
                if (rangeFailures++ == 0)
                    firstRangeFailure << "at " << (now - start) / 1000 << " s the table held " << size
                                      << ", expected " << mustBeIn << " to " << mayBeIn;
            }
        }
        csv << juce::String((now - start) / 1000.0, 1) << "," << juce::String(kilobytes) << "," << size << ","
            << countIn(session.log().toStdString(), "\n") << "\n";
        csv.flush();

        // Still answering the user: the filter button toggles and the window repaints it.
        if (now >= nextClick)
        {
            const double clicked = juce::Time::getMillisecondCounterHiRes();
            session.click(filterButton);
            filterOpen = !filterOpen;
            const bool seen = session.until([&] { return filterActive() == filterOpen; });
            EXPECT_TRUE(seen) << "the window did not answer a click within 20 s";
            clickMs.push_back(juce::Time::getMillisecondCounterHiRes() - clicked);
            nextClick = now + 10000;
        }
        juce::Thread::sleep(500);
    }
    ASSERT_TRUE(program->isRunning()) << session.log().getLastCharacters(2000);
    if (filterOpen)
    {
        session.click(filterButton);
        EXPECT_TRUE(session.until([&] { return ! filterActive(); }));
    }

    // Everyone alive: the table must come to exactly the number of devices; everyone silent: to none.
    swarm.setMode(DeviceSwarm::Mode::allAlive);
    EXPECT_TRUE(session.until([&] { return tableSize() == swarm.deviceCount(); }, 30000)) << tableSize();
    swarm.setMode(DeviceSwarm::Mode::allSilent);
    EXPECT_TRUE(session.until([&] { return tableSize() == 0; }, 30000)) << tableSize();
    const double rssEndMb = residentKilobytes(pid) / 1024.0;

    // Memory: the mean of the second minute against the mean of the last minute. The console pane keeps
    // every log line by design, so its share is reported beside the figure.
    const double early = meanBetween(rss, 60, 120);
    const double late = meanBetween(rss, seconds - 60, seconds + 1);
    double lowest = rss.front().rssMb, highest = lowest;
    for (const auto& s : rss)
    {
        lowest = std::min(lowest, s.rssMb);
        highest = std::max(highest, s.rssMb);
    }
    const auto lines = countIn(session.log().toStdString(), "\n");
    const auto logBytes = session.log().getNumBytesAsUTF8();
    std::sort(clickMs.begin(), clickMs.end());

    std::cout << "soak: " << seconds << " s churn, " << swarm.deviceCount() << " devices, " << swarm.datagramsSent()
              << " device datagrams, " << swarm.garbageSent() << " garbage datagrams\n"
              << "soak: table within the expected range in " << (rangeChecks - rangeFailures) << " of " << rangeChecks
              << " checks " << firstRangeFailure << "\n"
              << "soak: clicks answered " << clickMs.size() << ", median " << (clickMs.empty() ? 0 : clickMs[clickMs.size() / 2])
              << " ms, slowest " << (clickMs.empty() ? 0 : clickMs.back()) << " ms\n"
              << "soak: RSS MB min " << lowest << ", max " << highest << ", second minute " << early << ", last minute "
              << late << ", after all left " << rssEndMb << "\n"
              << "soak: log " << lines << " lines, " << logBytes / 1024 << " KB (the console pane holds the same text)\n";

    EXPECT_EQ(rangeFailures, 0) << firstRangeFailure;
    EXPECT_FALSE(clickMs.empty());
    if (!clickMs.empty())
        EXPECT_LT(clickMs.back(), 5000.0);
    // No growth beyond what the kept log text explains (generously 1 KB of memory per log line); a run of less
    // than three minutes has no second minute to compare with.
    if (seconds >= 180)
        EXPECT_LT(late - early, 5.0 + lines / 1024.0) << "RSS grew from " << early << " MB to " << late << " MB";

    EXPECT_TRUE(session.closeAndWait(*program)) << session.log().getLastCharacters(2000);
}
