#include "model/cells/LayerNames.h"

#include "model/Values.h"
#include "platform/TextOutput.h"

#include <algorithm>

LayerNames::LayerNames(std::int32_t foreLayers, std::int32_t messageLayers, bool withNone,
                       bool withAll)
    : m_foreLayers(std::max(0, foreLayers)), m_messageLayers(std::max(0, messageLayers)),
      m_withNone(withNone), m_withAll(withAll) {}

int LayerNames::Count() const {
    return FirstLayerPosition() + 1 + m_foreLayers + m_messageLayers;
}

std::pair<LayerNames::Entry, int> LayerNames::EntryAt(int position) const {
    if (m_withNone && position == 0)
        return {Entry::None, 0};
    if (m_withAll && position == (m_withNone ? 1 : 0))
        return {Entry::All, 0};
    const int layer = position - FirstLayerPosition();
    if (layer < 0 || position >= Count())
        return {Entry::Beyond, 0};
    if (layer == 0)
        return {Entry::Base, 0};
    if (layer <= m_foreLayers)
        return {Entry::Fore, layer - 1};
    return {Entry::Message, layer - 1 - m_foreLayers};
}

std::string LayerNames::NameAt(int position) const {
    const auto [entry, number] = EntryAt(position);
    switch (entry) {
    case Entry::None:
        return "none";
    case Entry::All:
        return "all";
    case Entry::Base:
        return "base";
    case Entry::Fore:
        return std::to_string(number);
    case Entry::Message:
        return sw::Format("message%d", number);
    case Entry::Beyond:
        break;
    }
    return std::string();
}

std::string LayerNames::LabelAt(int position) const {
    const auto [entry, number] = EntryAt(position);
    switch (entry) {
    case Entry::All:
        return "(全レイヤ)";
    case Entry::Base:
        return "背景レイヤ";
    case Entry::Fore:
        return sw::Format("前景レイヤ%d", number);
    case Entry::Message:
        return sw::Format("メッセージレイヤ%d", number);
    case Entry::None:
    case Entry::Beyond:
        break;
    }
    return std::string();
}

int LayerNames::PositionOf(std::string_view name) const {
    if (name == "none")
        return 0;
    if (name == "all")
        return m_withNone ? 1 : 0;
    const int first = FirstLayerPosition();
    if (name == "base")
        return first;
    auto decimal = [](std::string_view digits) {
        int value = 0;
        for (char c : digits) {
            if (c < '0' || c > '9')
                return 0;
            value = std::min(1000000, value * 10 + (c - '0'));
        }
        return value;
    };
    if (name.starts_with("message"))
        return first + 1 + m_foreLayers + decimal(name.substr(7));
    return first + 1 + decimal(name);
}
