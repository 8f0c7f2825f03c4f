#include "document/LogLine.h"

#include "document/DocumentHints.h"
#include "document/ScenewrightDoc.h"
#include "platform/TextOutput.h"

std::string LogLineForHint(const CScenewrightDoc& doc, int hint) {
    const std::string& pending = doc.GetPendingMessage();
    const CSwScene* current = doc.GetCurrentScene();
    switch (hint) {
    case SwHint::Reset:
        return "ドキュメントを初期化しました。";
    case SwHint::Opened:
        return pending.empty() ? "ドキュメントを開きました。" : pending;
    case SwHint::SceneAdded:
        return current ? sw::Format("Add:%d", current->id) : std::string();
    case SwHint::SelectionChanged:
        return current ? sw::Format("Select:%d", current->id) : "Unselected:";
    case SwHint::BuildFinished:
        return "-----ビルド終了-----";
    case SwHint::LogPlain:
        return pending;
    case SwHint::LogOk:
        return "ok: " + pending;
    case SwHint::LogError:
        return "error: " + pending;
    case SwHint::LogWarning:
        return "warning: " + pending;
    }
    return std::string();
}

LogLineKind LogLineKindForHint(int hint) {
    switch (hint) {
    case SwHint::LogOk:
        return LogLineKind::Ok;
    case SwHint::LogError:
        return LogLineKind::Error;
    case SwHint::LogWarning:
        return LogLineKind::Warning;
    }
    return LogLineKind::Plain;
}
