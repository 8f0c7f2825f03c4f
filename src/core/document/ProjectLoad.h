#pragma once

// An open that reads the project file on another thread: Run reads it into a
// document of its own, keeping the log lines the read posted, and touches
// nothing else; Deliver, on the editor's thread, makes that project the
// editor's and passes the lines on to its log.

#include "document/ScenewrightDoc.h"

#include <atomic>
#include <string>
#include <utility>
#include <vector>

class CProjectLoad : private ILogSink {
public:
    explicit CProjectLoad(std::string path);
    ~CProjectLoad() override;

    void Run();
    // False, with the lines still passed on, when the file was not read.
    bool Deliver(CScenewrightDoc& target);

    // Scenes read so far, and in the file (0 until the file is read in).
    int ScenesRead() const { return m_done; }
    int ScenesInFile() const { return m_total; }

private:
    void OnLogLine(SwLog kind, std::string_view line) override;

    std::string m_path;
    CScenewrightDoc m_doc;
    std::vector<std::pair<SwLog, std::string>> m_lines;
    std::atomic<int> m_done{0};
    std::atomic<int> m_total{0};
    bool m_read = false;
};
