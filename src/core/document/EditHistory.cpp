#include "document/EditHistory.h"

#include <algorithm>

void CEditHistory::Clear(bool clean) {
    m_steps.clear();
    m_position = 0;
    m_cleanPosition = clean ? 0 : kNoCleanPosition;
    m_bytes = 0;
    m_baseState = ++m_lastState;
}

std::uint64_t CEditHistory::StateId() const {
    return m_position == 0 ? m_baseState : m_steps[m_position - 1].state;
}

void CEditHistory::MarkCleanAt(std::uint64_t state) {
    if (state == m_baseState) {
        m_cleanPosition = 0;
        return;
    }
    for (std::size_t i = 0; i < m_steps.size(); ++i) {
        if (m_steps[i].state == state) {
            m_cleanPosition = i + 1;
            return;
        }
    }
    m_cleanPosition = kNoCleanPosition;
}

void CEditHistory::Record(std::string_view name, std::unique_ptr<CEditStep> step) {
    if (!step)
        return;
    for (std::size_t i = m_position; i < m_steps.size(); ++i)
        m_bytes -= m_steps[i].bytes;
    m_steps.resize(m_position);
    if (m_cleanPosition > m_position)
        m_cleanPosition = kNoCleanPosition;
    if (!m_steps.empty() && !IsClean() && m_steps.back().name == name &&
        m_steps.back().step->Absorb(*step)) {
        Entry& last = m_steps.back();
        m_bytes -= last.bytes;
        last.bytes = last.step->Bytes();
        m_bytes += last.bytes;
        last.state = ++m_lastState;
        return;
    }
    Entry entry{std::string(name), std::move(step), 0, ++m_lastState};
    entry.bytes = entry.step->Bytes() + entry.name.size();
    m_bytes += entry.bytes;
    m_steps.push_back(std::move(entry));
    m_position = m_steps.size();
    DropOldestBeyondLimit();
}

void CEditHistory::DropOldestBeyondLimit() {
    std::size_t dropped = 0;
    while (m_bytes > kMaxBytes && dropped + 1 < m_steps.size()) {
        m_bytes -= m_steps[dropped].bytes;
        ++dropped;
    }
    if (dropped == 0)
        return;
    m_baseState = m_steps[dropped - 1].state;
    m_steps.erase(m_steps.begin(), m_steps.begin() + static_cast<std::ptrdiff_t>(dropped));
    m_position -= dropped;
    m_cleanPosition = m_cleanPosition == kNoCleanPosition || m_cleanPosition < dropped
                          ? kNoCleanPosition
                          : m_cleanPosition - dropped;
}

std::string_view CEditHistory::UndoName() const {
    return CanUndo() ? std::string_view(m_steps[m_position - 1].name) : std::string_view();
}

std::string_view CEditHistory::RedoName() const {
    return CanRedo() ? std::string_view(m_steps[m_position].name) : std::string_view();
}

CEditStep* CEditHistory::StepBack() {
    return CanUndo() ? m_steps[--m_position].step.get() : nullptr;
}

CEditStep* CEditHistory::StepForward() {
    return CanRedo() ? m_steps[m_position++].step.get() : nullptr;
}
