#pragma once

// The project's one settings object: screen, layers, save data, history,
// the project folder, the media lists and the character definitions.

#include "model/SwObj.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CSwCharacter;

class CSwSettings : public CSwObj {
public:
    CSwSettings();
    ~CSwSettings() override;

    std::unique_ptr<CSwObj> Clone() const override;
    int FindKey(std::string_view name) const override;
    CSwObj* SetAttribute(const CXmlNode& node, std::string_view folder, CSwObj* target,
                         const std::string& name, const std::string& text) const override;
    std::unique_ptr<CSwObj> CreateCopy(const CSwObj* source) const override;
    bool WriteXmlOf(std::string_view folder, CTextOutput* file,
                    const CSwObj* object) const override;
    bool Build(CTextOutput* file, CBuildContext* doc) override;

    void Reset();
    // Takes every own field of `source` when it is a settings object.
    void Assign(const CSwObj& source);

    int GetCharacterCount() const;
    CSwCharacter* GetCharacterAt(int n) const;
    int AddCharacter(std::unique_ptr<CSwObj> character);
    void RemoveAllCharacters();

    bool AddBackgroundPath(std::string_view path);
    bool RemoveBackgroundPath(std::string_view path);
    // The seven media lists: backcg, forecg, othercg, rulecg, bgm, se, movie.
    static constexpr int kMediaListCount = 7;
    std::vector<std::string>* MediaPaths(int index);
    const std::vector<std::string>* MediaPaths(int index) const;
    // Adds `path` to list `index` unless it is there already (letter case
    // aside); removes it. False when nothing changed.
    bool AddMediaPath(int index, std::string_view path);
    bool RemoveMediaPath(int index, std::string_view path);

    std::int32_t height;
    std::int32_t width;
    std::int32_t laycount;
    std::int32_t msglaycount;
    std::int32_t encrypt;
    std::int32_t savewidhimage;
    std::int32_t freesave;
    std::string savelocation;
    std::string saveprefix;
    std::string name;
    std::string root;
    std::int32_t bgmtype;
    std::int32_t deflinkcol; // 0x00BBGGRR
    std::int32_t htvertivalview;
    std::int32_t htstorestate;
    std::int32_t htmaxpages;
    std::int32_t htmaxlines;
    std::vector<std::string> backcg;
    std::vector<std::string> forecg;
    std::vector<std::string> othercg;
    std::vector<std::string> rulecg;
    std::vector<std::string> bgm;
    std::vector<std::string> se;
    std::vector<std::string> movie;
    std::vector<std::unique_ptr<CSwObj>> characters;
};
