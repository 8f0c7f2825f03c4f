#pragma once

// The particle effect cell (125). The engine has no such effect, so the cell
// generates a KAG scenario file of its own, "pplg_<class name>.ks", with the
// effect's TJS classes and its start, stop and option macros; the scene only
// calls that file, and the author starts the effect with the macros.

#include "model/cells/SwCommand.h"

class CSwParticle : public CSwCommandOf<CSwParticle> {
public:
    // In the order of the project-file record.
    enum Slot : std::size_t {
        kParentLayer,
        kClassName,
        kImage, // path prefix of the images <prefix>_0.*, <prefix>_1.*, ...
        kXVeloMin,
        kXVeloMax,
        kYVeloMin,
        kYVeloMax,
        kXAccelMin,
        kXAccelMax,
        kYAccelMin,
        kYAccelMax,
        kExpStartX,
        kExpStartY,
        kExpXVelo,
        kExpYVelo,
        kExpXAccel,
        kExpYAccel,
        kExpXModAccel,
        kExpYModAccel,
        kLeft,
        kTop,
        kWidth,
        kHeight,
        kCount, // kinds of particle image
        kInterval,
        kParticleNum,
        kAbsolute,
        kResetTop,
        kResetBottom,
        kResetLeft,
        kResetRight,
        kAnimation,
        kAnimeSegX,
        kAnimeInterval,
    };
    CSwParticle();
    bool Build(CTextOutput* file, CBuildContext* doc) override;

    // The settings the property dialog offers as a starting point: snow,
    // rain and rising bubbles, each in three strengths.
    static constexpr int kPresetCount = 9;
    // Null outside 0 to kPresetCount - 1.
    static const char* PresetName(int index);
    // Fills the fields a preset sets and keeps the others; false (and
    // nothing changed) for an index outside the list.
    bool ApplyPreset(int index);

private:
    // Posts the error, sets the build status `status` and fails the step.
    bool Refuse(CBuildContext* doc, std::string_view message, std::int32_t status) const;
    bool WritePluginFile(CBuildContext* doc) const;
    bool CopyImages(CBuildContext* doc) const;
};
