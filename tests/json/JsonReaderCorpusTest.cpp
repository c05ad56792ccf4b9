#include "JsonReaderTestSupport.h"

#include <gtest/gtest.h>

#include <juce_core/juce_core.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace json_reader;
using jsontest::Nested;
using jsontest::traceWalk;

namespace
{

namespace fs = std::filesystem;

// The copied conformance texts live in the source tree; build folders sit below it.
fs::path findCorpus()
{
    const fs::path relative = fs::path("tests") / "json" / "data" / "json-test-suite";
    fs::path folder = juce::File::getSpecialLocation(juce::File::currentExecutableFile)
                          .getParentDirectory()
                          .getFullPathName()
                          .toStdString();
    for (; ! folder.empty(); folder = folder.parent_path())
    {
        if (fs::is_directory(folder / relative))
            return folder / relative;
        if (folder == folder.parent_path())
            break;
    }
    return {};
}

struct Sample
{
    std::string name;
    std::string text;
};

std::vector<Sample> loadSamples()
{
    std::vector<Sample> samples;
    const fs::path folder = findCorpus();
    if (! folder.empty())
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().extension() == ".json")
            {
                std::ifstream in(entry.path(), std::ios::binary);
                samples.push_back({ entry.path().filename().string(),
                                    std::string(std::istreambuf_iterator<char>(in), {}) });
            }

    // The two largest texts of the suite, made here rather than kept in the repository.
    std::string opening(100000, '[');
    samples.push_back({ "generated_100000_opening_arrays", opening });
    std::string arrayObject = "[";
    for (int i = 0; i < 50000; ++i)
        arrayObject += "{\"\":[";
    samples.push_back({ "generated_open_array_object", arrayObject });
    return samples;
}

// The walk stays inside the text: error and pos point into it or at its end.
void expectInside(const Sample& sample, const jsontest::Trace& trace)
{
    const long size = (long) sample.text.size();
    EXPECT_GE(trace.pos, 0) << sample.name;
    EXPECT_LE(trace.pos, size) << sample.name;
    EXPECT_LE(trace.error, size) << sample.name;
}

} // namespace

// No accept/reject oracle here: every text must be walked to an end, inside its bytes, the same way whether the
// containers are walked, skipped or given no callback at all.
TEST(JsonReaderCorpus, EveryTextEndsInsideItsBytes)
{
    const auto samples = loadSamples();
    if (samples.size() < 300)
        std::cout << "conformance texts not found; only the generated ones are walked\n";

    for (const auto& sample : samples)
    {
        for (const bool elements : { false, true })
        {
            // Walk up to 64 levels, then let the reader skip the rest.
            const auto walked = traceWalk(sample.text, elements, Nested::walk, 64);
            const auto skipped = traceWalk(sample.text, elements, Nested::skip);
            const auto silent = traceWalk(sample.text, elements, Nested::none);
            expectInside(sample, walked);
            EXPECT_EQ(skipped.error, walked.error) << sample.name;
            EXPECT_EQ(silent.error, walked.error) << sample.name;
            EXPECT_EQ(skipped.pos, walked.pos) << sample.name;
            EXPECT_EQ(silent.pos, walked.pos) << sample.name;
        }

        reader_t reader;
        open(reader, sample.text);
        try
        {
            findString(reader, "");
            findString(reader, "a");
        }
        catch (const std::bad_variant_access&)
        {
            // A member of that name that is not a string.
        }
        EXPECT_EQ(reader.pos - reader.text.data() <= (long) sample.text.size(), true) << sample.name;
    }
}
