#include "document/UndoHistory.h"

#include <algorithm>

void CUndoHistory::Reset(std::string state, bool clean) {
    m_state = std::move(state);
    m_steps.clear();
    m_position = 0;
    m_cleanPosition = clean ? 0 : kNoCleanPosition;
    m_stepBytes = 0;
}

bool CUndoHistory::Record(std::string_view name, std::string state) {
    const std::size_t shorter = std::min(m_state.size(), state.size());
    const auto firstDifference =
        std::mismatch(m_state.begin(), m_state.begin() + static_cast<std::ptrdiff_t>(shorter), state.begin());
    const std::size_t prefix = static_cast<std::size_t>(firstDifference.first - m_state.begin());
    if (prefix == shorter && m_state.size() == state.size())
        return false;
    // The common tail, not reaching into the common head.
    std::size_t suffix = 0;
    while (suffix < shorter - prefix &&
           m_state[m_state.size() - 1 - suffix] == state[state.size() - 1 - suffix])
        ++suffix;

    Step step;
    step.name = name;
    step.offset = prefix;
    step.before = m_state.substr(prefix, m_state.size() - prefix - suffix);
    step.after = state.substr(prefix, state.size() - prefix - suffix);

    for (std::size_t i = m_position; i < m_steps.size(); ++i)
        m_stepBytes -= m_steps[i].before.size() + m_steps[i].after.size();
    m_steps.resize(m_position);
    if (m_cleanPosition > m_position)
        m_cleanPosition = kNoCleanPosition;
    m_stepBytes += step.before.size() + step.after.size();
    m_steps.push_back(std::move(step));
    m_position = m_steps.size();
    m_state = std::move(state);
    DropOldestBeyondLimit();
    return true;
}

void CUndoHistory::DropOldestBeyondLimit() {
    std::size_t dropped = 0;
    while (m_stepBytes > kMaxStepBytes && dropped + 1 < m_steps.size()) {
        m_stepBytes -= m_steps[dropped].before.size() + m_steps[dropped].after.size();
        ++dropped;
    }
    if (dropped == 0)
        return;
    m_steps.erase(m_steps.begin(), m_steps.begin() + static_cast<std::ptrdiff_t>(dropped));
    m_position -= dropped;
    m_cleanPosition = m_cleanPosition == kNoCleanPosition || m_cleanPosition < dropped
                          ? kNoCleanPosition
                          : m_cleanPosition - dropped;
}

std::string_view CUndoHistory::UndoName() const {
    return CanUndo() ? std::string_view(m_steps[m_position - 1].name) : std::string_view();
}

std::string_view CUndoHistory::RedoName() const {
    return CanRedo() ? std::string_view(m_steps[m_position].name) : std::string_view();
}

bool CUndoHistory::Undo() {
    if (!CanUndo())
        return false;
    const Step& step = m_steps[--m_position];
    m_state.replace(step.offset, step.after.size(), step.before);
    return true;
}

bool CUndoHistory::Redo() {
    if (!CanRedo())
        return false;
    const Step& step = m_steps[m_position++];
    m_state.replace(step.offset, step.before.size(), step.after);
    return true;
}
