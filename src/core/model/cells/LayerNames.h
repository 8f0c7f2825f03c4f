#pragma once

// The KAG layer names that layer-addressing cells store, and the positions
// of the layer lists that the property dialogs show.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

class LayerNames {
public:
    // `foreLayers` N and `messageLayers` M from the project settings.
    LayerNames(std::int32_t foreLayers, std::int32_t messageLayers, bool withNone, bool withAll);

    int Count() const;
    std::string NameAt(int position) const;  // "" beyond the list
    std::string LabelAt(int position) const; // the text the list shows
    int PositionOf(std::string_view name) const;

private:
    enum class Entry { None, All, Base, Fore, Message, Beyond };
    // What the list shows at `position`, with the layer's number for the
    // foreground and message entries.
    std::pair<Entry, int> EntryAt(int position) const;
    int FirstLayerPosition() const { return (m_withNone ? 1 : 0) + (m_withAll ? 1 : 0); }
    std::int32_t m_foreLayers;
    std::int32_t m_messageLayers;
    bool m_withNone;
    bool m_withAll;
};
