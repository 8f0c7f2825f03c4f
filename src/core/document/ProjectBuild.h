#pragma once

// The build of the document's project into its game folder.

class CScenewrightDoc;
class CTextOutput;
class IBuildProgress;

// Returns false when the build failed; the document's build status says why.
// `checkFirst` logs the findings of the project check before the build
// starts; they do not stop it.
// With `scenario` given, the text of first.ks goes there instead of the file.
bool BuildProject(CScenewrightDoc& doc, IBuildProgress* progress = nullptr, bool checkFirst = false,
                  CTextOutput* scenario = nullptr);
