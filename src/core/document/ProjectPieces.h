#pragma once

// The project file's text as a list of pieces that never change once made.
// Scene texts are kept from one save to the next and made again only for
// scenes changed since (CSwScene::MarkChanged), so a save costs what
// changed; and since a piece never changes, another thread may write the
// pieces out while the project goes on changing.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CScenewrightDoc;
class CSwScene;

struct ProjectPieces {
    std::vector<std::shared_ptr<const std::string>> pieces;

    std::size_t Bytes() const;
    std::string Joined() const;
    std::vector<std::string_view> Views() const;
    bool SameAs(std::string_view text) const;
};

class CProjectTextCache {
public:
    // The text a save of `doc` writes now, with media paths relative to
    // the project file's folder. `keep` keeps the scene texts for the next
    // call; without it every scene is written afresh.
    ProjectPieces Take(CScenewrightDoc& doc, bool keep);
    void Clear();

private:
    struct SceneText {
        std::uint64_t revision = 0;
        // The text before and after the value of the scene's select element,
        // which follows the current scene without being a change.
        std::shared_ptr<const std::string> head, tail;
    };
    std::unordered_map<const CSwScene*, SceneText> m_scenes;
    std::string m_folder;
};
