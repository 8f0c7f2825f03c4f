#include "model/SwSettings.h"

#include "format/ProjectFile.h"
#include "format/XmlNode.h"
#include "model/BuildContext.h"
#include "model/Values.h"
#include "model/cells/CreateObject.h"
#include "model/cells/SwCharacter.h"
#include "platform/Cp932.h"
#include "platform/TextOutput.h"

#include <algorithm>

namespace {

namespace Key {
constexpr int Encrypt = 31, SaveWithImage = 32, Height = 33, Width = 34, LayCount = 35,
              MsgLayCount = 36, SavePrefix = 37, SaveLocation = 38, FreeSave = 39, Name = 40,
              Root = 41, BgmType = 42, DefLinkCol = 43, HtVertical = 44, HtStoreState = 45,
              HtMaxPages = 46, HtMaxLines = 47, BackCg = 48, ForeCg = 49, OtherCg = 50, RuleCg = 51,
              Bgm = 52, Se = 53, Movie = 54;
}

const SwKeyEntry kSettingsKeys[] = {
    {"height", Key::Height},
    {"width", Key::Width},
    {"laycount", Key::LayCount},
    {"msglaycount", Key::MsgLayCount},
    {"freesave", Key::FreeSave},
    {"encrypt", Key::Encrypt},
    {"savewidhimage", Key::SaveWithImage},
    {"savelocation", Key::SaveLocation},
    {"saveprefix", Key::SavePrefix},
    {"name", Key::Name},
    {"root", Key::Root},
    {"bgmtype", Key::BgmType},
    {"deflinkcol", Key::DefLinkCol},
    {"htvertivalview", Key::HtVertical},
    {"htstorestate", Key::HtStoreState},
    {"htmaxpages", Key::HtMaxPages},
    {"htmaxlines", Key::HtMaxLines},
    {"backcg", Key::BackCg},
    {"forecg", Key::ForeCg},
    {"othercg", Key::OtherCg},
    {"rulecg", Key::RuleCg},
    {"bgm", Key::Bgm},
    {"se", Key::Se},
    {"movie", Key::Movie},
    {"clct", SwKey::Clct},
    {nullptr, 1},
};

// The media lists in the order they are written.
struct MediaList {
    const char* key;
    std::vector<std::string> CSwSettings::*list;
};
const MediaList kMediaLists[] = {
    {"backcg", &CSwSettings::backcg},   {"forecg", &CSwSettings::forecg},
    {"othercg", &CSwSettings::othercg}, {"rulecg", &CSwSettings::rulecg},
    {"bgm", &CSwSettings::bgm},         {"se", &CSwSettings::se},
    {"movie", &CSwSettings::movie},
};

std::vector<std::string> CSwSettings::*MediaListOf(int key) {
    switch (key) {
    case Key::BackCg:
        return &CSwSettings::backcg;
    case Key::ForeCg:
        return &CSwSettings::forecg;
    case Key::OtherCg:
        return &CSwSettings::othercg;
    case Key::RuleCg:
        return &CSwSettings::rulecg;
    case Key::Bgm:
        return &CSwSettings::bgm;
    case Key::Se:
        return &CSwSettings::se;
    case Key::Movie:
        return &CSwSettings::movie;
    }
    return nullptr;
}

} // namespace

CSwSettings::CSwSettings() {
    Reset();
}
CSwSettings::~CSwSettings() = default;

void CSwSettings::Reset() {
    ResetBase();
    type = SwType::Settings;
    height = 480;
    width = 640;
    laycount = 3;
    msglaycount = 2;
    encrypt = savewidhimage = freesave = 0;
    savelocation = "savedata";
    saveprefix.clear();
    name.clear();
    root.clear();
    bgmtype = 0;
    deflinkcol = 0x00FF8000;
    htvertivalview = htstorestate = 0;
    htmaxpages = 100;
    htmaxlines = 2000;
    for (const MediaList& media : kMediaLists)
        (this->*media.list).clear();
    RemoveAllCharacters();
    characters.clear();
}

void CSwSettings::Assign(const CSwObj& sourceObject) {
    if (sourceObject.type != SwType::Settings)
        return;
    const auto& source = static_cast<const CSwSettings&>(sourceObject);
    if (&source == this)
        return;
    height = source.height;
    width = source.width;
    laycount = source.laycount;
    msglaycount = source.msglaycount;
    encrypt = source.encrypt;
    savewidhimage = source.savewidhimage;
    freesave = source.freesave;
    savelocation = source.savelocation;
    saveprefix = source.saveprefix;
    name = source.name;
    root = source.root;
    bgmtype = source.bgmtype;
    deflinkcol = source.deflinkcol;
    htvertivalview = source.htvertivalview;
    htstorestate = source.htstorestate;
    htmaxpages = source.htmaxpages;
    htmaxlines = source.htmaxlines;
    for (const MediaList& media : kMediaLists)
        this->*media.list = source.*media.list;
    // The copies keep their ids and comments: reading a project goes through
    // this copy, and a file read and written again must not change.
    characters.clear();
    for (const auto& character : source.characters) {
        std::unique_ptr<CSwObj> copy = character->Clone();
        copy->CopyBaseFrom(*character);
        characters.push_back(std::move(copy));
    }
}

std::unique_ptr<CSwObj> CSwSettings::Clone() const {
    auto copy = std::make_unique<CSwSettings>();
    copy->Assign(*this);
    return copy;
}

int CSwSettings::FindKey(std::string_view keyName) const {
    return FindKeyIn(kSettingsKeys, keyName);
}

CSwObj* CSwSettings::SetAttribute(const CXmlNode& node, std::string_view folder,
                                  CSwObj* targetObject, const std::string& keyName,
                                  const std::string& text) const {
    if (CSwObj* known = CSwObj::SetAttribute(node, folder, targetObject, keyName, text))
        return known;
    const int key = FindKey(keyName);
    if (key == SwKey::Unknown || targetObject == nullptr || targetObject->type != SwType::Settings)
        return nullptr;
    auto* target = static_cast<CSwSettings*>(targetObject);
    if (auto list = MediaListOf(key)) {
        (target->*list).push_back(sw::TrimQuotes(text));
        return target;
    }
    switch (key) {
    case Key::Height:
        target->height = sw::ParseInteger(text);
        break;
    case Key::Width:
        target->width = sw::ParseInteger(text);
        break;
    case Key::LayCount:
        target->laycount = sw::ParseInteger(text);
        break;
    case Key::MsgLayCount:
        target->msglaycount = sw::ParseInteger(text);
        break;
    case Key::BgmType:
        target->bgmtype = sw::ParseInteger(text);
        break;
    case Key::HtStoreState:
        target->htstorestate = sw::ParseInteger(text);
        break;
    case Key::HtMaxPages:
        target->htmaxpages = sw::ParseInteger(text);
        break;
    case Key::HtMaxLines:
        target->htmaxlines = sw::ParseInteger(text);
        break;
    case Key::Encrypt:
        target->encrypt = sw::ParseFlag(text);
        break;
    case Key::SaveWithImage:
        target->savewidhimage = sw::ParseFlag(text);
        break;
    case Key::FreeSave:
        target->freesave = sw::ParseFlag(text);
        break;
    case Key::HtVertical:
        target->htvertivalview = sw::ParseFlag(text);
        break;
    case Key::SaveLocation:
        target->savelocation = sw::TrimQuotes(text);
        break;
    case Key::SavePrefix:
        target->saveprefix = sw::TrimQuotes(text);
        break;
    case Key::Name:
        target->name = sw::TrimQuotes(text);
        break;
    case Key::Root:
        target->root = MakeAbsolutePath(sw::TrimQuotes(text), std::string(folder));
        break;
    case Key::DefLinkCol:
        target->deflinkcol = sw::SwapRedBlue(sw::ParseInteger(text));
        break;
    case SwKey::Clct:
        if (auto character = ReadCellElement(node, folder))
            target->AddCharacter(std::move(character));
        break;
    }
    return target;
}

std::unique_ptr<CSwObj> CSwSettings::CreateCopy(const CSwObj* source) const {
    return CopyOrFresh<CSwSettings>(
        source, [](CSwSettings& copy, const CSwObj& from) { copy.Assign(from); });
}

bool CSwSettings::WriteXmlOf(std::string_view folder, CTextOutput* file,
                             const CSwObj* object) const {
    if (file == nullptr || object == nullptr || object->type != SwType::Settings)
        return false;
    const auto& settings = static_cast<const CSwSettings&>(*object);
    file->Write("<SwObject>\n");
    WriteBaseLines(file, &settings);
    auto asUnsigned = [](std::int32_t value) { return static_cast<std::uint32_t>(value); };
    WriteValueLine(file, UnsignedValue("height", asUnsigned(settings.height)));
    WriteValueLine(file, UnsignedValue("width", asUnsigned(settings.width)));
    WriteValueLine(file, UnsignedValue("laycount", asUnsigned(settings.laycount)));
    WriteValueLine(file, UnsignedValue("msglaycount", asUnsigned(settings.msglaycount)));
    WriteValueLine(file, IntegerValue("encrypt", settings.encrypt));
    WriteValueLine(file, IntegerValue("savewidhimage", settings.savewidhimage));
    WriteValueLine(file, IntegerValue("freesave", settings.freesave));
    WriteValueLine(file, TextValue("savelocation", settings.savelocation));
    WriteValueLine(file, TextValue("saveprefix", settings.saveprefix));
    WriteValueLine(file, TextValue("name", settings.name));
    WriteValueLine(file, PathValue("root", settings.root, folder));
    WriteValueLine(file, UnsignedValue("bgmtype", asUnsigned(settings.bgmtype)));
    WriteValueLine(file, HexValue("deflinkcol", asUnsigned(sw::SwapRedBlue(settings.deflinkcol))));
    WriteValueLine(file, IntegerValue("htvertivalview", settings.htvertivalview));
    WriteValueLine(file, IntegerValue("htstorestate", settings.htstorestate));
    WriteValueLine(file, IntegerValue("htmaxpages", settings.htmaxpages));
    WriteValueLine(file, IntegerValue("htmaxlines", settings.htmaxlines));
    for (const MediaList& media : kMediaLists) {
        for (const std::string& entry : settings.*media.list)
            WriteValueLine(file, TextValue(media.key, entry));
    }
    for (const auto& character : settings.characters)
        character->WriteXml(folder, file);
    file->Write("</SwObject>\n");
    return true;
}

bool CSwSettings::Build(CTextOutput* file, CBuildContext*) {
    return file != nullptr && type == SwType::Settings;
}

int CSwSettings::GetCharacterCount() const {
    return static_cast<int>(std::count_if(characters.begin(), characters.end(), [](const auto& c) {
        return c->type == SwType::Character;
    }));
}

CSwCharacter* CSwSettings::GetCharacterAt(int n) const {
    if (n < 0)
        return nullptr;
    for (const auto& character : characters) {
        if (character->type == SwType::Character && n-- == 0)
            return static_cast<CSwCharacter*>(character.get());
    }
    return nullptr;
}

int CSwSettings::AddCharacter(std::unique_ptr<CSwObj> character) {
    if (!character)
        return -1;
    characters.push_back(std::move(character));
    return static_cast<int>(characters.size()) - 1;
}

void CSwSettings::RemoveAllCharacters() {
    for (auto it = characters.size(); it-- > 0;) {
        if (characters[it]->type == SwType::Character)
            characters.erase(characters.begin() + static_cast<std::ptrdiff_t>(it));
    }
}

bool CSwSettings::AddBackgroundPath(std::string_view path) {
    return AddMediaPath(0, path);
}

bool CSwSettings::RemoveBackgroundPath(std::string_view path) {
    return RemoveMediaPath(0, path);
}

std::vector<std::string>* CSwSettings::MediaPaths(int index) {
    std::vector<std::string>* lists[kMediaListCount] = {&backcg, &forecg, &othercg, &rulecg,
                                                        &bgm,    &se,     &movie};
    return index >= 0 && index < kMediaListCount ? lists[index] : nullptr;
}

const std::vector<std::string>* CSwSettings::MediaPaths(int index) const {
    return const_cast<CSwSettings*>(this)->MediaPaths(index);
}

bool CSwSettings::AddMediaPath(int index, std::string_view path) {
    std::vector<std::string>* list = MediaPaths(index);
    if (list == nullptr || path.empty())
        return false;
    for (const std::string& entry : *list) {
        if (sw::cp932::EqualsIgnoreAsciiCase(entry, path))
            return false;
    }
    list->emplace_back(path);
    return true;
}

bool CSwSettings::RemoveMediaPath(int index, std::string_view path) {
    std::vector<std::string>* list = MediaPaths(index);
    if (list == nullptr)
        return false;
    auto it = std::find_if(list->begin(), list->end(), [&](const std::string& entry) {
        return sw::cp932::EqualsIgnoreAsciiCase(entry, path);
    });
    if (it == list->end())
        return false;
    list->erase(it);
    return true;
}
