#pragma once

// The main window: project tree and scene properties on the left, the scene
// chart in the middle, the cells on the right, the build log below; the
// menus, the toolbar and the status bar with the project commands.

#include "document/PlayFromHere.h"
#include "document/ScenewrightDoc.h"

#include <QMainWindow>

#include <functional>
#include <string>

class CFindReplaceDock;
class QDockWidget;
class CListStylePageView;
class CScenePreviewDock;
class CSwObjTrayFrame;
class CUndoHistoryDock;
class CScenewrightOutputView;
class CScenewrightPrjTreeView;
class CScenewrightPropertyView;
class CScenewrightView;
class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;
class QThreadPool;
class QTimer;

class CMainFrame : public QMainWindow, public IScenewrightView {
    Q_OBJECT
public:
    CMainFrame(CScenewrightDoc& doc, IDocumentHost& host, QWidget* parent = nullptr);
    ~CMainFrame() override;

    void OnDocumentUpdate(CScenewrightDoc& doc, const SwUpdate& update) override;

    CScenewrightView* Chart() const { return m_chart; }
    CScenewrightPrjTreeView* ProjectTree() const { return m_projectTree; }
    CScenewrightPropertyView* Properties() const { return m_properties; }
    CScenewrightOutputView* Output() const { return m_output; }
    CListStylePageView* Cells() const { return m_cells; }
    CSwObjTrayFrame* Tray() const { return m_tray; }
    QDockWidget* TrayDock() const { return m_trayDock; }
    CUndoHistoryDock* History() const { return m_history; }
    // Shows the object tray's dock.
    void ShowTray();
    QSplitter* OuterSplitter() const { return m_outer; }
    QSplitter* ColumnSplitter() const { return m_columns; }
    QSplitter* LeftSplitter() const { return m_left; }

    // Divides the client area as at the window's creation.
    void DivideClientArea();
    void UpdateCommandStates();

    // The commands of the menus.
    void FileNew();
    void FileOpen();
    // Opens a file named on the command line, a recent file or a drop.
    bool OpenPath(const QString& path);
    void FileSave();
    void FileSaveAs();
    // ファイル → KAGゲームの取り込み...: a new project from the KAG game in
    // `folder` (asked for when empty), read on the file thread with its
    // progress shown; false when cancelled or nothing was imported.
    bool ImportKagGame(const QString& folder = QString());
    bool Build();
    // ビルド → リリース...: asks for the release folder, then ReleaseInto.
    void ReleaseGame();
    // Builds as Build does, then packs the game into `folder`/data.xp3 on
    // the file thread with its progress on the status bar; false when the
    // build failed or a release is under way already.
    bool ReleaseInto(const QString& folder);
    bool IsReleasing() const { return m_releasing; }
    // Lists the findings of the project check in the output view.
    void CheckProjectNow();
    // Selects scene `sceneId` and, unless -1, its cell `cell`.
    void ShowPlace(int sceneId, int cell);
    void RunEngine();
    // このシーンから実行 / このセルから実行: writes the preview game for the
    // current scene (or its one selected cell) and starts the engine on it.
    bool PlayFromHere(bool fromCell);
    void EditEngineFolder();
    void ShowAbout();
    // Opens the manual in the desktop's browser.
    void ShowManual();
    // The installed manual, or the source tree's; "" when neither is there.
    static QString ManualPath();
    // At a start without a file: offers back the unsaved changes of a
    // project never saved, or reopens the last project when the editor died
    // with unsaved changes to it.
    void OfferRecoveryOfLastProject();
    // Writes the recovery copy of unsaved changes on the file thread; the
    // autosave timer's work.
    void Autosave();
    // Until every file the window is writing or reading is done.
    void WaitForFileJobs();

    QAction* SaveAction() const { return m_saveAction; }
    QAction* ImportKagAction() const { return m_importKagAction; }
    QAction* BuildAction() const { return m_buildAction; }
    QAction* RunAction() const { return m_runAction; }
    QAction* PlaySceneAction() const { return m_playSceneAction; }
    QAction* PlayCellAction() const { return m_playCellAction; }
    QAction* ReleaseAction() const { return m_releaseAction; }
    bool IsBuilding() const { return m_building; }
    QAction* CheckAction() const { return m_checkAction; }
    QAction* CheckBeforeBuildAction() const { return m_checkBeforeBuildAction; }
    CFindReplaceDock* FindDock() const { return m_findDock; }
    CScenePreviewDock* PreviewDock() const { return m_previewDock; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class BuildProgress;

    void CreateViews();
    void CreateActions();
    void CreateMenus();
    void CreateStatusBar();
    // The project check, find and replace and the script preview.
    void CreateCheckTools();
    void FillRecentMenu();
    void UpdateTitle();
    void ShowBuildProgress(int done, int total);
    void ShowError(const QString& text);
    // Saves on the file thread, or at once when `wait`; the author is told
    // when the file could not be written.
    int Save(bool saveAs, bool wait);
    // Reads the project on the file thread, showing the progress.
    bool Load(const std::string& path);
    // Runs `work` on the file thread, then `then` on this one.
    void RunFileJob(std::function<void()> work, std::function<void()> then);

    CScenewrightDoc& m_doc;
    IDocumentHost& m_host;
    bool m_building = false;
    // The document stays editable while a release packs: only another
    // build or release must wait for it.
    bool m_releasing = false;
    bool m_divided = false;

    QSplitter* m_outer = nullptr;
    QSplitter* m_columns = nullptr;
    QSplitter* m_left = nullptr;
    CScenewrightPrjTreeView* m_projectTree = nullptr;
    CScenewrightPropertyView* m_properties = nullptr;
    CScenewrightView* m_chart = nullptr;
    CListStylePageView* m_cells = nullptr;
    CScenewrightOutputView* m_output = nullptr;
    CSwObjTrayFrame* m_tray = nullptr;
    QDockWidget* m_trayDock = nullptr;
    QAction* m_trayAction = nullptr;
    CUndoHistoryDock* m_history = nullptr;
    QTimer* m_autosaveTimer = nullptr;
    QThreadPool* m_fileWorker = nullptr;
    int m_pendingFileJobs = 0;

    QAction* m_newAction = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_saveAction = nullptr;
    QAction* m_saveAsAction = nullptr;
    QAction* m_importKagAction = nullptr;
    QAction* m_exitAction = nullptr;
    QAction* m_buildAction = nullptr;
    QAction* m_runAction = nullptr;
    QAction* m_playSceneAction = nullptr;
    QAction* m_playCellAction = nullptr;
    // Kept between previews of an unchanged project.
    PreviewCache m_previewCache;
    QAction* m_releaseAction = nullptr;
    QAction* m_engineFolderAction = nullptr;
    QAction* m_aboutAction = nullptr;
    QMenu* m_recentMenu = nullptr;
    QAction* m_checkAction = nullptr;
    QAction* m_checkBeforeBuildAction = nullptr;
    CFindReplaceDock* m_findDock = nullptr;
    CScenePreviewDock* m_previewDock = nullptr;

    QLabel* m_xPane = nullptr;
    QLabel* m_yPane = nullptr;
    QProgressBar* m_progress = nullptr;
};
