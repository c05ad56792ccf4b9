#include "ui/dialogs/DialogMessageComponent.h"

#include "ui/Theme.h"

namespace
{
const juce::juce_wchar bulletChar = 0x2022;
constexpr float bulletGap = 8.0f;
constexpr float bulletIndent = 28.0f;

void drawLine(juce::Graphics* g, const juce::String& line, float x, float y, float width, float height)
{
    if (g == nullptr)
        return;
    g->drawText(line, juce::Rectangle<int>(static_cast<int>(x), static_cast<int>(y), static_cast<int>(width),
                                           static_cast<int>(height)),
                juce::Justification::topLeft, false);
}
} // namespace

juce::StringArray DialogMessageComponent::wrapLine(const juce::String& line, float limit) const
{
    juce::StringArray result;
    juce::String current;

    // Split at every single space so that runs of spaces survive as empty words.
    int start = 0;
    const int length = line.length();
    for (int i = 0; i <= length; ++i)
    {
        if (i < length && line[i] != ' ')
            continue;

        const auto word = line.substring(start, i);
        start = i + 1;
        const auto candidate = current.isEmpty() ? word : current + " " + word;
        if (current.isNotEmpty() && font.getStringWidthFloat(candidate) > limit)
        {
            result.add(current);
            current = word;
        }
        else
        {
            current = candidate;
        }
    }

    if (current.isNotEmpty() || result.isEmpty())
        result.add(current);
    return result;
}

float DialogMessageComponent::layoutText(juce::Graphics* g, float width) const
{
    const float lineHeight = font.getHeight();
    if (g != nullptr)
        g->setFont(font);

    juce::StringArray lines;
    lines.addTokens(text, "\n", "");

    float y = 0.0f;
    for (const auto& line : lines)
    {
        if (line.isEmpty())
        {
            y += lineHeight / 2.0f;
            continue;
        }

        const auto trimmed = line.trimStart();
        if (trimmed[0] == bulletChar)
        {
            y += bulletGap;
            drawLine(g, juce::String::charToString(bulletChar), 8.0f, y, 20.0f, lineHeight);
            const auto item = trimmed.substring(1).trimStart();
            for (const auto& wrapped : wrapLine(item, width - bulletIndent))
            {
                drawLine(g, wrapped, bulletIndent, y, width - bulletIndent, lineHeight);
                y += lineHeight;
            }
            continue;
        }

        for (const auto& wrapped : wrapLine(line, width))
        {
            drawLine(g, wrapped, 0.0f, y, width, lineHeight);
            y += lineHeight;
        }
    }
    return y;
}

void DialogMessageComponent::paint(juce::Graphics& g)
{
    g.setColour(themeForeground);
    layoutText(&g, static_cast<float>(getWidth()));
}
