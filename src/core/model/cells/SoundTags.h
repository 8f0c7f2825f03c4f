#pragma once

// The engine's play and stop tags for background music ("bgm") and sound
// effect buffers ("se"), shared by the music, sound effect and voice cells.

#include <cstdint>
#include <string>
#include <string_view>

class CBuildContext;
class CTextOutput;

// " buf=N": the attribute that names a sound effect buffer.
std::string BufferAttribute(std::int32_t bufno);

struct SoundStart {
    const char* kind;   // "bgm" or "se"
    std::string buffer; // "" or a BufferAttribute
    bool loop = false;
    bool fadeIn = false;
    std::int32_t time = 0; // of the fade-in
};

// The media copy step for `path`, then "[play<kind> ...]" or, fading in,
// "[fadein<kind> ... time=N]" for the copy. False when the copy failed; an
// empty path only warns and writes nothing.
bool CopyAndPlay(CTextOutput* file, CBuildContext* doc, std::string_view path,
                 std::string_view mediaWord, std::string_view subFolder, const SoundStart& start);

// "[stop<kind>]" or "[fadeout<kind> time=N]"; the engine cannot fade out in no
// time, so a time below 1 is written as 1.
void WriteStopTag(CTextOutput* file, const char* kind, const std::string& buffer, bool fadeOut,
                  std::int32_t time);
