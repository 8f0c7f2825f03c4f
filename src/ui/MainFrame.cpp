#include "ui/MainFrame.h"

#include "document/DocumentUpdate.h"
#include "document/KagImport.h"
#include "document/PlayFromHere.h"
#include "document/ProjectBuild.h"
#include "document/ProjectCheck.h"
#include "document/ProjectLoad.h"
#include "document/Release.h"
#include "platform/Versions.h"
#include "scenario/ProjectBuilder.h"
#include "ui/FileDialogs.h"
#include "ui/FindReplaceDock.h"
#include "ui/ListStylePageView.h"
#include "ui/ProjectSettingsDialog.h"
#include "ui/QtText.h"
#include "ui/RecentFiles.h"
#include "ui/ScenePreviewDock.h"
#include "ui/ScenewrightOutputView.h"
#include "ui/ScenewrightPrjTreeView.h"
#include "ui/ScenewrightPropertyView.h"
#include "ui/ScenewrightView.h"
#include "ui/SwObjTrayFrame.h"
#include "ui/SystemSettingsDialog.h"
#include "ui/UndoHistoryDock.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QThreadPool>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <atomic>

#ifndef SCENEWRIGHT_SOURCE_DIR
#define SCENEWRIGHT_SOURCE_DIR ""
#endif

// Lets the window repaint between the scenes of a long build. User input
// stays queued: the document must not change while it is being built.
class CMainFrame::BuildProgress : public IBuildProgress {
public:
    explicit BuildProgress(CMainFrame& frame) : m_frame(frame) { m_sinceEvents.start(); }
    void OnSceneStarting(int done, int total) override {
        if (m_sinceEvents.elapsed() < 40)
            return;
        m_frame.ShowBuildProgress(done, total);
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        m_sinceEvents.restart();
    }

private:
    CMainFrame& m_frame;
    QElapsedTimer m_sinceEvents;
};

CMainFrame::CMainFrame(CScenewrightDoc& doc, IDocumentHost& host, QWidget* parent)
    : QMainWindow(parent), m_doc(doc), m_host(host) {
    m_doc.SetHost(&m_host);
    m_doc.EnableUndo(true);
    // Files are written and read one at a time, in the order asked, on a
    // thread of their own, so that the window never waits for the disk.
    m_fileWorker = new QThreadPool(this);
    m_fileWorker->setMaxThreadCount(1);
    CreateViews();
    CreateActions();
    CreateMenus();
    CreateStatusBar();
    CreateCheckTools();
    setAcceptDrops(true);
    m_doc.AddView(this);
    UpdateCommandStates();
    UpdateTitle();
    m_autosaveTimer = new QTimer(this);
    m_autosaveTimer->setInterval(3 * 60 * 1000);
    connect(m_autosaveTimer, &QTimer::timeout, this, &CMainFrame::Autosave);
    m_autosaveTimer->start();
}

CMainFrame::~CMainFrame() {
    WaitForFileJobs();
    m_doc.RemoveView(this);
}

void CMainFrame::WaitForFileJobs() {
    m_fileWorker->waitForDone();
    // Their endings were queued for this thread: take them now.
    QCoreApplication::sendPostedEvents(this);
}

void CMainFrame::RunFileJob(std::function<void()> work, std::function<void()> then) {
    ++m_pendingFileJobs;
    m_fileWorker->start([this, work = std::move(work), then = std::move(then)] {
        work();
        QMetaObject::invokeMethod(
            this,
            [this, then] {
                --m_pendingFileJobs;
                then();
            },
            Qt::QueuedConnection);
    });
}

void CMainFrame::CreateViews() {
    m_outer = new QSplitter(Qt::Vertical, this);
    m_columns = new QSplitter(Qt::Horizontal, m_outer);
    m_left = new QSplitter(Qt::Vertical, m_columns);
    // The chart registers with the document first, so that after a failed
    // build it has chosen the scene before the other views show it.
    m_chart = new CScenewrightView(m_doc);
    m_projectTree = new CScenewrightPrjTreeView(m_doc, m_left);
    m_properties = new CScenewrightPropertyView(m_doc, &m_host, m_left);
    m_columns->addWidget(m_chart);
    m_cells = new CListStylePageView(m_doc, m_columns);
    m_output = new CScenewrightOutputView(m_doc, m_outer);
    for (QSplitter* splitter : {m_outer, m_columns, m_left})
        splitter->setChildrenCollapsible(false);
    setCentralWidget(m_outer);
    connect(m_chart, &CScenewrightView::pointerMoved, this, [this](int x, int y) {
        m_xPane->setText(QString::number(x));
        m_yPane->setText(QString::number(y));
    });
    m_history = new CUndoHistoryDock(m_doc, this);
    addDockWidget(Qt::RightDockWidgetArea, m_history);
    m_history->hide();
    // The tray stands beside the cell list, where its cells are dropped.
    m_tray = new CSwObjTrayFrame(this);
    m_trayDock = new QDockWidget(QStringLiteral("オブジェクトトレイ"), this);
    m_trayDock->setObjectName(QStringLiteral("ObjectTrayDock"));
    m_trayDock->setWidget(m_tray);
    addDockWidget(Qt::RightDockWidgetArea, m_trayDock);
    connect(m_chart, &CScenewrightView::message, this,
            [this](const QString& text) { statusBar()->showMessage(text, 5000); });
}

void CMainFrame::CreateActions() {
    QStyle* look = style();
    m_newAction =
        new QAction(look->standardIcon(QStyle::SP_FileIcon), QStringLiteral("新規作成(&N)"), this);
    m_newAction->setShortcut(QKeySequence::New);
    connect(m_newAction, &QAction::triggered, this, &CMainFrame::FileNew);
    m_openAction = new QAction(look->standardIcon(QStyle::SP_DialogOpenButton),
                               QStringLiteral("開く(&O)..."), this);
    m_openAction->setShortcut(QKeySequence::Open);
    connect(m_openAction, &QAction::triggered, this, &CMainFrame::FileOpen);
    m_saveAction = new QAction(look->standardIcon(QStyle::SP_DialogSaveButton),
                               QStringLiteral("上書き保存(&S)"), this);
    m_saveAction->setShortcut(QKeySequence::Save);
    connect(m_saveAction, &QAction::triggered, this, &CMainFrame::FileSave);
    m_saveAsAction = new QAction(QStringLiteral("名前を付けて保存(&A)..."), this);
    connect(m_saveAsAction, &QAction::triggered, this, &CMainFrame::FileSaveAs);
    m_importKagAction = new QAction(QStringLiteral("KAGゲームの取り込み(&K)..."), this);
    connect(m_importKagAction, &QAction::triggered, this, [this] { ImportKagGame(); });
    m_exitAction = new QAction(QStringLiteral("アプリケーションの終了(&X)"), this);
    m_exitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(m_exitAction, &QAction::triggered, this, &QWidget::close);
    m_buildAction = new QAction(look->standardIcon(QStyle::SP_BrowserReload),
                                QStringLiteral("ビルド(&B)"), this);
    m_buildAction->setShortcut(QKeySequence(Qt::Key_F7));
    connect(m_buildAction, &QAction::triggered, this, &CMainFrame::Build);
    m_runAction = new QAction(look->standardIcon(QStyle::SP_MediaPlay),
                              QStringLiteral("吉里吉里で実行(&R)"), this);
    m_runAction->setShortcut(QKeySequence(Qt::Key_F5));
    connect(m_runAction, &QAction::triggered, this, &CMainFrame::RunEngine);
    m_playSceneAction = new QAction(QStringLiteral("このシーンから実行(&H)"), this);
    m_playSceneAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    m_playSceneAction->setToolTip(
        QStringLiteral("選んだシーンから、そこまでの画像・BGM・変数を再現して吉里吉里で始めます。"
                       "プロジェクトのゲームフォルダには書き込みません。"));
    connect(m_playSceneAction, &QAction::triggered, this, [this] { PlayFromHere(false); });
    m_playCellAction = new QAction(QStringLiteral("このセルから実行(&E)"), this);
    m_playCellAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F5));
    m_playCellAction->setToolTip(
        QStringLiteral("選んだセルから、そこまでの画像・BGM・変数を再現して吉里吉里で始めます。"
                       "プロジェクトのゲームフォルダには書き込みません。"));
    connect(m_playCellAction, &QAction::triggered, this, [this] { PlayFromHere(true); });
    m_releaseAction = new QAction(QStringLiteral("リリース(&L)..."), this);
    connect(m_releaseAction, &QAction::triggered, this, &CMainFrame::ReleaseGame);
    m_engineFolderAction = new QAction(QStringLiteral("設定(&S)..."), this);
    connect(m_engineFolderAction, &QAction::triggered, this, &CMainFrame::EditEngineFolder);
    m_aboutAction = new QAction(QStringLiteral("バージョン情報(&A)..."), this);
    connect(m_aboutAction, &QAction::triggered, this, &CMainFrame::ShowAbout);
}

void CMainFrame::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    file->addAction(m_newAction);
    file->addAction(m_openAction);
    file->addAction(m_saveAction);
    file->addAction(m_saveAsAction);
    file->addSeparator();
    file->addAction(m_importKagAction);
    file->addSeparator();
    m_recentMenu = file->addMenu(QStringLiteral("最近使ったファイル(&F)"));
    connect(m_recentMenu, &QMenu::aboutToShow, this, &CMainFrame::FillRecentMenu);
    file->addSeparator();
    file->addAction(m_exitAction);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    edit->addAction(m_history->UndoAction());
    edit->addAction(m_history->RedoAction());
    edit->addSeparator();
    edit->addAction(m_cells->CutAction());
    edit->addAction(m_cells->CopyAction());
    edit->addAction(m_cells->PasteAction());
    edit->addAction(m_cells->DeleteAction());
    edit->addSeparator();
    edit->addAction(m_chart->DeleteAction());
    edit->addAction(m_chart->CutLinkAction());
    edit->addSeparator();
    edit->addAction(m_chart->FindAction());
    connect(edit, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);

    QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    QToolBar* tools = addToolBar(QStringLiteral("ツール バー"));
    tools->setObjectName(QStringLiteral("toolbar"));
    tools->setMovable(false);
    tools->addAction(m_newAction);
    tools->addAction(m_openAction);
    tools->addAction(m_saveAction);
    tools->addSeparator();
    tools->addAction(m_history->UndoAction());
    tools->addAction(m_history->RedoAction());
    tools->addSeparator();
    tools->addAction(m_buildAction);
    tools->addAction(m_runAction);
    QAction* toolsShown = tools->toggleViewAction();
    toolsShown->setText(QStringLiteral("ツール バー(&T)"));
    view->addAction(toolsShown);
    QAction* statusShown = view->addAction(QStringLiteral("ステータス バー(&S)"));
    statusShown->setCheckable(true);
    statusShown->setChecked(true);
    connect(statusShown, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
    m_trayAction = m_trayDock->toggleViewAction();
    m_trayAction->setText(QStringLiteral("オブジェクトトレイ(&O)"));
    view->addAction(m_trayAction);
    QAction* historyShown = m_history->toggleViewAction();
    historyShown->setText(QStringLiteral("操作の履歴(&H)"));
    view->addAction(historyShown);
    view->addSeparator();
    view->addAction(m_chart->ZoomInAction());
    view->addAction(m_chart->ZoomOutAction());
    view->addAction(m_chart->FitAction());

    QMenu* insert = m_chart->InsertMenu();
    menuBar()->addMenu(insert);
    connect(insert, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);

    QMenu* build = menuBar()->addMenu(QStringLiteral("ビルド(&B)"));
    build->addAction(m_buildAction);
    build->addAction(m_runAction);
    build->addAction(m_playSceneAction);
    build->addAction(m_playCellAction);
    build->addAction(m_releaseAction);
    build->addSeparator();
    build->addAction(QStringLiteral("プロジェクトの設定(&P)..."), this,
                     [this] { EditProjectSettings(m_doc, this); });
    connect(build, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
    // Where the author looks at a scene or a cell, it can be played from.
    for (const auto& [menu, action] : {std::pair{m_chart->PopupMenu(), m_playSceneAction},
                                       std::pair{m_cells->ContextMenu(), m_playCellAction}}) {
        QAction* first = menu->actions().value(0);
        menu->insertAction(first, action);
        menu->insertSeparator(first);
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
    }

    QMenu* options = menuBar()->addMenu(QStringLiteral("オプション(&O)"));
    options->addAction(m_engineFolderAction);

    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    QAction* manual = help->addAction(QStringLiteral("使い方(&M)"), this, &CMainFrame::ShowManual);
    manual->setShortcut(QKeySequence(Qt::Key_F1));
    help->addSeparator();
    help->addAction(m_aboutAction);
}

void CMainFrame::CreateStatusBar() {
    m_progress = new QProgressBar(this);
    m_progress->setFormat(QStringLiteral("ビルド中 %v / %m シーン"));
    m_progress->setMaximumWidth(220);
    m_progress->hide();
    m_xPane = new QLabel(this);
    m_yPane = new QLabel(this);
    for (QLabel* pane : {m_xPane, m_yPane}) {
        pane->setMinimumWidth(48);
        pane->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    statusBar()->addPermanentWidget(m_progress);
    statusBar()->addPermanentWidget(m_xPane);
    statusBar()->addPermanentWidget(m_yPane);
    statusBar()->showMessage(QStringLiteral("レディ"));
}

void CMainFrame::DivideClientArea() {
    const QSize client = m_outer->size();
    const int w = client.width();
    const int h = client.height();
    const int upper = h * 5 / 6;
    m_outer->setSizes({upper, h - upper});
    m_columns->setSizes({2 * w / 10, 5 * w / 10, 3 * w / 10});
    m_left->setSizes({upper / 2, upper - upper / 2});
    m_divided = true;
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_divided) {
        // The tray's names, the rest for the views.
        resizeDocks({m_trayDock}, {170}, Qt::Horizontal);
        DivideClientArea();
        // Where the author left the docks, when the settings know it.
        const QByteArray state =
            QSettings().value(QStringLiteral("Window/DockState")).toByteArray();
        if (!state.isEmpty())
            restoreState(state);
    }
}

void CMainFrame::ShowTray() {
    m_trayDock->show();
    m_trayDock->raise();
}

void CMainFrame::OnDocumentUpdate(CScenewrightDoc& doc, const SwUpdate& update) {
    if (&doc != &m_doc)
        return;
    switch (update.change) {
    case SwChange::Cells:
    case SwChange::SceneFields:
    case SwChange::SceneTree:
    case SwChange::Selection:
    case SwChange::BuildStarted:
        return; // the title and the commands stay as they are
    default:
        break;
    }
    UpdateCommandStates();
    UpdateTitle();
}

void CMainFrame::UpdateCommandStates() {
    const bool idle = !m_building;
    m_newAction->setEnabled(idle);
    m_openAction->setEnabled(idle);
    m_saveAction->setEnabled(idle && m_doc.CanSave());
    m_saveAsAction->setEnabled(idle);
    m_recentMenu->setEnabled(idle);
    m_buildAction->setEnabled(idle && !m_releasing && !m_doc.GetProjectRoot().empty());
    m_releaseAction->setEnabled(m_buildAction->isEnabled());
    m_runAction->setEnabled(idle && m_doc.CanRunEngine());
    const CSwScene* scene = m_doc.GetCurrentScene();
    const bool playable = idle && !m_releasing && scene && scene->Top()->procedure == 0;
    m_playSceneAction->setEnabled(playable);
    m_playCellAction->setEnabled(playable && m_cells->SelectedCells().size() == 1);
    m_engineFolderAction->setEnabled(idle);
    m_chart->SetCommandsBlocked(m_building);
    m_history->SetBlocked(m_building);
}

void CMainFrame::UpdateTitle() {
    const std::string& path = m_doc.GetPathName();
    const QString name =
        path.empty() ? QStringLiteral("無題") : QFileInfo(sw::ui::FromCp932(path)).fileName();
    setWindowTitle((m_doc.IsModified() ? QStringLiteral("*") : QString()) + name +
                   QStringLiteral(" - Scenewright"));
}

void CMainFrame::FileNew() {
    if (m_building)
        return;
    WaitForFileJobs();
    m_doc.OnFileNew();
    UpdateCommandStates();
    UpdateTitle();
}

void CMainFrame::FileOpen() {
    if (m_building)
        return;
    WaitForFileJobs();
    std::string chosen;
    if (!m_doc.ConfirmClose(true) || !m_host.ChooseProjectToOpen(chosen))
        return;
    Load(chosen);
}

bool CMainFrame::OpenPath(const QString& path) {
    if (m_building)
        return false;
    std::string bytes;
    QString error;
    if (!sw::ui::PathToCp932(path, bytes, &error)) {
        ShowError(error);
        return false;
    }
    WaitForFileJobs();
    if (!m_doc.ConfirmClose(true))
        return false;
    const bool opened = Load(bytes);
    if (!opened && !QFileInfo::exists(path))
        sw::ui::RemoveRecentFile(path);
    return opened;
}

bool CMainFrame::Load(const std::string& path) {
    // The project closed is freed on the file thread.
    RunFileJob([released = m_doc.ResetKeepingObjects()]() mutable { released.reset(); }, [] {});
    // The file is read on the file thread while the window goes on
    // painting and shows how far the read has come; input waits.
    auto load = std::make_shared<CProjectLoad>(path);
    m_building = true;
    UpdateCommandStates();
    statusBar()->showMessage(QStringLiteral("開いています..."));
    QEventLoop loop;
    QTimer progress;
    connect(&progress, &QTimer::timeout, this, [this, load] {
        if (load->ScenesInFile() > 0)
            ShowBuildProgress(load->ScenesRead(), load->ScenesInFile());
    });
    progress.start(50);
    RunFileJob([load] { load->Run(); }, [&loop] { loop.quit(); });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    progress.stop();
    m_progress->hide();
    m_building = false;
    const bool opened = load->Deliver(m_doc);
    statusBar()->clearMessage();
    if (opened)
        m_doc.OfferRecovery();
    UpdateCommandStates();
    UpdateTitle();
    return opened;
}

bool CMainFrame::ImportKagGame(const QString& chosen) {
    const QString folder =
        chosen.isEmpty()
            ? sw::ui::ChooseFolder(this, QStringLiteral("取り込むKAGゲームのフォルダ"), nullptr, {})
            : chosen;
    std::string path;
    QString error;
    if (folder.isEmpty() || m_building || m_releasing)
        return false;
    if (!sw::ui::PathToCp932(folder, path, &error)) {
        ShowError(error);
        return false;
    }
    WaitForFileJobs();
    if (!m_doc.ConfirmClose(true))
        return false;
    struct Job {
        KagImportOptions options;
        CScenewrightDoc doc;
        KagImportReport report;
        std::string message;
        bool imported = false;
        std::atomic<int> done{0}, total{0};
    };
    auto job = std::make_shared<Job>();
    job->options.gameFolder = path;
    // A game folder of the project's own beside the original, which is
    // only read; the build writes there.
    std::string original = path;
    while (original.size() > 1 && original.ends_with('/'))
        original.pop_back();
    job->options.buildFolder = original + "-scenewright";
    job->options.progress = [counts = job.get()](int done, int total) {
        counts->done = done;
        counts->total = total;
    };
    for (;;) {
        m_building = true;
        UpdateCommandStates();
        statusBar()->showMessage(QStringLiteral("取り込んでいます..."));
        QEventLoop loop;
        QTimer progress;
        connect(&progress, &QTimer::timeout, this, [this, job] {
            if (job->total > 0)
                ShowBuildProgress(job->done, job->total);
        });
        progress.start(50);
        RunFileJob(
            [job] {
                job->imported = ::ImportKagGame(job->doc, job->options, job->report, job->message);
            },
            [&loop] { loop.quit(); });
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        progress.stop();
        m_progress->hide();
        m_building = false;
        statusBar()->clearMessage();
        UpdateCommandStates();
        // A game without scenario/first.ks starts where the author says.
        if (job->imported || !job->report.firstFileMissing || !job->options.firstFile.empty())
            break;
        const QString first = QFileDialog::getOpenFileName(
            this, QStringLiteral("最初に読むシナリオファイル"), folder,
            QStringLiteral("KAGシナリオ (*.ks);;すべてのファイル (*)"));
        if (first.isEmpty() || !sw::ui::PathToCp932(first, job->options.firstFile, &error))
            break;
        job->report = KagImportReport();
    }
    if (!job->imported) {
        ShowError(sw::ui::FromCp932(job->message));
        return false;
    }
    m_doc.AdoptProjectFrom(job->doc);
    // A project never saved: closing the window asks to save it.
    m_doc.SetModifiedFlag();
    m_doc.PostLogLine(SwLog::Plain, "-----KAGゲームの取り込み: " + path + "-----");
    for (const std::string& line : KagImportReportLines(job->report))
        m_doc.PostLogLine(SwLog::Plain, line);
    for (const std::string& line : job->report.replacedCharacters)
        m_doc.PostLogLine(SwLog::Warning, line);
    for (const std::string& line : job->report.problems)
        m_doc.PostLogLine(SwLog::Error, line);
    UpdateCommandStates();
    UpdateTitle();
    statusBar()->showMessage(QStringLiteral("取り込みました。"), 5000);
    return true;
}

void CMainFrame::ShowError(const QString& text) {
    std::string message;
    if (sw::ui::ToCp932(text, message))
        m_host.ShowError(message);
}

int CMainFrame::Save(bool saveAs, bool wait) {
    std::string target = m_doc.GetPathName();
    if ((saveAs || target.empty()) && !m_host.ChooseProjectToSave(target))
        return CScenewrightDoc::kCancelled;
    auto job = std::make_shared<CScenewrightDoc::SaveJob>(m_doc.PrepareSave(target));
    const auto finish = [this, job] {
        const bool saved = m_doc.FinishSave(*job);
        // The document leaves a failed write unreported; the author must
        // know the project is not on disk.
        if (!saved)
            ShowError(QStringLiteral("プロジェクトを ") + sw::ui::FromCp932(job->path) +
                      QStringLiteral(" に書き込めませんでした。"));
        statusBar()->showMessage(saved ? QStringLiteral("保存しました。") : QString(), 5000);
        UpdateCommandStates();
        UpdateTitle();
        return saved;
    };
    if (wait) {
        WaitForFileJobs();
        job->Run();
        return finish() ? CScenewrightDoc::kSaved : CScenewrightDoc::kWriteFailed;
    }
    statusBar()->showMessage(QStringLiteral("保存しています..."));
    RunFileJob([job] { job->Run(); }, [finish] { finish(); });
    return CScenewrightDoc::kSaved;
}

void CMainFrame::FileSave() {
    if (!m_building && m_doc.CanSave())
        Save(false, false);
}

void CMainFrame::FileSaveAs() {
    if (!m_building)
        Save(true, false);
}

void CMainFrame::ShowBuildProgress(int done, int total) {
    m_progress->setMaximum(std::max(total, 1));
    m_progress->setValue(done);
    m_progress->show();
}

bool CMainFrame::Build() {
    if (m_building || m_releasing || m_doc.GetProjectRoot().empty())
        return false;
    // A build is where a broken media file or a full disk may bring the
    // editor down; the changes so far are kept first.
    Autosave();
    m_doc.OfferGameFolderSetup();
    m_building = true;
    UpdateCommandStates();
    statusBar()->showMessage(QStringLiteral("ビルド中..."));
    BuildProgress progress(*this);
    const bool built = BuildProject(m_doc, &progress, m_checkBeforeBuildAction->isChecked());
    m_progress->hide();
    m_building = false;
    UpdateCommandStates();
    statusBar()->showMessage((built ? QStringLiteral("ビルドが終わりました（")
                                    : QStringLiteral("ビルドに失敗しました（")) +
                             m_output->Summary() + QStringLiteral("）。"));
    return built;
}

void CMainFrame::ReleaseGame() {
    if (!m_releaseAction->isEnabled())
        return;
    const QString folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("リリース先のフォルダ"));
    if (!folder.isEmpty())
        ReleaseInto(folder);
}

bool CMainFrame::ReleaseInto(const QString& folder) {
    std::string out;
    QString error;
    if (m_releasing || !sw::ui::PathToCp932(folder, out, &error)) {
        if (!error.isEmpty())
            ShowError(error);
        return false;
    }
    if (!Build())
        return false;
    const std::shared_ptr<ReleaseJob> job = PrepareRelease(m_doc, out, "");
    m_releasing = true;
    UpdateCommandStates();
    statusBar()->showMessage(QStringLiteral("リリース中..."));
    const QString buildFormat = m_progress->format();
    m_progress->setFormat(QStringLiteral("リリース中 %v / %m MiB"));
    auto* progress = new QTimer(this);
    connect(progress, &QTimer::timeout, this, [this, job] {
        ShowBuildProgress(static_cast<int>(job->bytesRead >> 20),
                          static_cast<int>(job->bytesTotal >> 20));
    });
    progress->start(50);
    RunFileJob([job] { job->Run(); },
               [this, job, progress, buildFormat] {
                   progress->deleteLater();
                   m_progress->hide();
                   m_progress->setFormat(buildFormat);
                   m_releasing = false;
                   const bool released = FinishRelease(m_doc, *job);
                   UpdateCommandStates();
                   // The summary is the last line but the frame's.
                   QString summary;
                   if (released && job->lines.size() >= 2)
                       summary = sw::ui::FromCp932(job->lines[job->lines.size() - 2].second);
                   statusBar()->showMessage(released ? summary
                                                     : QStringLiteral("リリースに失敗しました。"));
               });
    return true;
}

void CMainFrame::CreateCheckTools() {
    m_checkAction = new QAction(QStringLiteral("プロジェクトチェック(&C)"), this);
    m_checkAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F7));
    connect(m_checkAction, &QAction::triggered, this, &CMainFrame::CheckProjectNow);
    m_checkBeforeBuildAction = new QAction(QStringLiteral("ビルドの前にチェック(&K)"), this);
    m_checkBeforeBuildAction->setCheckable(true);
    m_findDock = new CFindReplaceDock(m_doc, this);
    m_previewDock = new CScenePreviewDock(m_doc, this);
    addDockWidget(Qt::RightDockWidgetArea, m_findDock);
    addDockWidget(Qt::RightDockWidgetArea, m_previewDock);
    tabifyDockWidget(m_findDock, m_previewDock);
    m_findDock->hide();
    m_previewDock->hide();
    // Ctrl+H always lands in the search field; the dock closes with Esc or
    // its own button.
    auto* findAction = new QAction(QStringLiteral("検索と置換(&H)"), this);
    findAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(findAction, &QAction::triggered, m_findDock, &CFindReplaceDock::ShowAndFocus);
    m_previewDock->toggleViewAction()->setText(QStringLiteral("スクリプトプレビュー(&P)"));
    for (QMenu* menu : menuBar()->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) {
        if (menu->title() == QStringLiteral("ビルド(&B)")) {
            menu->addSeparator();
            menu->addAction(m_checkAction);
            menu->addAction(m_checkBeforeBuildAction);
        } else if (menu->title() == QStringLiteral("編集(&E)")) {
            menu->addAction(findAction);
        } else if (menu->title() == QStringLiteral("表示(&V)")) {
            menu->addAction(m_previewDock->toggleViewAction());
        }
    }
    connect(m_output, &CScenewrightOutputView::placeActivated, this, &CMainFrame::ShowPlace);
    connect(m_findDock, &CFindReplaceDock::placeActivated, this, &CMainFrame::ShowPlace);
    connect(m_chart, &CScenewrightView::sceneAdded, m_properties,
            &CScenewrightPropertyView::EditTitle);
}

void CMainFrame::CheckProjectNow() {
    if (m_building)
        return;
    const std::vector<CheckFinding> findings = CheckProject(m_doc);
    std::string line;
    sw::ui::ToCp932(QStringLiteral("-----プロジェクトチェック-----"), line);
    m_doc.PostLogLine(SwLog::Plain, line);
    PostFindings(m_doc, findings);
    sw::ui::ToCp932(QStringLiteral("-----チェック終了: %1 件-----").arg(findings.size()), line);
    m_doc.PostLogLine(SwLog::Plain, line);
    statusBar()->showMessage(findings.empty()
                                 ? QStringLiteral("問題は見つかりませんでした。")
                                 : QStringLiteral("%1 件見つかりました。").arg(findings.size()));
}

void CMainFrame::ShowPlace(int sceneId, int cell) {
    CSwScene* scene = m_doc.FindScene(sceneId);
    if (m_building || scene == nullptr)
        return;
    m_doc.SelectScene(scene);
    if (cell >= 0 && cell < scene->GetCellCount())
        m_cells->SelectCells(cell, 1);
}

void CMainFrame::RunEngine() {
    if (m_building || !m_doc.CanRunEngine())
        return;
    m_doc.RunEngine();
}

bool CMainFrame::PlayFromHere(bool fromCell) {
    const CSwScene* scene = m_doc.GetCurrentScene();
    if (m_building || m_releasing || scene == nullptr)
        return false;
    PreviewPoint point{scene->id, -1};
    if (fromCell) {
        const std::vector<int> cells = m_cells->SelectedCells();
        if (cells.size() != 1)
            return false;
        point.cell = cells.front();
    }
    if (m_doc.GetEnginePath().empty()) {
        ShowError(
            QStringLiteral("吉里吉里の場所が設定されていません。"
                           "オプション → 設定 で吉里吉里のフォルダか実行ファイルを選んで下さい。"));
        return false;
    }
    m_building = true;
    UpdateCommandStates();
    statusBar()->showMessage(QStringLiteral("ここから実行するゲームを書き出しています..."));
    BuildProgress progress(*this);
    std::string refusal;
    const std::string folder = DefaultPreviewFolder(m_doc);
    const std::int32_t status =
        BuildPreview(m_doc, point, folder, refusal, &m_previewCache, &progress);
    m_progress->hide();
    m_building = false;
    UpdateCommandStates();
    if (status != SwBuildStatus::Built) {
        const QString why = refusal.empty() ? m_output->Summary() : sw::ui::FromCp932(refusal);
        statusBar()->showMessage(QStringLiteral("ここから実行できませんでした。"));
        ShowError(QStringLiteral("ここから実行できませんでした。\n") + why);
        return false;
    }
    const bool started = m_doc.RunEngineOn(folder) == CScenewrightDoc::kEngineStarted;
    statusBar()->showMessage(started ? QStringLiteral("吉里吉里を起動しました: ") +
                                           sw::ui::FromCp932(folder)
                                     : QStringLiteral("吉里吉里を起動できませんでした。"));
    return started;
}

void CMainFrame::EditEngineFolder() {
    const int backupCount = m_doc.GetBackupCount();
    CSystemSettingsDialog dialog(sw::ui::FromCp932(m_doc.GetEnginePath()), backupCount, this);
    const QString templateFolder = sw::ui::FromCp932(m_doc.GetEngineTemplatePath());
    dialog.SetTemplateFolder(templateFolder);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.BackupCount() != backupCount && !m_doc.SetBackupCount(dialog.BackupCount()))
        ShowError(QStringLiteral("設定ファイル ") + sw::ui::FromCp932(m_doc.GetSettingsFilePath()) +
                  QStringLiteral(" に書き込めませんでした。"));
    std::string folder;
    QString error;
    if (!sw::ui::PathToCp932(dialog.EngineFolder(), folder, &error))
        ShowError(error);
    else if (!m_doc.SetEnginePath(folder))
        ShowError(QStringLiteral("設定ファイル ") + sw::ui::FromCp932(m_doc.GetSettingsFilePath()) +
                  QStringLiteral(" に書き込めませんでした。"));
    if (dialog.TemplateFolder() != templateFolder) {
        if (!sw::ui::PathToCp932(dialog.TemplateFolder(), folder, &error))
            ShowError(error);
        else if (!m_doc.SetEngineTemplatePath(folder))
            ShowError(QStringLiteral("設定ファイル ") +
                      sw::ui::FromCp932(m_doc.GetSettingsFilePath()) +
                      QStringLiteral(" に書き込めませんでした。"));
    }
    UpdateCommandStates();
}

void CMainFrame::ShowAbout() {
    const QString libraries = QString::fromLatin1(sw::versions::Libraries().c_str()) +
                              QStringLiteral("Qt %1").arg(QString::fromLatin1(qVersion()));
    QMessageBox::about(
        this, QStringLiteral("バージョン情報"),
        QStringLiteral("Scenewright バージョン %1\norvik\n\n%2\n\n"
                       "Portions of this software are based in part on the work of the "
                       "Independent JPEG Group.")
            .arg(QString::fromLatin1(sw::versions::Program()), libraries));
}

void CMainFrame::ShowManual() {
    const QString manual = ManualPath();
    if (manual.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(manual)))
        ShowError(QStringLiteral("使い方のページを開けませんでした。") +
                  (manual.isEmpty() ? QString() : QStringLiteral(" ") + manual));
}

QString CMainFrame::ManualPath() {
    // Installed beside the program's share folder, or in the source tree of
    // a build that was never installed.
    const QString here = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {here + QStringLiteral("/../share/doc/scenewright/manual.html"),
                                     QStringLiteral(SCENEWRIGHT_SOURCE_DIR "/docs/manual.html")}) {
        if (QFileInfo::exists(candidate))
            return QFileInfo(candidate).canonicalFilePath();
    }
    return QString();
}

void CMainFrame::FillRecentMenu() {
    m_recentMenu->clear();
    const QStringList files = sw::ui::RecentFiles();
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        QAction* action = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
        connect(action, &QAction::triggered, this, [this, path] { OpenPath(path); });
    }
    if (files.isEmpty())
        m_recentMenu->addAction(QStringLiteral("(なし)"))->setEnabled(false);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_building) {
        event->ignore();
        return;
    }
    // A save still under way decides whether anything is left unsaved.
    WaitForFileJobs();
    if (m_doc.IsModified()) {
        switch (m_host.AskSaveChanges()) {
        case IDocumentHost::Answer::Yes:
            if (Save(false, true) != CScenewrightDoc::kSaved) {
                event->ignore();
                return;
            }
            break;
        case IDocumentHost::Answer::No:
            break;
        case IDocumentHost::Answer::Cancel:
            event->ignore();
            return;
        }
    }
    // Saved or given up: either way nothing is left to recover.
    m_doc.DiscardRecoveryCopy();
    QSettings().setValue(QStringLiteral("Window/DockState"), saveState());
    event->accept();
}

void CMainFrame::Autosave() {
    if (m_building || !m_doc.IsModified())
        return;
    std::optional<CScenewrightDoc::RecoveryJob> prepared = m_doc.PrepareRecoveryCopy();
    if (!prepared)
        return;
    auto job = std::make_shared<CScenewrightDoc::RecoveryJob>(std::move(*prepared));
    RunFileJob([job] { job->Run(); },
               [this, job] {
                   if (!job->written)
                       statusBar()->showMessage(QStringLiteral("自動保存できませんでした。"),
                                                10000);
               });
}

void CMainFrame::OfferRecoveryOfLastProject() {
    if (m_doc.OfferUntitledRecovery()) {
        UpdateCommandStates();
        UpdateTitle();
        return;
    }
    const QStringList files = sw::ui::RecentFiles();
    std::string path;
    if (files.isEmpty() || !sw::ui::PathToCp932(files.first(), path) ||
        !CScenewrightDoc::HasNewerRecoveryCopy(path))
        return;
    OpenPath(files.first());
}

namespace {

// The first project file among dropped files, "" for none.
QString DroppedProject(const QMimeData* data) {
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() &&
            url.toLocalFile().endsWith(QStringLiteral(".swo"), Qt::CaseInsensitive))
            return url.toLocalFile();
    }
    return QString();
}

} // namespace

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!m_building && !DroppedProject(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QString project = DroppedProject(event->mimeData());
    if (project.isEmpty())
        return;
    event->acceptProposedAction();
    OpenPath(project);
}
