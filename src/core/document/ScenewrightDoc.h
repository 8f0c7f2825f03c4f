#pragma once

// The open project: the scene array, the project settings and the editing
// state that the views share. Views learn of every change through updates
// (document/DocumentUpdate.h) and change the project only through edit
// operations (document/ProjectEdit.h and the operations built on it).

#include "document/DocumentUpdate.h"
#include "document/EditHistory.h"
#include "document/EditKinds.h"
#include "document/ProjectPieces.h"
#include "model/BuildContext.h"
#include "model/SwScene.h"
#include "model/SwSettings.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CScenewrightDoc;
class CDocumentEditAccess;

// What the document needs from the application around it.
class IDocumentHost {
public:
    enum class Answer { Yes, No, Cancel };
    virtual ~IDocumentHost() = default;
    virtual void AddToRecentFiles(const std::string& path) = 0;
    // "プロジェクトが変更されています。変更点を保存しますか？"
    virtual Answer AskSaveChanges() = 0;
    // File dialogs; false when cancelled.
    virtual bool ChooseProjectToOpen(std::string& path) = 0;
    virtual bool ChooseProjectToSave(std::string& path) = 0;
    virtual Answer AskYesNo(std::string_view question, std::string_view caption) = 0;
    // A message box with the caption "エラー" and an OK button.
    virtual void ShowError(std::string_view message) = 0;
};

class CScenewrightDoc : public CBuildContext {
public:
    CScenewrightDoc();
    ~CScenewrightDoc();
    CScenewrightDoc(const CScenewrightDoc&) = delete;
    CScenewrightDoc& operator=(const CScenewrightDoc&) = delete;

    void ResetDocument();
    // ResetDocument without freeing the project's objects here: they are
    // handed back, for the caller to free where a large project's many
    // objects cost the editor nothing.
    std::shared_ptr<void> ResetKeepingObjects();

    // Project file (document/ProjectFileIo.cpp).
    bool WriteProjectFile(const char* path);
    bool ReadProjectFile(const char* path);

    // A save whose writing may happen on another thread: PrepareSave takes
    // the text on the document's thread (cheap when few scenes changed
    // since the last save, with the history on); Run writes the file and
    // keeps the backup, touching nothing of the document, so it may run
    // anywhere; FinishSave, back on the document's thread, marks the
    // document saved when the file was written.
    struct SaveJob {
        std::string path;
        ProjectPieces text;
        int backupCount = 0;
        std::uint64_t state = 0;
        std::string previousFilePath;
        bool written = false;
        std::string warning; // a backup that could not be made
        std::string error;   // why nothing was written, when the text is at fault
        void Run();
    };
    SaveJob PrepareSave(const std::string& path);
    bool FinishSave(const SaveJob& job);
    // Takes the text of the project as a save would write it now.
    ProjectPieces TakeProjectPieces();
    // Makes and keeps the text of every scene, so that the next save costs
    // only what changed; for a document no other thread uses yet.
    void KeepProjectText() { m_textCache.Take(*this, true); }

    // Takes another document's project (scenes, settings, file) as this
    // one's, as an open would have read it; `other` is left empty. For an
    // open read on another thread.
    void AdoptProjectFrom(CScenewrightDoc& other);

    // File commands (document/DocumentCommands.cpp).
    enum SaveResult { kSaved = 1, kCancelled = 2, kWriteFailed = 3 };
    int SaveProject(bool saveAs);
    void OnFileNew();
    // Opens `path`, or asks for one when it is empty; false when cancelled
    // or the file could not be read.
    bool OnFileOpen(const std::string& path = std::string());
    // The save question before the project is closed; false when the
    // author cancelled or the save failed.
    bool ConfirmClose(bool saveAs) { return SaveChangesFirst(saveAs); }
    bool CanSave() const { return m_modified && !m_scenes.empty(); }

    // Appends the cells of a scenario text file to the current scene
    // (document/ScenarioImport.cpp); false, with a log line, when nothing
    // was imported.
    bool ImportScenarioText(const char* path);

    // Views and log.
    void AddView(IScenewrightView* view);
    void RemoveView(IScenewrightView* view);
    void Notify(const SwUpdate& update);
    void AddLogSink(ILogSink* sink);
    void RemoveLogSink(ILogSink* sink);
    void PostLogLine(SwLog kind, std::string_view message) override;
    // A line another document printed, passed on as it is.
    void RelayLogLine(SwLog kind, std::string_view line);
    // Counters that a read of a project file (on any thread) keeps up to
    // date: the scenes read so far and the scenes in the file.
    void SetReadProgress(std::atomic<int>* done, std::atomic<int>* total) {
        m_readDone = done;
        m_readTotal = total;
    }
    void SetHost(IDocumentHost* host) { m_host = host; }

    // Scenes.
    const std::vector<std::unique_ptr<CSwScene>>& GetScenes() const { return m_scenes; }
    int GetSceneCount() const override { return static_cast<int>(m_scenes.size()); }
    CSwScene* GetSceneAt(int index) const override;
    // Appends a scene to the end of the scene array; the document owns it.
    CSwScene* AdoptScene(std::unique_ptr<CSwScene> scene);
    // Null for ids below 1.
    CSwScene* FindScene(std::int32_t id) const override;
    CSwScene* GetCurrentScene() const { return m_hasCurrentScene ? m_currentScene : nullptr; }
    bool HasCurrentScene() const { return m_hasCurrentScene; }
    // Marks `scene` (or none) as the current scene and keeps every scene's
    // select field in step; no hint is sent.
    void SetCurrentSceneQuietly(CSwScene* scene);
    CSwScene* GetLastAddedScene() const { return m_lastAddedScene; }
    CSwObj* GetCurrentCell() const { return m_currentCell; }
    void SetCurrentCell(CSwObj* cell) { m_currentCell = cell; }

    // Tree commands (document/SceneTree.cpp). Each marks the document
    // modified and sends its hint.
    enum InsertMode {
        kNewTopLevel = 0,
        kChoiceAsParent = 1,
        kChoiceAsChild = 2,
        kBranchAsParent = 5,
        kBranchAsChild = 6,
        kImageMapAsParent = 9,
        kImageMapAsChild = 10,
        kLinkAsChild = 13,
    };
    // Null for an invalid mode, or when the mode needs a current scene and
    // there is none (or, for a child, the current scene is a link scene).
    CSwScene* AddScene(int mode);
    bool DeleteScene(CSwScene* scene);
    bool CutLink(CSwScene* scene);
    void DeleteAllScenes();
    std::int32_t GetMaxSceneId() const;
    CSwScene* GetFirstTopScene() const;
    // The last child of `parent`, or the last top-level scene for null.
    CSwScene* GetLastChild(const CSwScene* parent) const;
    // Makes `scene` (or none) current and tells the views.
    void SelectScene(CSwScene* scene);
    static bool CanAddChildTo(const CSwScene* scene);

    // Settings and paths.
    CSwSettings& GetSettings() override { return m_settings; }
    const CSwSettings& GetSettings() const override { return m_settings; }
    std::string GetProjectFileFolder() const override;
    const std::string& GetProjectFilePath() const { return m_projectFilePath; }
    const std::string& GetPathName() const { return m_pathName; }
    void SetPathName(std::string_view path) { m_pathName = path; }

    // The engine-folder setting and the run command (document/EngineLaunch.cpp).
    // The settings file is read each time; the path defaults to
    // DefaultSettingsFilePath() and can be set for tests and portable use.
    std::string GetSettingsFilePath();
    void SetSettingsFilePath(std::string_view path) { m_settingsFilePath = path; }
    std::string GetEnginePath();
    // False when the settings file could not be written.
    bool SetEnginePath(std::string_view folder);
    bool CanRunEngine();
    enum RunResult { kEngineStarted = 1, kRunDeclined = 2, kEngineNotStarted = 3 };
    // Asks first when there was no clean build; tells the host when the
    // engine cannot be started. Never waits for the engine.
    int RunEngine();
    // Starts the engine on another game folder (a preview's), without
    // questions; the host hears why when it cannot be started.
    int RunEngineOn(std::string_view gameFolder);
    // The engine's KAG3 template folder that game folders are set up from.
    std::string GetEngineTemplatePath();
    bool SetEngineTemplatePath(std::string_view folder);
    // Before a build: when the game folder has no engine configuration,
    // offers to set it up from the template folder (or our own
    // configuration) and does so on Yes. False when the author declined.
    bool OfferGameFolderSetup();

    bool IsModified() const { return m_modified; }
    // Counts every change to the project's content (edits, undo, redo,
    // opening): equal counts mean an unchanged project.
    std::uint64_t ContentRevision() const { return m_contentRevision; }
    void SetModifiedFlag(bool modified = true) { m_modified = modified; }

    // Undo and redo (document/UndoRedo.cpp). Every change of the project is
    // a CProjectEdit (document/ProjectEdit.h), which becomes one step here.
    // Only the editor switches the history on; without it edits just mark
    // the document modified. The modified flag follows the history: back
    // at the saved state, the document is unmodified.
    void EnableUndo(bool enabled);
    bool IsUndoEnabled() const { return m_undoEnabled; }
    const CEditHistory& GetHistory() const { return m_history; }
    bool CanUndo() const { return m_undoEnabled && m_history.CanUndo(); }
    bool CanRedo() const { return m_undoEnabled && m_history.CanRedo(); }
    // Each changes back (forward) what the step changed, selects the scene
    // and cell it changed and tells the views; false at either end.
    bool Undo();
    bool Redo();
    // Undoes or redoes until `position` steps are taken.
    bool GoToHistoryPosition(std::size_t position);

    // The project file's text as a save would write it.
    std::string ProjectText();

    // Recovery copies and backups (document/SafetyCopies.cpp).
    // The hidden recovery copy beside a project file.
    static std::string RecoveryFilePath(std::string_view projectPath);
    // The recovery copy of a project never saved, beside the settings file.
    std::string UntitledRecoveryFilePath();
    // Writes the recovery copy of a modified project, atomically and never
    // over the project file; true when there was nothing to write.
    bool WriteRecoveryCopy();
    // The same in halves, as a save: nullopt when there is nothing to write.
    struct RecoveryJob {
        std::string path;
        ProjectPieces text;
        bool written = false;
        void Run();
    };
    std::optional<RecoveryJob> PrepareRecoveryCopy();
    // Removes the recovery copy this document wrote or offered; a copy left
    // by another run stays until it has been offered.
    void DiscardRecoveryCopy();
    // A recovery copy of `projectPath` newer than the file itself.
    static bool HasNewerRecoveryCopy(std::string_view projectPath);
    // After opening: asks whether to read the newer recovery copy in, as
    // one undoable step; true when it was read.
    bool OfferRecovery();
    // In an empty document: the same for the copy of a project never saved.
    bool OfferUntitledRecovery();
    // How many earlier versions a save keeps in the backup folder beside
    // the project file; 0 keeps none. Kept in the settings file.
    int GetBackupCount();
    bool SetBackupCount(int count);
    static constexpr int kDefaultBackupCount = 5;
    static std::string BackupFolderOf(std::string_view projectPath);

    std::vector<std::unique_ptr<CSwObj>>& GetCopyBuffer() { return m_copyBuffer; }

private:
    friend class CDocumentEditAccess;
    // A committed edit: one step of the history (null when the history is
    // off) that marks the document modified.
    void RecordStep(SwEdit kind, std::unique_ptr<CEditStep> step);
    // After a step was undone or redone.
    void AfterStep(CEditStep& step, std::string_view name, bool undone);
    // The save question; false when the command is to stop.
    bool SaveChangesFirst(bool saveAs);
    bool ReadProjectElements(const char* path, std::string& message);
    // Adopts the scenes and settings of a project text; false with the
    // parser's message.
    bool ParseProjectText(const std::string& bytes, std::string& message);
    // The scene whose select field is set becomes current.
    void TakeCurrentSceneFromSelectFields();
    // Drops the scenes and settings for those of a text this document can
    // read (one it wrote, or checked beforehand).
    void ReplaceProjectWith(const std::string& text);
    // The project as a text that does not depend on the project file's
    // folder: media paths stay absolute, so a Save As to another folder
    // leaves the history valid.
    std::string SnapshotText();
    void RestoreSnapshotText(const std::string& text);
    void ResetHistory();
    std::string CurrentRecoveryFilePath();
    bool AskAndReadRecoveryCopy(const std::string& recovery, const std::string& question);
    // Copies the file about to be replaced into the backup folder, keeping
    // the newest `keep` copies; the warning for the log when it could not.
    static std::string KeepBackupOf(const std::string& path, const ProjectPieces& replacement,
                                    int keep);
    void RepairLinksOfReadScenes();
    void ForgetReferencesTo(const CSwScene* scene);
    void ImportLines(CSwScene& scene, const std::vector<std::string>& lines);

    bool m_hasCurrentScene = false;
    CSwScene* m_lastAddedScene = nullptr;
    CSwScene* m_currentScene = nullptr;
    CSwObj* m_currentCell = nullptr;
    std::vector<std::unique_ptr<CSwScene>> m_scenes;
    CSwSettings m_settings;
    std::string m_engineFolder;
    std::string m_settingsFilePath;
    std::vector<std::unique_ptr<CSwObj>> m_copyBuffer;
    std::string m_projectFilePath;
    std::string m_pathName;
    bool m_modified = false;
    std::uint64_t m_contentRevision = 0;
    bool m_undoEnabled = false;
    bool m_ownsRecoveryCopy = false;
    CEditHistory m_history;
    CProjectTextCache m_textCache;

    std::vector<IScenewrightView*> m_views;
    std::vector<ILogSink*> m_logSinks;
    std::atomic<int>* m_readDone = nullptr;
    std::atomic<int>* m_readTotal = nullptr;
    IDocumentHost* m_host = nullptr;
};
