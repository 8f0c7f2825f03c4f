#include "model/cells/SwCommand.h"

#include "format/ProjectFile.h"
#include "model/BuildContext.h"
#include "model/Values.h"
#include "platform/TextOutput.h"

namespace {

// Own keys are numbered per type so that codes stay unique program-wide.
int KeyCodeOf(std::int32_t commandType, std::size_t slot) {
    return commandType * 100 + static_cast<int>(slot) + 1;
}

} // namespace

CSwCommand::CSwCommand(std::int32_t commandType, std::span<const CommandField> fields)
    : m_commandType(commandType), m_fields(fields), m_values(fields.size()) {
    Reset();
}

void CSwCommand::Reset() {
    ResetBase();
    type = m_commandType;
    for (std::size_t slot = 0; slot < m_fields.size(); ++slot) {
        m_values[slot].integer = m_fields[slot].defaultInteger;
        m_values[slot].text = m_fields[slot].defaultText;
        m_values[slot].real = m_fields[slot].defaultReal;
    }
}

void CSwCommand::Assign(const CSwObj& source) {
    if (&source == this)
        return;
    CopyBaseFrom(source);
    if (source.type != m_commandType)
        return;
    m_values = static_cast<const CSwCommand&>(source).m_values;
}

std::size_t CSwCommand::ValueSet::Bytes() const {
    std::size_t bytes = sizeof(ValueSet) + comment.size() + values.size() * sizeof(FieldValue);
    for (const FieldValue& value : values)
        bytes += value.text.size();
    return bytes;
}

void CSwCommand::RestoreValues(const ValueSet& saved) {
    if (saved.values.size() == m_values.size())
        m_values = saved.values;
    comment = saved.comment;
}

void CSwCommand::TakeValuesOf(const CSwCommand& source) {
    if (source.m_commandType == m_commandType && &source != this)
        m_values = source.m_values;
}

std::unique_ptr<CSwObj> CSwCommand::Clone() const {
    std::unique_ptr<CSwCommand> copy = NewOfSameClass();
    copy->m_values = m_values;
    return copy;
}

int CSwCommand::FindKey(std::string_view name) const {
    for (std::size_t slot = 0; slot < m_fields.size(); ++slot) {
        if (name == m_fields[slot].key)
            return KeyCodeOf(m_commandType, slot);
    }
    return SwKey::Unknown;
}

CSwObj* CSwCommand::SetAttribute(const CXmlNode& node, std::string_view folder, CSwObj* target,
                                 const std::string& name, const std::string& text) const {
    if (CSwObj* known = CSwObj::SetAttribute(node, folder, target, name, text))
        return known;
    const int key = FindKey(name);
    if (key == SwKey::Unknown || target == nullptr || target->type != m_commandType)
        return nullptr;
    auto* command = static_cast<CSwCommand*>(target);
    command->ReadField(static_cast<std::size_t>(key - KeyCodeOf(m_commandType, 0)), text, folder);
    return target;
}

void CSwCommand::ReadField(std::size_t slot, const std::string& text, std::string_view folder) {
    FieldValue& value = m_values[slot];
    switch (m_fields[slot].kind) {
    case FieldKind::Text:
        value.text = sw::TrimQuotes(text);
        break;
    case FieldKind::FilePath:
        value.text = MakeAbsolutePath(sw::TrimQuotes(text), std::string(folder));
        break;
    case FieldKind::Integer:
    case FieldKind::Choice:
    case FieldKind::Unsigned:
        value.integer = sw::ParseInteger(text);
        break;
    case FieldKind::Flag:
        value.integer = sw::ParseFlag(text);
        break;
    case FieldKind::Colour:
        value.integer = sw::SwapRedBlue(sw::ParseInteger(text));
        break;
    case FieldKind::DecimalColour:
        // A plain number may carry bits that are no part of a colour.
        value.integer = sw::SwapRedBlue(sw::ParseInteger(text)) & 0x00FFFFFF;
        break;
    case FieldKind::Real:
        value.real = sw::ParseReal(sw::TrimQuotes(text));
        break;
    }
}

std::string CSwCommand::FieldElement(std::size_t slot, std::string_view folder) const {
    const CommandField& field = m_fields[slot];
    const FieldValue& value = m_values[slot];
    switch (field.kind) {
    case FieldKind::Text:
        return TextValue(field.key, value.text);
    case FieldKind::FilePath:
        return PathValue(field.key, value.text, folder);
    case FieldKind::Integer:
    case FieldKind::Flag:
    case FieldKind::Choice:
        return IntegerValue(field.key, value.integer);
    case FieldKind::Unsigned:
        return UnsignedValue(field.key, static_cast<std::uint32_t>(value.integer));
    case FieldKind::Colour:
        return HexValue(field.key, static_cast<std::uint32_t>(sw::SwapRedBlue(value.integer)));
    case FieldKind::DecimalColour:
        return IntegerValue(field.key, sw::SwapRedBlue(value.integer));
    case FieldKind::Real:
        return RealValue(field.key, value.real);
    }
    return std::string();
}

std::unique_ptr<CSwObj> CSwCommand::CreateCopy(const CSwObj* source) const {
    std::unique_ptr<CSwCommand> copy = NewOfSameClass();
    if (source == nullptr)
        return copy;
    if (source->id < 1)
        return nullptr;
    copy->Assign(*source);
    return copy;
}

bool CSwCommand::WriteXmlOf(std::string_view folder, CTextOutput* file,
                            const CSwObj* object) const {
    if (file == nullptr || object == nullptr || object->type != m_commandType)
        return false;
    const auto& command = static_cast<const CSwCommand&>(*object);
    file->Write("<clct>\n");
    WriteBaseLines(file, &command);
    for (std::size_t slot = 0; slot < m_fields.size(); ++slot) {
        if (m_fields[slot].omittedAtDefault &&
            command.m_values[slot].integer == m_fields[slot].defaultInteger)
            continue;
        WriteValueLine(file, command.FieldElement(slot, folder));
    }
    file->Write("</clct>\n");
    return true;
}

void CSwCommand::WriteLine(CTextOutput* file, const std::string& line) {
    file->Write(line);
}

std::size_t CSwCommand::SlotOf(std::string_view key) const {
    std::size_t slot = 0;
    while (slot < m_fields.size() && key != m_fields[slot].key)
        ++slot;
    return slot;
}
