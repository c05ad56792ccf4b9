#include "ui/dialogs/CustomDialogOverlay.h"

#include "ui/Theme.h"

#include <cmath>

namespace
{
constexpr float inset = 30.0f;
constexpr float titleHeight = 30.0f;
constexpr float buttonRowHeight = 30.0f;
constexpr float linkRowHeight = 30.0f;
constexpr float sectionGap = 20.0f;
constexpr float messageGap = 6.0f;
constexpr int scrollBarThickness = 8;
} // namespace

CustomDialogOverlay::CustomDialogOverlay()
{
    messageLabel.setJustificationType(juce::Justification::centred);
    messageLabel.setColour(juce::Label::textColourId, themeForeground);

    detailView.setVisible(true);
    detailViewport.setViewedComponent(&detailView, false);
    detailViewport.setScrollBarsShown(true, false, true, false);
    detailViewport.setScrollBarThickness(scrollBarThickness);
    // The text is read, not worked with: Tab goes from control to control of the dialog.
    detailViewport.setWantsKeyboardFocus(false);

    setInterceptsMouseClicks(true, true);
    // Tab cycles within the open dialog: the keyboard must not reach the search box or the table behind it
    // any more than the mouse can. (A hidden overlay takes no part in focus traversal at all.)
    setFocusContainerType(FocusContainerType::keyboardFocusContainer);
    addChildComponent(title);
    addChildComponent(messageLabel);
    addChildComponent(detailViewport);
    addChildComponent(linkRow);
}

CustomDialogOverlay::~CustomDialogOverlay()
{
    detailViewport.setViewedComponent(nullptr, false);
}

void CustomDialogOverlay::setTitle(const juce::String& text, IconSource newIcon)
{
    title.titleLabel.setText(text, juce::dontSendNotification);
    title.resized();
    title.icon = newIcon;
    title.updateIcon();
    title.resized();
}

void CustomDialogOverlay::buryOldButtons()
{
    for (auto* button : buttons)
        removeChildComponent(button);

    if (clicksRunning > 0)
    {
        while (!buttons.isEmpty())
            retiredButtons.add(buttons.removeAndReturn(buttons.size() - 1));
    }
    else
    {
        retiredButtons.clear();
    }
    buttons.clear();  // also frees the array's storage
}

void CustomDialogOverlay::replaceButtons(const std::vector<DialogAction>& actions, bool forForm)
{
    buryOldButtons();
    for (const auto& action : actions)
    {
        auto* button = buttons.add(new DialogButton(action));
        button->setMouseCursor(juce::MouseCursor::PointingHandCursor);
        button->onClick = [this, id = action.id, forForm] { buttonClicked(id, forForm); };
        addAndMakeVisible(button);
    }
}

void CustomDialogOverlay::buttonClicked(int actionId, bool forForm)
{
    ++clicksRunning;
    finish(actionId, forForm);
    --clicksRunning;

    // This handler still runs inside the pressed button's onClick, so buttons replaced meanwhile go later.
    if (clicksRunning == 0 && !retiredButtons.isEmpty())
    {
        juce::MessageManager::callAsync([safe = juce::Component::SafePointer<CustomDialogOverlay>(this)]
                                        {
                                            if (safe != nullptr && safe->clicksRunning == 0)
                                                safe->retiredButtons.clear();
                                        });
    }
}

void CustomDialogOverlay::finish(int actionId, bool forForm)
{
    setVisible(false);

    // Before the callback, which may open the next dialog: that one then returns the focus here too.
    if (auto* previous = focusBeforeDialog.getComponent(); previous != nullptr && previous->isShowing())
        previous->grabKeyboardFocus();

    // Copies: the callback may show the next dialog, which replaces the stored ones while they run.
    if (forForm)
    {
        if (!formCallback)
            return;
        const auto values = form != nullptr ? form->getValues() : std::map<juce::String, juce::String>();
        auto handler = formCallback;
        handler(actionId, values);
    }
    else if (callback)
    {
        auto handler = callback;
        handler(actionId);
    }
}

void CustomDialogOverlay::showMessageDialog(const juce::String& titleText, const juce::String& message,
                                            const juce::String& detailText, const std::vector<DialogAction>& actions,
                                            int dismissId, std::function<void(int)> resultCallback, IconSource icon,
                                            const juce::String& linkText, const juce::String& linkUrl)
{
    form.reset();
    formCallback = nullptr;

    title.titleLabel.setFont(juce::Font(24.0f, juce::Font::plain));
    title.resized();
    messageLabel.setFont(juce::Font(17.0f, juce::Font::plain));
    detailView.font = juce::Font(17.0f, juce::Font::plain);

    callback = std::move(resultCallback);
    dismissActionId = dismissId;

    setTitle(titleText, icon);

    messageLabel.setText(message, juce::dontSendNotification);
    detailView.text = detailText;
    detailView.repaint();

    replaceButtons(actions, false);

    linkRow.setLink(linkText, linkUrl);

    title.setVisible(true);
    messageLabel.setVisible(message.isNotEmpty());
    detailViewport.setVisible(detailText.isNotEmpty());
    if (detailText.isNotEmpty())
        detailViewport.setViewPosition(0, 0);
    linkRow.setVisible(linkUrl.isNotEmpty());

    present();
}

void CustomDialogOverlay::present()
{
    // A dialog that replaces an open one keeps the focus to return to.
    if (!isVisible())
        focusBeforeDialog = juce::Component::getCurrentlyFocusedComponent();

    setVisible(true);
    toFront(true);
    resized();

    // Typing goes straight into a form; otherwise Return answers with the first button.
    juce::Component* first = form != nullptr ? form->firstWritableTextField() : nullptr;
    if (first == nullptr && !buttons.isEmpty())
        first = buttons.getFirst();
    if (first != nullptr)
        first->grabKeyboardFocus();
}

DialogLayoutMetrics CustomDialogOverlay::measureLayout(float cardWidth) const
{
    DialogLayoutMetrics m;
    m.width = cardWidth;
    m.hasMessage = messageLabel.getText().isNotEmpty();
    m.hasDetail = detailView.text.isNotEmpty();
    m.hasLink = linkRow.isVisible();

    m.messageHeight = m.hasMessage ? messageLabel.getFont().getHeight() * 1.2f : 0.0f;
    m.detailHeight = m.hasDetail ? std::ceil(detailView.layoutText(nullptr, cardWidth - 2.0f * inset)) : 0.0f;
    m.formHeight = form != nullptr ? static_cast<float>(form->getNumFields())
                                         * (form->getRowHeight() + form->getRowSpacing())
                                   : 0.0f;
    m.linkHeight = m.hasLink ? linkRowHeight : 0.0f;
    m.buttonGap = m.hasLink ? 40.0f : 20.0f;

    m.totalHeight = inset + titleHeight + m.buttonGap + buttonRowHeight + inset;
    if (m.hasMessage)
        m.totalHeight += messageGap + m.messageHeight;
    if (m.hasDetail)
        m.totalHeight += sectionGap + m.detailHeight;
    if (m.formHeight > 0.0f)
        m.totalHeight += sectionGap + m.formHeight;
    if (m.hasLink)
        m.totalHeight += sectionGap + linkRowHeight;
    return m;
}

void CustomDialogOverlay::resized()
{
    const int W = getWidth();
    const int H = getHeight();
    if (W < 1 || H < 1)
        return;

    const float maxHeight = static_cast<float>(juce::jmax(1, H - 48));
    const float maxWidth = static_cast<float>(juce::jmin(900, juce::jmax(1, W - 48)));
    float cardWidth = juce::jmin(maxWidth, 500.0f);

    auto m = measureLayout(cardWidth);

    // Only detail text widens the card.
    while (m.hasDetail && m.totalHeight > maxHeight && cardWidth < maxWidth)
    {
        cardWidth = juce::jmin(cardWidth + 20.0f, maxWidth);
        m = measureLayout(cardWidth);
    }

    // Then the detail area shrinks to whole lines (keeping at least three) and scrolls.
    float detailArea = m.detailHeight;
    if (m.hasDetail && m.totalHeight > maxHeight)
    {
        const float lineHeight = detailView.font.getHeight();
        const float wanted = juce::jmax(60.0f, m.detailHeight - (m.totalHeight - maxHeight));
        detailArea = juce::jmax(lineHeight, std::floor(wanted / lineHeight) * lineHeight);
    }

    const int cardHeight = static_cast<int>(m.totalHeight - (m.detailHeight - detailArea));
    const int cardWidthPx = static_cast<int>(cardWidth);
    const int cardX = (W - cardWidthPx) / 2;
    const int cardY = (H - cardHeight) / 2;
    cardBounds = juce::Rectangle<int>(cardX, cardY, cardWidthPx, cardHeight).toFloat();

    const auto inner = juce::Rectangle<float>(cardBounds.getX() + inset, cardBounds.getY() + inset,
                                              juce::jmax(0.0f, cardBounds.getWidth() - 2.0f * inset),
                                              juce::jmax(0.0f, cardBounds.getHeight() - 2.0f * inset))
                           .toNearestInt();

    juce::FlexBox column;
    column.flexDirection = juce::FlexBox::Direction::column;
    column.justifyContent = juce::FlexBox::JustifyContent::spaceBetween;
    column.alignContent = juce::FlexBox::AlignContent::stretch;

    column.items.add(juce::FlexItem(title).withHeight(titleHeight));
    if (m.hasMessage)
        column.items.add(juce::FlexItem(messageLabel).withHeight(m.messageHeight).withMargin({ messageGap, 0, 0, 0 }));
    if (m.hasDetail)
        column.items.add(juce::FlexItem(detailViewport).withHeight(detailArea).withMargin({ sectionGap, 0, 0, 0 }));
    if (form != nullptr)
        column.items.add(juce::FlexItem(*form).withHeight(m.formHeight).withMargin({ sectionGap, 0, 0, 0 }));
    if (m.hasLink)
        column.items.add(juce::FlexItem(linkRow).withHeight(linkRowHeight).withMargin({ sectionGap, 0, 0, 0 }));

    juce::FlexBox buttonRow;
    buttonRow.flexDirection = juce::FlexBox::Direction::row;
    buttonRow.justifyContent = juce::FlexBox::JustifyContent::center;
    const float buttonWidth = buttons.size() <= 2 ? 150.0f : 130.0f;
    for (auto* button : buttons)
        buttonRow.items.add(juce::FlexItem(*button).withWidth(buttonWidth).withHeight(buttonRowHeight)
                                .withMargin({ 0, 5, 0, 5 }));
    column.items.add(juce::FlexItem(buttonRow).withHeight(buttonRowHeight).withMargin({ m.buttonGap, 0, 0, 0 }));

    column.performLayout(inner);

    if (m.hasDetail)
    {
        const int scrollBar = detailArea < m.detailHeight ? scrollBarThickness : 0;
        const int textWidth = juce::jmax(1, detailViewport.getWidth() - scrollBar);
        detailView.setSize(textWidth,
                           static_cast<int>(std::ceil(detailView.layoutText(nullptr, static_cast<float>(textWidth)))));
    }
}

void CustomDialogOverlay::mouseDown(const juce::MouseEvent& e)
{
    const auto p = e.getEventRelativeTo(this).position;
    const bool insideCard = p.x >= cardBounds.getX() && p.x < cardBounds.getRight() && p.y >= cardBounds.getY()
                            && p.y < cardBounds.getBottom();
    // Every click is swallowed; only one outside the card may close the dialog.
    if (insideCard || dismissActionId < 0)
        return;

    finish(dismissActionId, static_cast<bool>(formCallback));
}

void CustomDialogOverlay::lookAndFeelChanged()
{
    messageLabel.setColour(juce::Label::textColourId, themeForeground);
    detailView.repaint();
}

void CustomDialogOverlay::paint(juce::Graphics& g)
{
    g.fillAll(nearBlack.withAlpha(0.6f));

    g.setColour(themeBackground);
    g.fillRoundedRectangle(cardBounds, 9.0f);

    g.setColour(themeForeground);
    g.drawRoundedRectangle(cardBounds.reduced(0.5f), 8.0f, 1.0f);
}
