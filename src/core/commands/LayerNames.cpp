#include "commands/LayerNames.h"

#include "model/Values.h"
#include "platform/TextOutput.h"

#include <algorithm>

LayerNames::LayerNames(std::int32_t foreLayers, std::int32_t messageLayers, bool withNone,
                       bool withAll)
    : m_foreLayers(std::max(0, foreLayers)), m_messageLayers(std::max(0, messageLayers)),
      m_withNone(withNone), m_withAll(withAll) {}

int LayerNames::Count() const { return FirstLayerPosition() + 1 + m_foreLayers + m_messageLayers; }

std::string LayerNames::NameAt(int position) const {
    if (m_withNone && position == 0)
        return "none";
    if (m_withAll && position == (m_withNone ? 1 : 0))
        return "all";
    const int layer = position - FirstLayerPosition();
    if (layer < 0 || position >= Count())
        return std::string();
    if (layer == 0)
        return "base";
    if (layer <= m_foreLayers)
        return std::to_string(layer - 1);
    return sw::Format("message%d", layer - 1 - m_foreLayers);
}

std::string LayerNames::LabelAt(int position) const {
    if (m_withNone && position == 0)
        return std::string();
    if (m_withAll && position == (m_withNone ? 1 : 0))
        return "(全レイヤ)";
    const int layer = position - FirstLayerPosition();
    if (layer < 0 || position >= Count())
        return std::string();
    if (layer == 0)
        return "背景レイヤ";
    if (layer <= m_foreLayers)
        return sw::Format("前景レイヤ%d", layer - 1);
    return sw::Format("メッセージレイヤ%d", layer - 1 - m_foreLayers);
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
