#pragma once

#include "ui/ClearableSearchComponent.h"
#include "ui/IconButtonComponent.h"
#include "ui/MultiSelectDropdownComponent.h"
#include "ui/table/WebLink.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>

/** The strip above the table: wordmark, Refresh, filter-row button, search box and the TARN filter row. */
class HeaderComponent : public juce::Component
{
public:
    HeaderComponent();
    ~HeaderComponent() override;

    /** Rebuilds the wordmark for the current theme; a wordmark that does not parse keeps the old one. */
    void updateLogo();

    /** Width and height of the wordmark area at the top left, which the header handles itself. */
    static constexpr int logoAreaWidth = 130;
    static constexpr int topRowHeight = 35;

    std::function<void()> onRefresh;
    std::function<void(const juce::String&)> onSearchChanged;
    std::function<void(bool)> onFilterPanelToggled;
    std::function<void(bool)> onTarnFilterChanged;
    std::function<void(bool)> onConsoleToggled;
    bool filterPanelOpen = false;
    bool consoleVisible = false;
    std::unique_ptr<juce::Drawable> logo;
    IconButtonComponent refreshButton;
    IconButtonComponent filterButton;
    ClearableSearchComponent searchBox { "Search device..." };
    MultiSelectDropdownComponent filterDropdown { "Name" };

    /** Opens the maker's web site; replaceable so that a click can be observed without a browser. */
    std::function<void(const juce::URL&)> openUrl = [](const juce::URL& url) { WebLink::launch(url.toString(true)); };

    /** The maker's home page that a click on the wordmark opens. */
    static juce::URL webSite();

    void mouseMove(const juce::MouseEvent& e) override;
    void mouseDown(const juce::MouseEvent& e) override;
    void lookAndFeelChanged() override;
    void paint(juce::Graphics& g) override;
    void resized() override;

private:
    void toggleFilterPanel();
    static bool inLogoArea(juce::Point<int> p);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(HeaderComponent)
};
