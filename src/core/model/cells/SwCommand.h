#pragma once

// The shared shape of every cell type. A type describes its own fields in a
// table (key, kind, default); reading, writing, copying and resetting are
// done here once from that table, so a type adds only its fields and its
// build step.

#include "model/AssetCopy.h"
#include "model/SwObj.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class FieldKind {
    Text,
    Integer,
    Flag,
    Choice,
    Colour,        // 0x00BBGGRR in memory, hexadecimal 0xRRGGBB in the file
    DecimalColour, // the same colour, written in decimal
    FilePath,      // absolute in memory, relative to the project file on disk
    Real,
    Unsigned,
};

struct CommandField {
    const char* key;
    FieldKind kind;
    std::int32_t defaultInteger = 0;
    const char* defaultText = "";
    double defaultReal = 0.0;
    // Left out of the project file while it holds its default, so that
    // files written before the field existed are written the same.
    bool omittedAtDefault = false;
};

class CSwCommand : public CSwObj {
public:
    CSwCommand(std::int32_t commandType, std::span<const CommandField> fields);

    // Every cell reports the base class's name; the type tells them apart.
    const char* RuntimeClassName() const override { return "CSwObj"; }
    std::unique_ptr<CSwObj> Clone() const override;
    int FindKey(std::string_view name) const override;
    CSwObj* SetAttribute(const CXmlNode& node, std::string_view folder, CSwObj* target,
                         const std::string& name, const std::string& text) const override;
    std::unique_ptr<CSwObj> CreateCopy(const CSwObj* source) const override;
    bool WriteXmlOf(std::string_view folder, CTextOutput* file,
                    const CSwObj* object) const override;

    void Reset();
    // The base fields, then the own fields when `source` is of this type.
    void Assign(const CSwObj& source);
    std::int32_t CommandType() const { return m_commandType; }
    std::span<const CommandField> Fields() const { return m_fields; }

    // Field values by slot, the index into the type's field table.
    // The slot of a field by its project-file key; Fields().size() when none.
    std::size_t SlotOf(std::string_view key) const;
    std::int32_t Integer(std::size_t slot) const { return m_values[slot].integer; }
    const std::string& Text(std::size_t slot) const { return m_values[slot].text; }
    double Real(std::size_t slot) const { return m_values[slot].real; }
    void SetInteger(std::size_t slot, std::int32_t value) { m_values[slot].integer = value; }
    void SetText(std::size_t slot, std::string_view value) { m_values[slot].text = value; }
    void SetReal(std::size_t slot, double value) { m_values[slot].real = value; }

    struct FieldValue {
        std::int32_t integer = 0;
        double real = 0.0;
        std::string text;
        bool operator==(const FieldValue&) const = default;
    };
    // Every own field and the comment as one whole, for edits that record a
    // cell's state before and after.
    struct ValueSet {
        std::vector<FieldValue> values;
        std::string comment;
        std::size_t Bytes() const;
    };
    ValueSet SaveValues() const { return ValueSet{m_values, comment}; }
    void RestoreValues(const ValueSet& saved);
    // Takes the own fields of `source`, a cell of this type; the comment stays.
    void TakeValuesOf(const CSwCommand& source);

protected:
    virtual std::unique_ptr<CSwCommand> NewOfSameClass() const = 0;

    // The media copy step with its log lines (build/AssetCopy.h).
    using MediaCopy = ::MediaCopy;
    static MediaCopy CopyMedia(CBuildContext* doc, std::string_view path,
                               std::string_view mediaWord, std::string_view subFolder,
                               bool emptyIsFailure = false) {
        return ::CopyMedia(doc, path, mediaWord, subFolder, emptyIsFailure);
    }

    static const char* KagBool(bool value) { return value ? "true" : "false"; }
    // Writes the line for each page a page choice names (0 fore, 1 back, any
    // other value both, back first); `lineFor` gets "fore" or "back".
    template <typename LineFor>
    static void WriteOnPages(CTextOutput* file, std::int32_t surface, LineFor lineFor) {
        if (surface != 0)
            WriteLine(file, lineFor("back"));
        if (surface != 1)
            WriteLine(file, lineFor("fore"));
    }

private:
    static void WriteLine(CTextOutput* file, const std::string& line);
    void ReadField(std::size_t slot, const std::string& text, std::string_view folder);
    std::string FieldElement(std::size_t slot, std::string_view folder) const;

    std::int32_t m_commandType;
    std::span<const CommandField> m_fields;
    std::vector<FieldValue> m_values;
};

// Gives a cell class its factory for copies.
template <typename Derived> class CSwCommandOf : public CSwCommand {
public:
    using CSwCommand::CSwCommand;

protected:
    std::unique_ptr<CSwCommand> NewOfSameClass() const override {
        return std::make_unique<Derived>();
    }
};
