#pragma once

// The engine's play and stop tags for background music ("bgm") and sound
// effect buffers ("se"), shared by the music, sound effect and voice cells.

#include <cstdint>
#include <string>
#include <string_view>

class CTextOutput;

// " buf=N": the attribute that names a sound effect buffer.
std::string BufferAttribute(std::int32_t bufno);

// "[play<kind> ...]" or, fading in, "[fadein<kind> ... time=N]"; `fileName`
// is the copied file's name, escaped here for its quoted attribute.
void WritePlayTag(CTextOutput* file, const char* kind, std::string_view fileName,
                  const std::string& buffer, bool loop, bool fadeIn, std::int32_t time);

// "[stop<kind>]" or "[fadeout<kind> time=N]"; the engine cannot fade in no
// time, so a time below 1 is written as 1.
void WriteStopTag(CTextOutput* file, const char* kind, const std::string& buffer, bool fadeOut,
                  std::int32_t time);
