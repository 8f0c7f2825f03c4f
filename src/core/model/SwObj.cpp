#include "model/SwObj.h"

#include "format/ProjectFile.h"
#include "format/XmlNode.h"
#include "model/BuildContext.h"
#include "model/Values.h"
#include "platform/TextOutput.h"

namespace {

const SwKeyEntry kBaseKeys[] = {
    {"id", SwKey::Id},
    {"type", SwKey::Type},
    {"parent_id", SwKey::ParentId},
    {"child_id", SwKey::ChildId},
    {"prev_id", SwKey::PrevId},
    {"next_id", SwKey::NextId},
    {"comment", SwKey::Comment},
    {nullptr, 1},
};

} // namespace

int FindKeyIn(const SwKeyEntry* table, std::string_view name) {
    for (const SwKeyEntry* entry = table; entry->code != 1; ++entry) {
        if (name == entry->name)
            return entry->code;
    }
    return SwKey::Unknown;
}

CSwObj::CSwObj() {
    ResetBase();
}

void CSwObj::ResetBase() {
    id = 0;
    type = SwType::Prototype;
    parent = child = prev = next = nullptr;
    parent_id = child_id = prev_id = next_id = 0;
    comment.clear();
}

void CSwObj::CopyBaseFrom(const CSwObj& source) {
    id = source.id;
    type = source.type;
    parent = source.parent;
    child = source.child;
    prev = source.prev;
    next = source.next;
    parent_id = source.parent_id;
    child_id = source.child_id;
    prev_id = source.prev_id;
    next_id = source.next_id;
    comment = source.comment;
}

std::unique_ptr<CSwObj> CSwObj::Clone() const {
    auto copy = std::make_unique<CSwObj>();
    copy->CopyBaseFrom(*this);
    return copy;
}

void CSwObj::UpdateLinkIds() {
    auto idOf = [](const CSwObj* object) { return object ? object->id : -1; };
    parent_id = idOf(parent);
    child_id = idOf(child);
    prev_id = idOf(prev);
    next_id = idOf(next);
}

void CSwObj::ResolveLinks(const CObjectIndex& objects) {
    auto resolve = [&](std::int32_t storedId, CSwObj*& link) {
        if (storedId >= 0)
            link = objects.Find(storedId);
    };
    resolve(parent_id, parent);
    resolve(child_id, child);
    resolve(prev_id, prev);
    resolve(next_id, next);
}

int CSwObj::FindKey(std::string_view name) const {
    return FindKeyIn(kBaseKeys, name);
}

CSwObj* CSwObj::SetAttribute(const CXmlNode&, std::string_view, CSwObj* target,
                             const std::string& name, const std::string& text) const {
    int key = FindKeyIn(kBaseKeys, name);
    if (key == SwKey::Unknown || target == nullptr)
        return nullptr;
    switch (key) {
    case SwKey::Id:
        target->id = sw::ParseInteger(text);
        break;
    case SwKey::Type:
        target->type = sw::ParseInteger(text);
        break;
    case SwKey::ParentId:
        target->parent_id = sw::ParseInteger(text);
        break;
    case SwKey::ChildId:
        target->child_id = sw::ParseInteger(text);
        break;
    case SwKey::PrevId:
        target->prev_id = sw::ParseInteger(text);
        break;
    case SwKey::NextId:
        target->next_id = sw::ParseInteger(text);
        break;
    case SwKey::Comment:
        target->comment = sw::TrimQuotes(text);
        break;
    }
    return target;
}

std::unique_ptr<CSwObj> CSwObj::CreateCopy(const CSwObj* source) const {
    return CopyOrFresh<CSwObj>(source, [](CSwObj&, const CSwObj&) {});
}

void CSwObj::WriteXml(std::string_view folder, CTextOutput* file) const {
    WriteXmlOf(folder, file, this);
}

bool CSwObj::WriteXmlOf(std::string_view, CTextOutput* file, const CSwObj* object) const {
    if (file == nullptr || object == nullptr)
        return false;
    WriteBaseLines(file, object);
    return true;
}

void CSwObj::WriteBaseLines(CTextOutput* file, const CSwObj* object) const {
    WriteValueLine(file, IntegerValue("id", object->id));
    WriteValueLine(file, IntegerValue("type", object->type));
    WriteValueLine(file, IntegerValue("parent_id", object->parent_id));
    WriteValueLine(file, IntegerValue("child_id", object->child_id));
    WriteValueLine(file, IntegerValue("prev_id", object->prev_id));
    WriteValueLine(file, IntegerValue("next_id", object->next_id));
    WriteValueLine(file, TextValue("comment", object->comment));
}

bool CSwObj::Build(CTextOutput* file, CBuildContext* doc) {
    if (doc)
        doc->PostLogLine(SwLog::Plain, sw::Format("シーン番号%d: ", id));
    return file != nullptr && type == SwType::Prototype;
}

std::unique_ptr<CSwObj> CSwObj::ReadObject(std::int32_t expectedType, std::string_view folder,
                                           const CXmlNode& element) const {
    std::unique_ptr<CSwObj> object = CreateCopy(nullptr);
    if (!object)
        return nullptr;
    object->ResetBase();
    element.ForEachChildElement([&](const CXmlNode& child) {
        SetAttribute(child, folder, object.get(), child.Name(), child.Text());
    });
    const std::int32_t read = object->type;
    bool accepted = false;
    if (expectedType == SwType::Prototype)
        accepted = true;
    else if (expectedType == SwType::AnyScene)
        accepted = SwType::IsScene(read);
    else if (expectedType == read)
        accepted = read != SwType::AnyScene && !(SwType::IsScene(read) && object->id < 1);
    return accepted ? std::move(object) : nullptr;
}

std::string CSwObj::MakeTag(std::string_view key, bool opening) {
    std::string tag(opening ? "<" : "</");
    tag += key;
    tag += '>';
    return tag;
}

namespace {

std::string Element(std::string_view key, std::string_view value) {
    return CSwObj::MakeTag(key, true) + std::string(value) + CSwObj::MakeTag(key, false);
}

} // namespace

std::string CSwObj::IntegerValue(std::string_view key, std::int32_t value) {
    return Element(key, std::to_string(value));
}

std::string CSwObj::UnsignedValue(std::string_view key, std::uint32_t value) {
    return Element(key, std::to_string(value));
}

std::string CSwObj::RealValue(std::string_view key, double value) {
    return Element(key, sw::FixedDecimal(value));
}

std::string CSwObj::HexValue(std::string_view key, std::uint32_t value) {
    return Element(key, sw::Format("0x%8.8X", value));
}

std::string CSwObj::TextValue(std::string_view key, std::string_view text) {
    return Element(key, "\"" + EscapeXmlText(text) + "\"");
}

std::string CSwObj::PathValue(std::string_view key, std::string_view path,
                              std::string_view folder) {
    return TextValue(key, MakeRelativePath(path, std::string(folder)));
}

void CSwObj::WriteValueLine(CTextOutput* file, const std::string& valueElement) {
    file->Write("  ");
    file->Write(valueElement);
    file->Write("\n");
}

CSwObj* CSwObj::GetTopmost(CSwObj* object) {
    while (object && object->parent)
        object = object->parent;
    return object;
}

CSwObj* CSwObj::GetFirstSibling(CSwObj* object) {
    while (object && object->prev)
        object = object->prev;
    return object;
}

CSwObj* CSwObj::GetLastSibling(CSwObj* object) {
    while (object && object->next)
        object = object->next;
    return object;
}

int CSwObj::GetSiblingIndex(const CSwObj* object) {
    if (!object)
        return -1;
    int index = 0;
    for (const CSwObj* p = object->prev; p; p = p->prev)
        ++index;
    return index;
}

int CSwObj::GetChildCount(const CSwObj* object) {
    if (!object || !object->child)
        return 0;
    int count = 0;
    for (const CSwObj* c = GetFirstSibling(object->child); c; c = c->next)
        ++count;
    return count;
}

CSwObj* CSwObj::GetChildAt(const CSwObj* object, int n) {
    if (!object || !object->child || n < 0)
        return nullptr;
    CSwObj* c = GetFirstSibling(object->child);
    for (; c && n > 0; --n)
        c = c->next;
    return c;
}

CSwObj* CSwObj::AppendSibling(CSwObj* object) {
    CSwObj* last = GetLastSibling(this);
    if (object == nullptr || object == last)
        return nullptr;
    last->next = object;
    object->prev = last;
    object->next = nullptr;
    object->parent = parent;
    return object;
}
