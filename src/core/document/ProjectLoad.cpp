#include "document/ProjectLoad.h"

CProjectLoad::CProjectLoad(std::string path) : m_path(std::move(path)) {
    m_doc.AddLogSink(this);
    m_doc.SetReadProgress(&m_done, &m_total);
}

CProjectLoad::~CProjectLoad() {
    m_doc.SetReadProgress(nullptr, nullptr);
    m_doc.RemoveLogSink(this);
}

void CProjectLoad::Run() {
    m_read = m_doc.ReadProjectFile(m_path.c_str());
    // Made here, the scene texts cost the editor's thread nothing at its
    // first save or autosave.
    if (m_read)
        m_doc.KeepProjectText();
}

void CProjectLoad::OnLogLine(SwLog kind, std::string_view line) {
    m_lines.emplace_back(kind, std::string(line));
}

bool CProjectLoad::Deliver(CScenewrightDoc& target) {
    if (m_read)
        target.AdoptProjectFrom(m_doc);
    for (const auto& [kind, line] : m_lines)
        target.RelayLogLine(kind, line);
    m_lines.clear();
    return m_read;
}
