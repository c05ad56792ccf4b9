#include "UiTestSupport.h"

#include "app/AppConsoleLogger.h"
#include "ui/CustomLookAndFeel.h"
#include "ui/Theme.h"
#include "ui/console/ConsoleEditor.h"
#include "ui/console/ConsoleSplitter.h"

#include <gtest/gtest.h>

#include <thread>

using ui_test::leftClickOn;

namespace
{
/** Counts the document's insertions, so batching can be seen. */
struct InsertCounter : juce::CodeDocument::Listener
{
    explicit InsertCounter(juce::CodeDocument& d) : document(d) { document.addListener(this); }
    ~InsertCounter() override { document.removeListener(this); }
    void codeDocumentTextInserted(const juce::String&, int) override { ++inserts; }
    void codeDocumentTextDeleted(int, int) override {}

    juce::CodeDocument& document;
    int inserts = 0;
};

class ConsoleTest : public ::testing::Test
{
protected:
    ConsoleTest()
    {
        applyTheme(0);
        juce::LookAndFeel::setDefaultLookAndFeel(&lf);
        console = std::make_unique<ConsoleEditor>();
        console->setBounds(0, 0, 400, 150);
        logger.setSink(console.get());
    }

    ~ConsoleTest() override
    {
        logger.setSink(nullptr);
        console.reset();
        juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
        applyTheme(0);
    }

    juce::String text() { return console->getDocument().getAllContent(); }

    struct MenuItem
    {
        int id;
        juce::String text;
        bool enabled;
        bool separator;
    };

    std::vector<MenuItem> menu()
    {
        juce::PopupMenu m;
        console->getEditor()->addPopupMenuItems(m, nullptr);
        std::vector<MenuItem> items;
        for (juce::PopupMenu::MenuItemIterator it(m); it.next();)
        {
            const auto& item = it.getItem();
            items.push_back({ item.itemID, item.text, item.isEnabled, item.isSeparator });
        }
        return items;
    }

    CustomLookAndFeel lf;
    AppConsoleLogger logger;
    std::unique_ptr<ConsoleEditor> console;
};
} // namespace

TEST_F(ConsoleTest, LinesFromOtherThreadsArriveInOrderInOneInsertion)
{
    InsertCounter counter(console->getDocument());

    // The message thread is busy here, so all three lines wait for the same turn.
    for (const auto* line : { "first", "second", "third" })
        std::thread([this, line] { logger.logMessage(line); }).join();
    EXPECT_EQ(text(), "");

    ASSERT_TRUE(pumpUntil([&] { return text().isNotEmpty(); }, 10000));
    EXPECT_EQ(text(), "first\nsecond\nthird\n");
    EXPECT_EQ(counter.inserts, 1);
}

TEST_F(ConsoleTest, ManyThreadsKeepEachThreadsOrder)
{
    constexpr int threads = 6, linesEach = 150;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([this, t]
        {
            for (int i = 0; i < linesEach; ++i)
                console->logLine("t" + juce::String(t) + " " + juce::String(i));
        });

    // Keep the message loop turning while they log.
    pumpUntil([&] { return console->getDocument().getNumLines() > threads * linesEach; }, 20000);
    for (auto& w : workers)
        w.join();
    ASSERT_TRUE(pumpUntil([&] { return console->getDocument().getNumLines() > threads * linesEach; }, 20000));

    juce::StringArray lines;
    lines.addLines(text());
    lines.removeEmptyStrings();
    ASSERT_EQ(lines.size(), threads * linesEach);
    std::vector<int> next(threads, 0);
    for (const auto& line : lines)
    {
        const int t = line.fromFirstOccurrenceOf("t", false, false).getIntValue();
        const int i = line.fromFirstOccurrenceOf(" ", false, false).getIntValue();
        ASSERT_EQ(i, next[(size_t) t]) << line;
        ++next[(size_t) t];
    }
    EXPECT_TRUE(text().endsWith("\n"));
}

TEST_F(ConsoleTest, DetachedConsoleGetsNothing)
{
    logger.setSink(nullptr);
    logger.logMessage("nobody listens");
    pumpFor(100);
    EXPECT_EQ(text(), "");
}

TEST_F(ConsoleTest, MenuHasSelectAllCopyAndClearAll)
{
    logger.logMessage("alpha");
    logger.logMessage("beta");
    ASSERT_TRUE(pumpUntil([&] { return text() == "alpha\nbeta\n"; }, 10000));

    auto items = menu();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].id, juce::StandardApplicationCommandIDs::selectAll);
    EXPECT_EQ(items[0].text, "Select All");
    EXPECT_TRUE(items[0].enabled);
    EXPECT_EQ(items[1].id, juce::StandardApplicationCommandIDs::copy);
    EXPECT_EQ(items[1].text, "Copy");
    EXPECT_FALSE(items[1].enabled);  // nothing selected
    EXPECT_TRUE(items[2].separator);
    EXPECT_EQ(items[3].id, juce::StandardApplicationCommandIDs::del);
    EXPECT_EQ(items[3].text, "Clear All");
    EXPECT_TRUE(items[3].enabled);

    auto* editor = console->getEditor();
    editor->performPopupMenuAction(juce::StandardApplicationCommandIDs::selectAll);
    EXPECT_TRUE(menu()[1].enabled);

    juce::SystemClipboard::copyTextToClipboard("something else");
    editor->performPopupMenuAction(juce::StandardApplicationCommandIDs::copy);
    EXPECT_EQ(juce::SystemClipboard::getTextFromClipboard(), "alpha\nbeta\n");

    editor->performPopupMenuAction(juce::StandardApplicationCommandIDs::del);
    EXPECT_EQ(text(), "");
    logger.logMessage("after");
    ASSERT_TRUE(pumpUntil([&] { return text().isNotEmpty(); }, 10000));
    EXPECT_EQ(text(), "after\n");
    EXPECT_EQ(console->getDocument().getLine(0), "after\n");

    editor->performPopupMenuAction(12345);  // unknown ids do nothing
    EXPECT_EQ(text(), "after\n");
}

TEST_F(ConsoleTest, LinesAndClearAllLeaveNoUndoCopy)
{
    logger.logMessage("alpha");
    logger.logMessage("beta");
    ASSERT_TRUE(pumpUntil([&] { return text() == "alpha\nbeta\n"; }, 10000));
    auto& undo = console->getDocument().getUndoManager();
    EXPECT_FALSE(undo.canUndo());
    EXPECT_EQ(undo.getNumberOfUnitsTakenUpByStoredCommands(), 0);

    // "Clear All" frees the text: nothing can bring it back.
    console->getEditor()->performPopupMenuAction(juce::StandardApplicationCommandIDs::del);
    EXPECT_FALSE(undo.canUndo());
    EXPECT_EQ(undo.getNumberOfUnitsTakenUpByStoredCommands(), 0);
    console->getDocument().undo();
    EXPECT_EQ(text(), "");
}

TEST(ConsoleSplitter, DragReportsScreenMovementWhateverTheSplitterDoes)
{
    juce::Component parent;
    parent.setBounds(0, 0, 400, 400);
    ConsoleSplitter splitter;
    parent.addAndMakeVisible(splitter);
    splitter.setBounds(0, 200, 400, 12);

    float total = 0.0f;
    std::vector<float> deltas;
    splitter.onDrag = [&](float delta)
    {
        deltas.push_back(delta);
        total += delta;
    };

    splitter.mouseDown(leftClickOn(splitter, { 20.0f, 6.0f }));           // screen y 206
    splitter.mouseDrag(leftClickOn(splitter, { 20.0f, -4.0f }));          // screen y 196
    splitter.setTopLeftPosition(0, 190);                               // the layout follows
    splitter.mouseDrag(leftClickOn(splitter, { 20.0f, -14.0f }));         // screen y 176
    splitter.mouseDrag(leftClickOn(splitter, { 20.0f, -14.0f }));         // no movement: no call

    ASSERT_EQ(deltas.size(), 2u);
    EXPECT_FLOAT_EQ(deltas[0], -10.0f);
    EXPECT_FLOAT_EQ(deltas[1], -20.0f);
    EXPECT_FLOAT_EQ(total, -30.0f);
    EXPECT_EQ(splitter.getMouseCursor(), juce::MouseCursor(juce::MouseCursor::UpDownResizeCursor));
}

