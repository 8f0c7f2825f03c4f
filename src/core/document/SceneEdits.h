#pragma once

// Editing a scene's own fields: each change is one edit of the history, and
// the same field edited again right after merges into it.

#include <string>
#include <string_view>

class CScenewrightDoc;
class CSwScene;

namespace sw::scenes {

enum class Text { Title, Exp, ExpCond, ExpMyCond, OnEnter, OnLeave, Hint, MapImage, Layer };
enum class Flag { ClearMsg, RecordableLabel, Procedure, ClickFreeMapImage };

const std::string& TextOf(const CSwScene& scene, Text field);
bool FlagOf(const CSwScene& scene, Flag field);

// False, with nothing changed, when the field holds the value already.
bool SetText(CScenewrightDoc& doc, CSwScene& scene, Text field, std::string_view value);
// False, with nothing changed, when the flag is set so already or may not
// change: only a top scene may be a procedure (which takes its save points
// away when turned off), and labels of a procedure tree are no save points.
bool SetFlag(CScenewrightDoc& doc, CSwScene& scene, Flag field, bool on);
// The scene a link scene stands for. Refused (with the message for the
// author) for no scene, the link scene itself and another link scene;
// false without a message when it links there already.
bool SetLinkTarget(CScenewrightDoc& doc, CSwScene& scene, CSwScene* target, std::string& refusal);

} // namespace sw::scenes
