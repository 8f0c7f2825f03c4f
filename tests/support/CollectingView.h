#pragma once

#include "document/LogLine.h"
#include "document/ScenewrightDoc.h"

#include <string>
#include <string_view>
#include <vector>

// Records the log lines a document's hints print.
class CollectingLog : public IScenewrightView {
public:
    void OnDocumentUpdate(CScenewrightDoc* doc, int hint) override {
        std::string line = LogLineForHint(*doc, hint);
        if (!line.empty())
            lines.push_back(std::move(line));
    }
    // Lines that begin with `prefix`, such as "ok: ".
    int CountOf(std::string_view prefix) const {
        int count = 0;
        for (const std::string& line : lines)
            count += line.starts_with(prefix) ? 1 : 0;
        return count;
    }
    std::vector<std::string> lines;
};
