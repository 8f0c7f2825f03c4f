#pragma once

#include "document/ScenewrightDoc.h"

#include <string>
#include <string_view>
#include <vector>

// Records the lines a document posts to its build log.
class CollectingLog : public ILogSink {
public:
    void OnLogLine(SwLog, std::string_view line) override { lines.emplace_back(line); }
    // Lines that begin with `prefix`, such as "ok: ".
    int CountOf(std::string_view prefix) const {
        int count = 0;
        for (const std::string& line : lines)
            count += line.starts_with(prefix) ? 1 : 0;
        return count;
    }
    std::vector<std::string> lines;
};

// Records what a document told its views.
class UpdateRecorder : public IScenewrightView {
public:
    void OnDocumentUpdate(CScenewrightDoc&, const SwUpdate& update) override {
        updates.push_back(update);
    }
    std::vector<SwChange> Changes() const {
        std::vector<SwChange> changes;
        for (const SwUpdate& update : updates)
            changes.push_back(update.change);
        return changes;
    }
    std::vector<SwUpdate> updates;
};
