#include "model/BuildContext.h"

#include "model/SwScene.h"
#include "model/SwSettings.h"
#include "platform/Cp932.h"
#include "platform/Files.h"

#include <utility>

const std::string& CBuildContext::GetProjectRoot() const {
    return m_redirect ? m_redirect->root : GetSettings().root;
}

std::int32_t CBuildContext::GetBuildingSceneId() const {
    return m_buildingScene ? m_buildingScene->id : 0;
}

std::optional<CBuildContext::BuildOutputClaim>
CBuildContext::ClaimBuildOutput(std::string_view output, std::string_view source) {
    if (m_previewing)
        return std::nullopt;
    BuildOutputClaim claim{std::string(source), GetBuildingSceneId(), std::string(output)};
    auto [it, added] = m_buildOutputs.try_emplace(sw::cp932::ToLowerAscii(output), claim);
    if (added)
        return std::nullopt;
    BuildOutputClaim earlier = std::exchange(it->second, std::move(claim));
    if (earlier.source == source || sw::files::IsSameFile(earlier.source, source))
        return std::nullopt;
    return earlier;
}

const CBuildContext::BuildOutputClaim*
CBuildContext::FindBuildOutput(std::string_view output) const {
    auto it = m_buildOutputs.find(sw::cp932::ToLowerAscii(output));
    return it == m_buildOutputs.end() ? nullptr : &it->second;
}

void CBuildContext::ResetBuildState() {
    m_buildStatus = SwBuildStatus::NotBuilt;
    m_buildingScene = nullptr;
    m_buildOutputs.clear();
    m_pendingMessage.clear();
}

bool CBuildContext::HoldBackLogLine(SwLog kind, std::string_view message) {
    const bool problem = kind == SwLog::Error || kind == SwLog::Warning;
    if (m_previewing) {
        if (problem)
            m_previewProblems.emplace_back(message);
        return true;
    }
    return m_redirect && m_redirect->quiet && !problem;
}
