#include "document/ProjectPieces.h"

#include "document/ScenewrightDoc.h"
#include "platform/TextOutput.h"

std::size_t ProjectPieces::Bytes() const {
    std::size_t bytes = 0;
    for (const auto& piece : pieces)
        bytes += piece->size();
    return bytes;
}

std::string ProjectPieces::Joined() const {
    std::string text;
    text.reserve(Bytes());
    for (const auto& piece : pieces)
        text += *piece;
    return text;
}

std::vector<std::string_view> ProjectPieces::Views() const {
    std::vector<std::string_view> views;
    views.reserve(pieces.size());
    for (const auto& piece : pieces)
        views.emplace_back(*piece);
    return views;
}

bool ProjectPieces::SameAs(std::string_view text) const {
    std::size_t at = 0;
    for (const auto& piece : pieces) {
        if (text.substr(at, piece->size()) != *piece)
            return false;
        at += piece->size();
    }
    return at == text.size();
}

namespace {

std::shared_ptr<const std::string> Piece(std::string text) {
    return std::make_shared<const std::string>(std::move(text));
}

std::shared_ptr<const std::string> SelectValue(std::int32_t select) {
    static const auto unselected = Piece("0");
    static const auto selected = Piece("1");
    if (select == 0)
        return unselected;
    return select == 1 ? selected : Piece(std::to_string(select));
}

} // namespace

void CProjectTextCache::Clear() {
    m_scenes.clear();
    m_folder.clear();
}

ProjectPieces CProjectTextCache::Take(CScenewrightDoc& doc, bool keep) {
    // Paths are written relative to the project file: another folder makes
    // every kept text wrong.
    if (!keep || doc.GetProjectFileFolder() != m_folder)
        Clear();
    m_folder = doc.GetProjectFileFolder();
    ProjectPieces text;
    {
        CStringOutput head;
        head.Write("<?xml version=\"1.0\" encoding=\"Shift_JIS\" ?>\n");
        head.Write("<SwStrage>\n");
        doc.GetSettings().WriteXml(m_folder, &head);
        text.pieces.push_back(Piece(head.Text()));
    }
    std::unordered_map<const CSwScene*, SceneText> kept;
    kept.reserve(static_cast<std::size_t>(doc.GetSceneCount()));
    for (const auto& scene : doc.GetScenes()) {
        // A scene never marked gets a revision of its own now, so that a
        // later scene at the same address cannot pass for it.
        if (scene->revision == 0)
            scene->MarkChanged();
        const auto found = m_scenes.find(scene.get());
        SceneText entry;
        if (found != m_scenes.end() && found->second.revision == scene->revision) {
            entry = found->second;
        } else {
            scene->UpdateLinkIds();
            CStringOutput out;
            scene->WriteXml(m_folder, &out);
            const std::string& written = out.Text();
            // Texts are escaped: the first "<select>" is the element itself.
            const std::size_t open = written.find("<select>");
            const std::size_t close = written.find("</select>", open);
            if (open == std::string::npos || close == std::string::npos) {
                entry.head = Piece(written);
            } else {
                entry.head = Piece(written.substr(0, open + 8));
                entry.tail = Piece(written.substr(close));
            }
            entry.revision = scene->revision;
        }
        text.pieces.push_back(entry.head);
        if (entry.tail) {
            text.pieces.push_back(SelectValue(scene->select));
            text.pieces.push_back(entry.tail);
        }
        if (keep)
            kept.emplace(scene.get(), std::move(entry));
    }
    m_scenes = std::move(kept);
    CStringOutput tail;
    tail.Write("</SwStrage>\n");
    text.pieces.push_back(Piece(tail.Text()));
    return text;
}
