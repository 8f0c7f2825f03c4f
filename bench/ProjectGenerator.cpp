#include "ProjectGenerator.h"

#include "document/ScenewrightDoc.h"
#include "model/cells/CreateObject.h"
#include "model/cells/SwCharacter.h"
#include "model/cells/SwCommand.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextOutput.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace {

// Deterministic, so that two runs make the same project byte for byte.
class CRandom {
public:
    unsigned Next() {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>(m_state >> 33);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<unsigned>(n)); }
    int Between(int low, int high) { return low + Below(high - low + 1); }

private:
    std::uint64_t m_state = 0x5EED;
};

const char* const kPhrases[] = {
    "ある晴れた日のこと、",       "空は茜色に染まっていた。", "彼女は小さく笑った。",
    "「それで、どうするの？」",   "風が窓を揺らしている。",   "遠くで鐘の音が聞こえた。",
    "僕は黙って頷いた。",         "机の上に古い手紙がある。", "まだ誰も知らない。",
    "夜の町は静まり返っていた。", "「待って、話があるんだ」", "足音が廊下に響く。",
};

const char* const kFirstNames[] = {"太郎", "花子", "健一", "美咲", "翔", "葵"};
const char* const kLastNames[] = {"山田", "佐藤", "鈴木", "高橋", "田中", "渡辺"};

std::string Message(CRandom& random) {
    std::string text;
    const int parts = random.Between(2, 5);
    for (int i = 0; i < parts; ++i) {
        text += kPhrases[random.Below(std::size(kPhrases))];
        if (i + 1 < parts && random.Below(3) == 0)
            text += "[l][r]";
    }
    return text;
}

// One group of generated media files of one kind.
struct MediaGroup {
    const char* stem;
    const char* extension;
    int count;
};
enum Media { kBackground, kForeground, kRule, kBgm, kSound, kVoice, kMap, kParticle, kDll };
const MediaGroup kMedia[] = {
    {"bg", "png", 48},  {"fg", "png", 48}, {"rule", "png", 8},
    {"bgm", "ogg", 24}, {"se", "wav", 48}, {"voice", "ogg", 320},
    {"map", "png", 8},  {"fx", "png", 4},  {"plugin", "dll", 2},
};
constexpr int kParticleFrames = 4;

std::string Numbered(const char* stem, int n) {
    return sw::Format("%s%03d", stem, n);
}

class CGenerator {
public:
    CGenerator(const std::string& folder, const GeneratedProjectSize& size)
        : m_media(sw::paths::Join(folder, "media")), m_size(size) {}

    bool Run(const std::string& folder) {
        if (!WriteMedia())
            return false;
        CSwSettings& settings = m_doc.GetSettings();
        settings.name = "合成プロジェクト";
        settings.root = sw::paths::Join(folder, "game");
        settings.width = 1280;
        settings.height = 720;
        for (int i = 0; i < 12; ++i) {
            auto character = CreateObject(SwType::Character);
            auto& fields = static_cast<CSwCharacter&>(*character);
            fields.id = 100000 + i;
            fields.SetText(CSwCharacter::kFirstName, kFirstNames[i % std::size(kFirstNames)]);
            fields.SetText(CSwCharacter::kLastName, kLastNames[i / 2 % std::size(kLastNames)]);
            fields.SetInteger(CSwCharacter::kMsgColor,
                              static_cast<std::int32_t>(m_random.Next() & 0xFFFFFF));
            settings.AddCharacter(std::move(character));
        }
        while (m_doc.GetSceneCount() < m_size.scenes)
            Grow(Add(nullptr, CScenewrightDoc::kNewTopLevel), 0);
        m_doc.SetCurrentSceneQuietly(m_doc.GetSceneAt(0));
        return m_doc.WriteProjectFile(sw::paths::Join(folder, "project.swo").c_str());
    }

private:
    bool Room() const { return m_doc.GetSceneCount() < m_size.scenes; }

    std::string MediaPath(Media group, int n) const {
        const MediaGroup& media = kMedia[group];
        return sw::paths::Join(m_media,
                               Numbered(media.stem, n % media.count) + "." + media.extension);
    }
    std::string AnyMedia(Media group) {
        return MediaPath(group, m_random.Below(kMedia[group].count));
    }

    bool WriteFile(const std::string& name, std::size_t bytes) {
        std::string contents(bytes, '\0');
        for (char& c : contents)
            c = static_cast<char>(m_contents.Next());
        return sw::files::WriteFileReplacing(sw::paths::Join(m_media, name), contents);
    }

    bool WriteMedia() {
        if (!sw::files::CreateDirectories(m_media))
            return false;
        std::vector<std::string> names;
        for (const MediaGroup& media : kMedia) {
            for (int n = 0; n < media.count; ++n) {
                const std::string stem = Numbered(media.stem, n);
                if (&media == &kMedia[kParticle]) {
                    for (int frame = 0; frame < kParticleFrames; ++frame)
                        names.push_back(sw::Format("%s_%d.png", stem.c_str(), frame));
                    continue;
                }
                names.push_back(stem + "." + media.extension);
                if (&media == &kMedia[kMap])
                    names.push_back(stem + "_p.png");
            }
        }
        const std::size_t each =
            m_size.mediaBytes ? std::max<std::uint64_t>(1, m_size.mediaBytes / names.size()) : 256;
        for (const std::string& name : names) {
            if (!WriteFile(name, each))
                return false;
        }
        return true;
    }

    CSwScene* Add(CSwScene* parent, int mode) {
        m_doc.SetCurrentSceneQuietly(parent);
        CSwScene* scene = m_doc.AddScene(mode);
        scene->title = sw::Format("第%d場", scene->id);
        scene->clearmsg = 1;
        scene->recordablelabel = 1;
        for (int i = 0; i < m_size.cellsPerScene; ++i)
            scene->AddCell(MakeCell(*scene, i));
        if (mode == CScenewrightDoc::kNewTopLevel)
            m_chapter = scene;
        return scene;
    }

    // A link chain, then a choice, a conditional branch or an image map that
    // starts more chains, down to a depth where chains end in a link back.
    void Grow(CSwScene* scene, int depth) {
        const int length = m_random.Between(2, 6);
        for (int i = 0; i < length && Room(); ++i)
            scene = Add(scene, CScenewrightDoc::kChoiceAsChild);
        if (!Room())
            return;
        if (depth >= 3) {
            CSwScene* link = Add(scene, CScenewrightDoc::kLinkAsChild);
            link->linkto = m_chapter;
            return;
        }
        const int way = m_random.Below(6);
        CSwScene* fork = scene;
        if (way == 4)
            fork = Add(scene, CScenewrightDoc::kBranchAsChild);
        else if (way == 5) {
            fork = Add(scene, CScenewrightDoc::kImageMapAsChild);
            fork->mapimage = AnyMedia(kMap);
            fork->layer = "0";
        }
        const int children = m_random.Between(2, 4);
        std::vector<CSwScene*> made;
        for (int i = 0; i < children && Room(); ++i) {
            CSwScene* child = Add(fork, CScenewrightDoc::kChoiceAsChild);
            child->linkname = kPhrases[m_random.Below(std::size(kPhrases))];
            if (way == 4 && i + 1 < children)
                child->expcond = sw::Format("f.route == %d", i);
            if (way == 5)
                child->hint = "町の広場";
            made.push_back(child);
        }
        for (CSwScene* child : made)
            Grow(child, depth + 1);
    }

    // Mostly lines of text, with the other kinds in turn; the types that a
    // real scene holds rarely come once in every few scenes.
    std::int32_t TypeOfCell(const CSwScene& scene, int index) {
        static const std::int32_t kOpening[] = {SwType::Label, SwType::ImageLoad,
                                                SwType::Transition, SwType::BgmPlay};
        static const std::int32_t kCommon[] = {
            SwType::ImageLoad,  SwType::SePlay,       SwType::Eval,   SwType::Layer,
            SwType::Quake,      SwType::StopQuake,    SwType::SeStop, SwType::BackLay,
            SwType::Transition, SwType::CurrentLayer, SwType::Tag,    SwType::ClearUserVariables,
            SwType::BgmStop,    SwType::Script};
        static const std::int32_t kRare[] = {SwType::Particle,
                                             SwType::Plugin,
                                             SwType::KagPlugin,
                                             SwType::Macro,
                                             SwType::RightClick,
                                             SwType::StartAnchor,
                                             SwType::ClearSystemVariables,
                                             SwType::Return,
                                             SwType::Shutdown};
        if (index < static_cast<int>(std::size(kOpening)))
            return kOpening[index];
        if (index == m_size.cellsPerScene - 1 && scene.id % 4 == 0)
            return kRare[m_rare++ % std::size(kRare)];
        const int roll = m_random.Below(10);
        if (roll < 3)
            return SwType::Message;
        if (roll < 6)
            return SwType::Dialogue;
        return kCommon[m_common++ % std::size(kCommon)];
    }

    std::unique_ptr<CSwObj> MakeCell(const CSwScene& scene, int index) {
        std::unique_ptr<CSwObj> object = CreateObject(TypeOfCell(scene, index));
        auto& cell = static_cast<CSwCommand&>(*object);
        cell.id = ++m_lastCellId;
        for (std::size_t slot = 0; slot < cell.Fields().size(); ++slot)
            Fill(cell, slot);
        return object;
    }

    std::string LayerFor(std::int32_t type) {
        switch (type) {
        case SwType::Layer:
        case SwType::CurrentLayer:
            return "message0";
        case SwType::Transition:
            return "base";
        default:
            return m_random.Below(2) ? "base" : "0";
        }
    }

    std::string PathFor(std::int32_t type, std::string_view key) {
        if (key == "voice")
            return AnyMedia(kVoice);
        if (key == "rule")
            return AnyMedia(kRule);
        switch (type) {
        case SwType::BgmPlay:
            return AnyMedia(kBgm);
        case SwType::SePlay:
            return AnyMedia(kSound);
        case SwType::Plugin:
            return AnyMedia(kDll);
        case SwType::Particle: {
            const int n = m_random.Below(kMedia[kParticle].count);
            return sw::paths::Join(m_media, Numbered(kMedia[kParticle].stem, n));
        }
        default:
            return AnyMedia(m_random.Below(2) ? kBackground : kForeground);
        }
    }

    std::string TextFor(CSwCommand& cell, std::string_view key) {
        const std::int32_t type = cell.CommandType();
        if (key == "message")
            return Message(m_random);
        if (key == "layer")
            return LayerFor(type);
        if (key == "formula")
            return sw::Format("f.flag%d = %d", m_random.Below(40), m_random.Below(5));
        if (key == "label")
            return sw::Format("label%d", cell.id);
        if (key == "headline")
            return kPhrases[m_random.Below(std::size(kPhrases))];
        if (key == "tag")
            return sw::Format("wait time=%d", m_random.Between(1, 20) * 100);
        if (key == "name")
            return "clickwait";
        if (key == "classname")
            return sw::Format("effect%d", cell.id);
        if (key == "text")
            return type == SwType::Script ? "f.visits = +f.visits + 1;\nf.seen = true;" : "[l][r]";
        if (key.starts_with("exp"))
            return "Math.random() * window.primaryLayer.width";
        return std::string();
    }

    void Fill(CSwCommand& cell, std::size_t slot) {
        const CommandField& field = cell.Fields()[slot];
        const std::string_view key = field.key;
        switch (field.kind) {
        case FieldKind::Text:
            cell.SetText(slot, TextFor(cell, key));
            break;
        case FieldKind::FilePath:
            // The rule of a transition counts only for method 0.
            if (key != "rule" || cell.Integer(cell.SlotOf("method")) == 0)
                cell.SetText(slot, PathFor(cell.CommandType(), key));
            break;
        case FieldKind::Flag:
            // A tag cell holding a whole imported line is not what an author types.
            if (key != "line")
                cell.SetInteger(slot, m_random.Below(2));
            break;
        case FieldKind::Colour:
        case FieldKind::DecimalColour:
            cell.SetInteger(slot, static_cast<std::int32_t>(m_random.Next() & 0xFFFFFF));
            break;
        case FieldKind::Real:
            cell.SetReal(slot, (m_random.Below(2000) - 1000) / 100.0);
            break;
        case FieldKind::Integer:
        case FieldKind::Unsigned:
            if (key == "time")
                cell.SetInteger(slot, m_random.Between(1, 30) * 100);
            else if (key == "charinf")
                cell.SetInteger(slot, m_random.Below(12));
            else if (key == "bufno")
                cell.SetInteger(slot, m_random.Below(3));
            else if (key == "count")
                cell.SetInteger(slot, kParticleFrames);
            else if (key == "callto_id")
                cell.SetInteger(slot, 1);
            else if (key == "method")
                cell.SetInteger(slot, m_random.Below(3));
            break;
        case FieldKind::Choice:
            break;
        }
    }

    CScenewrightDoc m_doc;
    CRandom m_random;
    // Apart, so that the project is the same whatever the media's size.
    CRandom m_contents;
    std::string m_media;
    GeneratedProjectSize m_size;
    CSwScene* m_chapter = nullptr;
    std::int32_t m_lastCellId = 0;
    std::size_t m_common = 0;
    std::size_t m_rare = 0;
};

} // namespace

bool GenerateProject(const std::string& folder, const GeneratedProjectSize& size) {
    CGenerator generator(folder, size);
    return generator.Run(folder);
}
