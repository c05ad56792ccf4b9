// The device table under load, on a running message loop: devices delivered the way the engine delivers them
// (posted to the message thread, mirrored into the state tree by AppContext) to a real DeviceListComponent
// shown in a window, so its repaints happen too. Needs a display: run under xvfb-run. Opens no socket.
//
//   BM_AddDevices/<n>/<sort column>  n devices added one by one (column 0: unsorted, 2: sorted by name)
//   BM_SteadyState/<changing>/<table> 1,000 known devices, each updated once per second; reports the
//                                    message thread's CPU use (changing 0: identical reports, 1: the
//                                    firmware text changes in every report; table 0: the same
//                                    traffic without the table, AppContext's share alone)

#include <benchmark/benchmark.h>

// Before anything else includes the module: its X declarations come only with this switch.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>

#include "app/AppContext.h"
#include "app/AppStateIds.h"
#include "ui/CustomLookAndFeel.h"
#include "ui/table/DeviceListComponent.h"
#include "ui/table/DeviceListHeader.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

namespace juce
{
// The message loop's own step (juce_events): blocks until an event arrives and dispatches it, as the
// program's loop does; runDispatchLoopUntil would poll every millisecond and measure its own polling.
bool dispatchNextMessageOnSystemQueue(bool returnIfNoPendingMessages);
} // namespace juce

namespace
{
constexpr int steadyDevices = 1000;

tmx::DeviceEvent report(int index, int generation, bool isNew)
{
    const auto n = std::to_string(index);
    tmx::DeviceEvent event;
    event.event = isNew ? tmx::DeviceEvent::added : tmx::DeviceEvent::updated;
    auto& info = event.info;
    info.id = "02:00:00:00:" + std::to_string(index / 256) + ":" + std::to_string(index % 256) + "-80";
    info.name = "Rack " + n;
    info.model = index % 3 == 0 ? "ORLA-16" : "TMX-8";
    info.fw = "1.0." + std::to_string(generation);
    info.ip = "10.78." + std::to_string(index / 250) + "." + std::to_string(1 + index % 250);
    info.web = "http://" + info.ip + "/";
    info.protocolId = 2;
    info.networks[0] = { 2, "eth0", "02:00:00:00:00:01", false, info.ip, "255.255.0.0", "10.78.0.1", "", "" };
    info.networks[1] = { 2, "eth1", "02:00:00:00:00:02", true, "192.168.5." + std::to_string(index % 250),
                         "255.255.255.0", "", "", "" };
    return event;
}

bool pumpUntil(const std::function<bool()>& condition, int timeoutMs = 120000)
{
    const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    while (! condition())
    {
        if (juce::Time::getMillisecondCounter() > deadline)
            return condition();
        juce::MessageManager::getInstance()->runDispatchLoopUntil(1);
    }
    return true;
}

double threadCpuSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return (double) ts.tv_sec + (double) ts.tv_nsec * 1e-9;
}

int ignoreXError(::Display*, ::XErrorEvent*)
{
    return 0;
}

/** The table in a window of its own, as in the program's main layout. */
struct Table
{
    explicit Table(bool withList = true)
    {
        if (withList)
            list = std::make_unique<DeviceListComponent>(&context);
        window.setBounds(0, 0, 1300, 800);
        if (list != nullptr)
        {
            list->setBounds(window.getLocalBounds());
            window.addAndMakeVisible(*list);
        }
        window.setOpaque(true);
        window.addToDesktop(juce::ComponentPeer::windowIsTemporary);
        window.setVisible(true);
        pumpUntil([this] { return window.isShowing(); });
    }

    ~Table()
    {
        window.removeFromDesktop();
        list.reset();
    }

    /** Paints whatever is pending now, as the next screen refresh would. */
    void paintNow()
    {
        if (auto* peer = window.getPeer())
            peer->performAnyPendingRepaintsNow();
    }

    struct Window : juce::Component
    {
        void paint(juce::Graphics& g) override { g.fillAll(findColour(juce::ResizableWindow::backgroundColourId)); }
    } window;
    AppContext context;
    std::unique_ptr<DeviceListComponent> list;
};

void BM_AddDevices(benchmark::State& state)
{
    const int count = (int) state.range(0);
    const int sortColumn = (int) state.range(1);

    for (auto _ : state)
    {
        state.PauseTiming();
        auto table = std::make_unique<Table>();
        if (sortColumn != 0)
        {
            table->list->getHeader().setSortColumnId(sortColumn, true);
            pumpUntil([] { return true; });
        }
        std::atomic<int> delivered { 0 };
        state.ResumeTiming();

        // The engine posts one "added" event per new device to the message thread.
        for (int i = 0; i < count; ++i)
            juce::MessageManager::callAsync([&table, &delivered, event = report(i, 0, true)]
            {
                table->context.deviceChanged(event);
                ++delivered;
            });
        pumpUntil([&] { return delivered.load() == count; });
        table->list->getRows();  // the coalesced rebuild, which the next loop turn would run
        table->paintNow();

        state.PauseTiming();
        if ((int) table->list->getRows().size() != count)
            state.SkipWithError("rows missing");
        table.reset();
        state.ResumeTiming();
    }
    state.counters["devices"] = count;
}
BENCHMARK(BM_AddDevices)->Args({ 1000, 0 })->Args({ 1000, 2 })->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_AddDevices)->Args({ 5000, 0 })->Args({ 5000, 2 })->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_SteadyState(benchmark::State& state)
{
    const bool changing = state.range(0) != 0;
    // Without the table (arg 0) the same traffic measures AppContext's share alone.
    Table table(state.range(1) != 0);
    for (int i = 0; i < steadyDevices; ++i)
        table.context.deviceChanged(report(i, 0, true));
    pumpUntil([] { return true; });
    table.paintNow();

    int generation = 0;
    double cpuTotal = 0.0, wallTotal = 0.0;

    for (auto _ : state)
    {
        // One second of traffic: every device reports once, evenly spread, posted from another thread
        // as the receive threads do.
        ++generation;
        std::atomic<int> delivered { 0 };
        std::atomic<bool> posting { true };
        const auto gen = changing ? generation : 0;
        const auto cpuStart = threadCpuSeconds();
        const auto wallStart = juce::Time::getMillisecondCounterHiRes();

        std::thread poster([&]
        {
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < steadyDevices; ++i)
            {
                std::this_thread::sleep_until(start + std::chrono::microseconds(1000000LL * i / steadyDevices));
                // Parsed on the receive thread; the message thread gets the finished event.
                juce::MessageManager::callAsync([&table, &delivered, event = report(i, gen, false)]
                {
                    table.context.deviceChanged(event);
                    ++delivered;
                });
            }
            std::this_thread::sleep_until(start + std::chrono::seconds(1));
            posting = false;
            juce::MessageManager::callAsync([] {});  // wakes the loop for its last check
        });

        while (posting.load() || delivered.load() < steadyDevices)
            juce::dispatchNextMessageOnSystemQueue(false);
        poster.join();

        cpuTotal += threadCpuSeconds() - cpuStart;
        wallTotal += (juce::Time::getMillisecondCounterHiRes() - wallStart) / 1000.0;
    }

    state.counters["msg_thread_cpu_%"] = wallTotal > 0 ? 100.0 * cpuTotal / wallTotal : 0.0;
    state.counters["rows"] = table.list != nullptr ? (double) table.list->getRows().size() : 0.0;
}
BENCHMARK(BM_SteadyState)->Args({ 0, 1 })->Args({ 1, 1 })->Args({ 0, 0 })->Args({ 1, 0 })->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
} // namespace

int main(int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juceInit;

    CustomLookAndFeel lookAndFeel;
    juce::LookAndFeel::setDefaultLookAndFeel(&lookAndFeel);

    // No application object runs here, so JUCE installs no X error handler of its own; a bare X server
    // lacks window-manager atoms and the default handler would end the process. (The display is open now.)
    juce::Desktop::getInstance();
    if (auto* symbols = juce::X11Symbols::getInstance())
        symbols->xSetErrorHandler(ignoreXError);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
    return 0;
}
