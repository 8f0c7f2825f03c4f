#pragma once

// The KAG scenario file a particle cell generates: a particle class, a
// KAGPlugin subclass that owns and moves the particles, its global object
// and the init, uninit and opt macros, all named after the class name.

#include <span>
#include <string>
#include <string_view>

class CSwParticle;

// The class name becomes a file name and the stem of TJS and macro names:
// ASCII letters, digits and '_', not beginning with a digit.
bool IsParticleClassName(std::string_view name);

// The name the script loads the images by. The image field is a prefix
// without extension, so its file name is taken whole: "my.snow" loads
// "my.snow_0", as the copy of "my.snow_0.*" provides.
std::string ParticleImageBaseName(std::string_view image);

// The whole file, with "\n" line ends.
std::string ParticleScript(const CSwParticle& cell);

struct ScriptValue {
    std::string_view name;
    std::string value;
};
// `block` with each "${name}" replaced by its value. Values are not scanned
// again, so an author's expression holding "${" stays as typed; a name
// without a value stays as written.
std::string FillPlaceholders(std::string_view block, std::span<const ScriptValue> values);
