#pragma once

#include "document/LogLine.h"
#include "document/ScenewrightDoc.h"

#include <string>
#include <vector>

// Records the log lines a document's hints print.
class CollectingLog : public IScenewrightView {
public:
    void OnDocumentUpdate(CScenewrightDoc* doc, int hint) override {
        std::string line = LogLineForHint(*doc, hint);
        if (!line.empty())
            lines.push_back(std::move(line));
    }
    std::vector<std::string> lines;
};
