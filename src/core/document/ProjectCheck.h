#pragma once

// The project check: faults that the build passes over or that only show
// when the game is played (a link without a target, a missing picture, a
// message line the engine reads as a label, a scene nothing leads to).

#include <cstdint>
#include <string>
#include <vector>

class CScenewrightDoc;

enum class CheckKind { Error, Warning, Note };

struct CheckFinding {
    CheckKind kind = CheckKind::Error;
    std::int32_t sceneId = 0; // 0 for the project as a whole
    int cell = -1;            // position in the scene's cell list; -1 for the scene itself
    std::string message;      // CP932
};

// Findings scene by scene in the order of the scene array, then those of the
// project as a whole.
std::vector<CheckFinding> CheckProject(const CScenewrightDoc& doc);

bool HasErrorFinding(const std::vector<CheckFinding>& findings);
// "error", "warning", "note".
const char* CheckKindName(CheckKind kind);

// "error: シーン番号3 セル2: ..." (CP932), as the build log writes its lines.
std::string FindingLine(const CheckFinding& finding);
// Each finding as one build-log line of its kind (notes as plain lines),
// reading as FindingLine does.
void PostFindings(CScenewrightDoc& doc, const std::vector<CheckFinding>& findings);
// The findings as a JSON array of objects with kind, scene, cell and
// message, in UTF-8.
std::string FindingsJson(const std::vector<CheckFinding>& findings);
