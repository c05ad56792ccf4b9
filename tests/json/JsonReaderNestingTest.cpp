#include "JsonReaderTestSupport.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <functional>
#include <string>

using namespace json_reader;
using jsontest::Nested;
using jsontest::traceWalk;

namespace
{

// Runs work on a thread of its own with the given stack size; false when the thread could not be made.
bool runWithStack(size_t stackBytes, std::function<void()> work)
{
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    bool ok = pthread_attr_setstacksize(&attributes, stackBytes) == 0;
    pthread_t thread;
    ok = ok && pthread_create(
                   &thread, &attributes,
                   [](void* argument) -> void* {
                       (*static_cast<std::function<void()>*>(argument))();
                       return nullptr;
                   },
                   &work) == 0;
    pthread_attr_destroy(&attributes);
    if (ok)
        pthread_join(thread, nullptr);
    return ok;
}

constexpr size_t smallStack = 64 * 1024;
constexpr size_t datagramSize = 2048;

std::string repeat(std::string_view piece, size_t count)
{
    std::string text;
    text.reserve(piece.size() * count);
    for (size_t i = 0; i < count; ++i)
        text += piece;
    return text;
}

// The multicast protocol's kind of walk: members are read, nested containers left to the reader.
jsontest::Trace flatWalk(const std::string& text)
{
    jsontest::Trace trace;
    EXPECT_TRUE(runWithStack(smallStack, [&] { trace = traceWalk(text, false, Nested::skip); }));
    return trace;
}

} // namespace

TEST(JsonReaderNesting, DatagramOfClosedBracketsOnASmallStack)
{
    // A full datagram: as many closed levels as 2048 bytes hold.
    const std::string head = "{\"a\":";
    const std::string tail = ",\"b\":1}";
    const size_t levels = (datagramSize - head.size() - tail.size()) / 2;
    std::string text = head;
    for (size_t i = 0; i < levels; ++i)
        text += (i % 3 == 2) ? "{" : "[";
    for (size_t i = levels; i-- > 0;)
        text += (i % 3 == 2) ? "}" : "]";
    text += tail;
    ASSERT_LE(text.size(), datagramSize);

    const std::string arrays = head + repeat("[", levels) + repeat("]", levels) + tail;
    const auto trace = flatWalk(arrays);
    EXPECT_EQ(trace.calls, "a=array b=1");
    EXPECT_EQ(trace.error, -1);

    // The first object holds an array where a key must stand: the error deep inside reaches the top.
    const auto mixed = flatWalk(text);
    EXPECT_EQ(mixed.calls, "a=array");
    EXPECT_EQ(mixed.error, (long) (head.size() + 3));
}

TEST(JsonReaderNesting, DatagramOfOpenBracketsOnASmallStack)
{
    const std::string head = "{\"a\":";
    const std::string arrays = head + repeat("[", datagramSize - head.size());
    auto trace = flatWalk(arrays);
    EXPECT_EQ(trace.calls, "a=array");
    EXPECT_EQ(trace.error, -1);
    EXPECT_EQ(trace.pos, (long) arrays.size());

    const std::string objects = head + repeat("{\"a\":", (datagramSize - head.size()) / 5);
    trace = flatWalk(objects);
    EXPECT_EQ(trace.calls, "a=object");
    EXPECT_EQ(trace.error, -1);

    // An empty callback at the top level skips too, whatever the depth.
    jsontest::Trace silent;
    ASSERT_TRUE(runWithStack(smallStack, [&] { silent = traceWalk(repeat("[", datagramSize), true, Nested::none); }));
    EXPECT_EQ(silent.error, -1);
    EXPECT_EQ(silent.pos, (long) datagramSize);
}

TEST(JsonReaderNesting, DeepObjectsWithKeysAreSkipped)
{
    const size_t levels = 400;
    const std::string text = "{\"a\":" + repeat("{\"k\":", levels) + "1" + repeat("}", levels) + ",\"b\":2}";
    const auto trace = flatWalk(text);
    EXPECT_EQ(trace.calls, "a=object b=2");
    EXPECT_EQ(trace.error, -1);

    // An error at the bottom of the nesting reaches the top.
    const std::string broken = "{\"a\":" + repeat("{\"k\":", levels) + "x}}}}}" + repeat("}", levels) + "}";
    const auto brokenTrace = flatWalk(broken);
    EXPECT_EQ(brokenTrace.calls, "a=object");
    EXPECT_EQ(brokenTrace.error, (long) (5 + 5 * levels));
}

// A callback that walks into every container nests one walk per level; past the limit the walk ends with an
// error instead of running out of stack.
TEST(JsonReaderNesting, WalkingEveryLevelStopsAtTheDepthLimit)
{
    const std::string text = repeat("[", datagramSize);
    jsontest::Trace trace;
    // Each walked level costs a few stack frames of the walker and of the test's own recursion.
    ASSERT_TRUE(runWithStack(4 * 1024 * 1024, [&] { trace = traceWalk(text, true, Nested::walk); }));
    EXPECT_EQ(trace.error, (long) maxWalkDepth + 1);

    // Just inside the limit is fine.
    const std::string fits = repeat("[", maxWalkDepth) + repeat("]", maxWalkDepth);
    ASSERT_TRUE(runWithStack(4 * 1024 * 1024, [&] { trace = traceWalk(fits, true, Nested::walk); }));
    EXPECT_EQ(trace.error, -1);
    EXPECT_EQ(trace.pos, (long) fits.size() - 1);
}
