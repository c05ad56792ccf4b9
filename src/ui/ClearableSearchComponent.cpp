#include "ui/ClearableSearchComponent.h"

#include "ui/EmbeddedResources.h"
#include "ui/Theme.h"

ClearableSearchComponent::ClearableSearchComponent(const juce::String& placeholderText)
    : placeholder(placeholderText), editor(juce::String(), 0)
{
    editor.setFont(juce::Font(17.0f, juce::Font::plain));
    editor.setJustification(juce::Justification::centredLeft);
    editor.setIndents(0, 0);
    addAndMakeVisible(editor);

    // The icons are the mouse's; the keyboard edits the text itself.
    clearButton.setMouseCursor(juce::MouseCursor::PointingHandCursor);
    clearButton.setWantsKeyboardFocus(false);
    addChildComponent(clearButton);

    searchIcon.setInterceptsMouseClicks(false, false);
    searchIcon.setWantsKeyboardFocus(false);
    addAndMakeVisible(searchIcon);

    updateColours();

    // Hovering the text or the clear button must still count as hovering the box.
    editor.addMouseListener(this, false);
    clearButton.addMouseListener(this, false);

    clearButton.onClick = [this] { editor.setText(juce::String(), juce::sendNotification); };

    editor.onTextChange = [this]
    {
        const bool empty = editor.getText().isEmpty();
        searchIcon.setVisible(empty);
        clearButton.setVisible(!empty);
        if (onTextChanged)
            onTextChanged();
    };
}

ClearableSearchComponent::~ClearableSearchComponent()
{
    editor.removeMouseListener(this);
    clearButton.removeMouseListener(this);
}

void ClearableSearchComponent::updateColours()
{
    // No focus ring or fill of the editor's own: the box paints its outline and, around all of it, the focus mark.
    editor.setColour(juce::TextEditor::backgroundColourId, juce::Colours::transparentBlack);
    editor.setColour(juce::TextEditor::outlineColourId, juce::Colours::transparentBlack);
    editor.setColour(juce::TextEditor::focusedOutlineColourId, juce::Colours::transparentBlack);
    editor.setColour(juce::TextEditor::shadowColourId, juce::Colours::transparentBlack);

    editor.setTextToShowWhenEmpty(placeholder, themeForeground.withAlpha(0.7f));

    editor.setColour(juce::TextEditor::textColourId, themeForeground);
    editor.applyColourToAllText(themeForeground, true);
    editor.setColour(juce::CaretComponent::caretColourId, themeForeground);

    if (auto clear = createIconDrawable(EmbeddedResources::clearIconSvg(), themeForeground))
        clearButton.setImages(clear.get());
    if (auto search = createIconDrawable(EmbeddedResources::searchIconSvg(), themeForeground))
        searchIcon.setImages(search.get());
}

void ClearableSearchComponent::updateHover()
{
    const bool now = isMouseOver(true);
    if (now != hovered)
    {
        hovered = now;
        repaint();
    }
}

void ClearableSearchComponent::mouseEnter(const juce::MouseEvent&)
{
    updateHover();
}

void ClearableSearchComponent::mouseExit(const juce::MouseEvent&)
{
    updateHover();
}

void ClearableSearchComponent::lookAndFeelChanged()
{
    updateColours();
}

void ClearableSearchComponent::paint(juce::Graphics& g)
{
    const auto r = getLocalBounds().toFloat();
    const float stroke = hovered ? 1.5f : 1.0f;

    g.setColour(themeBackground);
    g.fillRoundedRectangle(r, 8.0f);

    g.setColour(themeForeground);
    const float half = stroke / 2.0f;
    g.drawRoundedRectangle(r.getX() + half, r.getY() + half, juce::jmax(0.0f, r.getWidth() - stroke),
                           juce::jmax(0.0f, r.getHeight() - stroke), 8.0f, stroke);

    if (editor.hasKeyboardFocus(true))
        drawFocusMark(g, r, 8.0f);
}

void ClearableSearchComponent::focusOfChildComponentChanged(FocusChangeType)
{
    repaint();
}

void ClearableSearchComponent::resized()
{
    auto b = getLocalBounds();
    const int s = juce::jmin(b.getWidth(), b.getHeight());

    auto square = b.removeFromRight(s);
    square = juce::Rectangle<int>(square.getX() + 8, square.getY() + 8, juce::jmax(0, square.getWidth() - 16),
                                  juce::jmax(0, square.getHeight() - 16));
    clearButton.setBounds(square);
    searchIcon.setBounds(square);

    b.removeFromLeft(juce::jmin(12, b.getWidth()));
    editor.setBounds(b);
}
