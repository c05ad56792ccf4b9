#include "ui/table/DeviceRowComparator.h"

#include "app/AppStateIds.h"

juce::String DeviceRowComparator::keyFor(const juce::ValueTree& node, int columnId)
{
    switch (columnId)
    {
        case 2: return node[AppStateIds::name].toString();
        case 3: return node[AppStateIds::model].toString();
        case 4: return node[AppStateIds::version].toString();
        case 6: return node.getChildWithProperty(AppStateIds::interfaceIndex, 0)[AppStateIds::ip].toString();
        case 7: return node.getChildWithProperty(AppStateIds::interfaceIndex, 1)[AppStateIds::ip].toString();
        default: return {};
    }
}

bool DeviceRowComparator::compareKeys(const juce::String& a, const juce::String& b, bool forwards)
{
    const auto cmp = a.compareNatural(b, false);
    return forwards ? cmp < 0 : cmp > 0;
}

bool DeviceRowComparator::operator()(const juce::ValueTree& a, const juce::ValueTree& b) const
{
    return compareKeys(keyFor(a, columnId), keyFor(b, columnId), forwards);
}
