#pragma once

// The message and dialogue texts of a project as a UTF-8 TSV table, for
// proofreading and translation outside the tool, and the way back in.

#include <string>
#include <string_view>
#include <vector>

class CScenewrightDoc;

// A header row, then one row per message or dialogue cell in scene array
// order: key "scene:cell", kind, speaker, comment and text. Tabs, line ends
// and backslashes in a field are written \t, \n, \r and \\.
std::string ExportTexts(const CScenewrightDoc& doc);

struct TextImportResult {
    int changed = 0;
    // "row N: reason" (CP932) for each row left out.
    std::vector<std::string> refused;
};
// Takes the text of every row whose key still names a cell of the same kind
// and speaker; a text equal to what the export writes leaves its cell alone.
TextImportResult ImportTexts(CScenewrightDoc& doc, std::string_view tsv);
