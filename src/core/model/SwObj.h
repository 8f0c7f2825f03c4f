#pragma once

// The base of every project object: scenes, cells and the project settings.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CBuildContext;
class CTextOutput;
class CXmlNode;

namespace SwType {
constexpr std::int32_t Prototype = 0;
constexpr std::int32_t Settings = 1;
constexpr std::int32_t AnyScene = 9;
constexpr std::int32_t SceneChoice = 10;
constexpr std::int32_t SceneLink = 11;
constexpr std::int32_t SceneBranch = 12;
constexpr std::int32_t SceneImageMap = 13;
constexpr std::int32_t Message = 102;
constexpr std::int32_t Layer = 103;
constexpr std::int32_t ImageLoad = 104;
constexpr std::int32_t Transition = 105;
constexpr std::int32_t BackLay = 106;
constexpr std::int32_t Shutdown = 107;
constexpr std::int32_t BgmPlay = 108;
constexpr std::int32_t BgmStop = 109;
constexpr std::int32_t SePlay = 110;
constexpr std::int32_t SeStop = 111;
constexpr std::int32_t Dialogue = 112;
constexpr std::int32_t Character = 113;
constexpr std::int32_t Eval = 114;
constexpr std::int32_t Plugin = 115;
constexpr std::int32_t Quake = 116;
constexpr std::int32_t StopQuake = 117;
constexpr std::int32_t RightClick = 118;
constexpr std::int32_t Return = 119;
constexpr std::int32_t StartAnchor = 120;
constexpr std::int32_t ClearUserVariables = 121;
constexpr std::int32_t ClearSystemVariables = 122;
constexpr std::int32_t CurrentLayer = 123;
constexpr std::int32_t Label = 124;
constexpr std::int32_t Particle = 125;
constexpr std::int32_t KagPlugin = 126;
constexpr std::int32_t Script = 127;
constexpr std::int32_t Tag = 128;
constexpr std::int32_t Macro = 129;

inline bool IsScene(std::int32_t type) {
    return type >= SceneChoice && type <= SceneImageMap;
}
} // namespace SwType

// Key codes of the project-file elements. Unique across the program.
namespace SwKey {
constexpr int Unknown = 0;
constexpr int Type = 2;
constexpr int Id = 3;
constexpr int ParentId = 4;
constexpr int ChildId = 5;
constexpr int PrevId = 6;
constexpr int NextId = 7;
constexpr int Comment = 8;
constexpr int Clct = 91;
} // namespace SwKey

struct SwKeyEntry {
    const char* name;
    int code;
};

// Looks `name` up in a table ended by an entry whose code is 1.
int FindKeyIn(const SwKeyEntry* table, std::string_view name);

class CSwObj;

// Id to object, first object wins, as a linear scan of the array would find.
class CObjectIndex {
public:
    template <typename Range> explicit CObjectIndex(const Range& objects) {
        for (const auto& object : objects)
            m_byId.try_emplace(object->id, &*object);
    }
    CSwObj* Find(std::int32_t id) const {
        auto it = m_byId.find(id);
        return it == m_byId.end() ? nullptr : it->second;
    }

private:
    std::unordered_map<std::int32_t, CSwObj*> m_byId;
};

class CSwObj {
public:
    CSwObj();
    virtual ~CSwObj() = default;
    CSwObj(const CSwObj&) = delete;
    CSwObj& operator=(const CSwObj&) = delete;

    virtual const char* RuntimeClassName() const { return "CSwObj"; }

    virtual std::unique_ptr<CSwObj> Clone() const;
    virtual void UpdateLinkIds();
    virtual void ResolveLinks(const CObjectIndex& objects);
    virtual int FindKey(std::string_view name) const;
    // Stores one value element into `target`; returns `target` when the name
    // was known, null otherwise.
    virtual CSwObj* SetAttribute(const CXmlNode& node, std::string_view folder, CSwObj* target,
                                 const std::string& name, const std::string& text) const;
    virtual std::unique_ptr<CSwObj> CreateCopy(const CSwObj* source) const;
    virtual void WriteXml(std::string_view folder, CTextOutput* file) const;
    virtual bool WriteXmlOf(std::string_view folder, CTextOutput* file, const CSwObj* object) const;
    virtual bool Build(CTextOutput* file, CBuildContext* doc);

    // Reads one element into a new object of this prototype's class; null
    // when the type read does not fit `expectedType`.
    std::unique_ptr<CSwObj> ReadObject(std::int32_t expectedType, std::string_view folder,
                                       const CXmlNode& element) const;

    void ResetBase();
    void CopyBaseFrom(const CSwObj& source);

    // Value element builders: opening tag, value text, closing tag.
    static std::string MakeTag(std::string_view key, bool opening);
    static std::string IntegerValue(std::string_view key, std::int32_t value);
    static std::string UnsignedValue(std::string_view key, std::uint32_t value);
    static std::string RealValue(std::string_view key, double value);
    static std::string HexValue(std::string_view key, std::uint32_t value);
    // Escapes `text` and wraps it in double quotes.
    static std::string TextValue(std::string_view key, std::string_view text);
    // A media path, made relative to the project file's folder.
    static std::string PathValue(std::string_view key, std::string_view path,
                                 std::string_view folder);
    static void WriteValueLine(CTextOutput* file, const std::string& valueElement);

    // Tree navigation; each accepts null and then answers null (or -1, 0).
    static CSwObj* GetTopmost(CSwObj* object);
    static CSwObj* GetFirstSibling(CSwObj* object);
    static CSwObj* GetLastSibling(CSwObj* object);
    static int GetSiblingIndex(const CSwObj* object);
    static int GetChildCount(const CSwObj* object);
    static CSwObj* GetChildAt(const CSwObj* object, int n);
    // Hangs `object` after the last sibling of this object's chain.
    CSwObj* AppendSibling(CSwObj* object);

    std::int32_t id;
    std::int32_t type;
    CSwObj* parent;
    CSwObj* child;
    CSwObj* prev;
    CSwObj* next;
    std::int32_t parent_id;
    std::int32_t child_id;
    std::int32_t prev_id;
    std::int32_t next_id;
    std::string comment;

protected:
    // The shared shape of CreateCopy: a fresh object without a source, none
    // for a source that was never given an id, else the source's base fields
    // followed by `assignOwn`.
    template <typename Object, typename AssignOwn>
    static std::unique_ptr<CSwObj> CopyOrFresh(const CSwObj* source, AssignOwn assignOwn) {
        if (source == nullptr)
            return std::make_unique<Object>();
        if (source->id < 1)
            return nullptr;
        auto copy = std::make_unique<Object>();
        copy->CopyBaseFrom(*source);
        assignOwn(*copy, *source);
        return copy;
    }

    // The seven base value lines that every element starts with.
    void WriteBaseLines(CTextOutput* file, const CSwObj* object) const;
};
