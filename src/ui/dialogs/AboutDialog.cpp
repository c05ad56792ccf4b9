#include "ui/dialogs/AboutDialog.h"

#include "app/AppContext.h"
#include "app/WebAddresses.h"
#include "ui/EmbeddedResources.h"

#include <juce_events/juce_events.h>

juce::String AboutDialog::title()
{
    return "Brelm Discovery";
}

juce::String AboutDialog::message()
{
    juce::String version;
    if (auto* app = juce::JUCEApplicationBase::getInstance())
        version = app->getApplicationVersion();
    return "Version " + version;
}

juce::String AboutDialog::detailText()
{
    // The dialog turns bullet lines into indented items and empty lines into half-line gaps.
    const juce::String bullet = juce::String::fromUTF8("\xe2\x80\xa2 ");
    juce::String text;
    text << "Brelm Discovery scans your local network "
         << "to find and identify Brelm devices, including:\n\n"
         << bullet << "VESK\n"
         << bullet << "IMBER\n"
         << bullet << "GAVRO\n"
         << bullet << "PESK\n"
         << bullet << "ORLA\n\n"
         << "For each unit, you can review its details, "
         << "edit its network settings, and use the Finder button to locate a device."
         << "\n\n"
         << "Useful tips:\n\n"
         << bullet << "Right-click a column header to show or " << "hide the optional table columns.\n"
         << bullet << "Right-click a device row for links to open " << "its web interface by IP; on the URL column it copies "
         << "the address to the clipboard instead.\n"
         << bullet << "Use the search box to filter the list, the " << "filter button to show only BrelmTARN units, and "
         << "sortable column headers to reorder devices.";
    return text;
}

juce::String AboutDialog::linkText()
{
    return "Legal Notice";
}

juce::String AboutDialog::legalNoticeUrl()
{
    return WebAddresses::legalNotice();
}

void AboutDialog::show(AppContext& context)
{
    if (!context.showDialog)
        return;

    DialogAction done;
    done.id = 0;
    done.label = "Done";
    done.style = 0;

    context.showDialog(title(), message(), detailText(), { done }, 0, nullptr, EmbeddedResources::infoIconSvg(),
                       linkText(), legalNoticeUrl());
}
