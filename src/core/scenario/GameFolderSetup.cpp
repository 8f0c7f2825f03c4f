#include "scenario/GameFolderSetup.h"

#include "model/AssetCopy.h"
#include "model/BuildContext.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextOutput.h"

#include <vector>

namespace {

// The name in `folder` that equals `name` but for letter case, "" for none.
std::string FindIgnoringCase(std::string_view folder, std::string_view name) {
    for (const std::string& present : sw::files::FindFiles(folder, "*")) {
        if (sw::cp932::EqualsIgnoreAsciiCase(present, name))
            return present;
    }
    return {};
}

bool IsConfigName(std::string_view name) {
    for (const char* config : {"config.tjs", "config.~new", "config.bak", "config.tmp"}) {
        if (sw::cp932::EqualsIgnoreAsciiCase(name, config))
            return true;
    }
    return false;
}

class CFolderSetup {
public:
    CFolderSetup(CBuildContext& doc, std::string_view root)
        : m_doc(doc), m_system(sw::paths::Join(root, "system")), m_root(root) {}

    // The engine would read either spelling, so a name present in another
    // letter case counts as present.
    // `folder` is "system" or "" below the game folder. A link in the
    // game folder is never written through.
    void CopyIfMissing(const std::string& source, const std::string& folder,
                       const std::string& name) {
        const std::string absolute = folder.empty() ? m_root : m_system;
        if (!FindIgnoringCase(absolute, name).empty() ||
            sw::files::IsLink(sw::paths::Join(absolute, name)))
            return;
        const std::string target = sw::paths::Join(absolute, name);
        std::string refused;
        if (sw::files::CopyBelowRoot(source, m_root, folder.empty() ? name : folder + "/" + name,
                                     &refused)) {
            m_doc.PostLogLine(SwLog::Ok,
                              sw::Format("%s を %s にコピー。", source.c_str(), target.c_str()));
        } else {
            m_doc.PostLogLine(SwLog::Error, refused.empty()
                                                ? sw::Format("%s のコピーに失敗。", source.c_str())
                                                : LinkOutOfRootMessage(refused));
        }
    }

    void CopyTemplate(const std::string& system, const std::string& startup) {
        for (const std::string& name : sw::files::FindFiles(system, "*")) {
            if (!IsConfigName(name))
                CopyIfMissing(sw::paths::Join(system, name), "system", name);
        }
        if (sw::files::FileExists(startup))
            CopyIfMissing(startup, "", "startup.tjs");
        if (!FindEngineConfig(m_root).empty())
            return;
        // The engine merges a Config.~new into Config.tjs at start-up; the
        // newer one is what the template means.
        for (const char* name : {"Config.~new", "Config.tjs"}) {
            const std::string found = FindIgnoringCase(system, name);
            if (!found.empty())
                return CopyIfMissing(sw::paths::Join(system, found), "system", "config.tjs");
        }
    }

    void WriteExampleConfig() {
        if (!FindEngineConfig(m_root).empty())
            return;
        const std::string target = sw::paths::Join(m_system, "config.tjs");
        std::string refused;
        if (sw::files::WriteBelowRoot(m_root, "system/config.tjs", ExampleEngineConfig(), true,
                                      &refused))
            m_doc.PostLogLine(SwLog::Ok,
                              sw::Format("付属の設定ファイルを %s に書きました。", target.c_str()));
        else if (!refused.empty())
            m_doc.PostLogLine(SwLog::Error, LinkOutOfRootMessage(refused));
    }

private:
    CBuildContext& m_doc;
    std::string m_system;
    std::string m_root;
};

} // namespace

std::string FindEngineConfig(std::string_view root) {
    const std::string system = sw::paths::Join(root, "system");
    const std::string name = FindIgnoringCase(system, "config.tjs");
    return name.empty() ? std::string() : sw::paths::Join(system, name);
}

std::string FindPendingConfigMerge(std::string_view root) {
    const std::string system = sw::paths::Join(root, "system");
    const std::string name = FindIgnoringCase(system, "config.~new");
    return name.empty() ? std::string() : sw::paths::Join(system, name);
}

bool SetUpGameFolder(CBuildContext& doc, std::string_view root, std::string_view templateFolder) {
    sw::files::CreateDirectories(sw::paths::Join(root, "system"));
    CFolderSetup setup(doc, root);
    if (!templateFolder.empty()) {
        const std::string nested = sw::paths::Join(templateFolder, "system");
        if (sw::files::DirectoryExists(nested)) {
            setup.CopyTemplate(nested, sw::paths::Join(templateFolder, "startup.tjs"));
        } else if (!FindIgnoringCase(templateFolder, "config.tjs").empty() ||
                   !FindIgnoringCase(templateFolder, "config.~new").empty()) {
            // The system folder itself was named: startup.tjs lies above it.
            setup.CopyTemplate(std::string(templateFolder),
                               sw::paths::Join(templateFolder, "../startup.tjs"));
        } else {
            doc.PostLogLine(SwLog::Warning,
                            sw::Format("吉里吉里のテンプレート %s に system フォルダがありません。",
                                       std::string(templateFolder).c_str()));
        }
    }
    setup.WriteExampleConfig();
    if (FindEngineConfig(root).empty()) {
        doc.PostLogLine(SwLog::Error,
                        sw::Format("%s に設定ファイル config.tjs を用意できませんでした。",
                                   sw::paths::Join(root, "system").c_str()));
        return false;
    }
    if (FindIgnoringCase(root, "startup.tjs").empty())
        doc.PostLogLine(
            SwLog::Warning,
            sw::Format("%s に startup.tjs がありません。KAG3 のシステムスクリプトは吉里吉里の"
                       "テンプレートフォルダから用意して下さい（オプション → 設定、"
                       "または build --init-from）。",
                       std::string(root).c_str()));
    return true;
}
