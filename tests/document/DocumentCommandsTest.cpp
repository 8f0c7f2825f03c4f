#include "document/ScenewrightDoc.h"
#include "support/CollectingView.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

TEST(DocumentCommands, NewAndOpenAskBeforeDroppingChanges) {
    TempFolder temp;
    CScenewrightDoc doc;
    ScriptedHost host;
    CollectingLog log;
    doc.SetHost(&host);
    doc.AddLogSink(&log);
    doc.OnFileNew(); // no scenes: nothing happens
    EXPECT_TRUE(log.lines.empty());

    doc.AddScene(CScenewrightDoc::kNewTopLevel);
    EXPECT_TRUE(doc.CanSave());
    doc.OnFileNew(); // cancelled
    EXPECT_EQ(doc.GetSceneCount(), 1);
    host.answer = IDocumentHost::Answer::No;
    doc.OnFileNew();
    EXPECT_EQ(doc.GetSceneCount(), 0);
    EXPECT_EQ(log.lines.back(), "ドキュメントを初期化しました。");
    EXPECT_FALSE(doc.IsModified());

    // Save right after New asks for a name; Save after Open writes back.
    doc.AddScene(CScenewrightDoc::kNewTopLevel);
    host.savePath = temp.File("a.swo");
    EXPECT_EQ(doc.SaveProject(false), CScenewrightDoc::kSaved);
    EXPECT_EQ(host.saveDialogs, 1);
    EXPECT_FALSE(doc.CanSave());
    doc.AddScene(CScenewrightDoc::kNewTopLevel);
    host.openPath = host.savePath;
    host.answer = IDocumentHost::Answer::Yes;
    host.savePath.clear(); // the save dialog is shown and cancelled: so is the Open
    EXPECT_FALSE(doc.OnFileOpen());
    EXPECT_EQ(host.saveDialogs, 2);
    EXPECT_EQ(doc.GetSceneCount(), 2);

    host.answer = IDocumentHost::Answer::No;
    EXPECT_TRUE(doc.OnFileOpen());
    EXPECT_EQ(doc.GetSceneCount(), 1);
    doc.AddScene(CScenewrightDoc::kNewTopLevel);
    EXPECT_EQ(doc.SaveProject(false), CScenewrightDoc::kSaved);
    EXPECT_EQ(host.saveDialogs, 2);
    EXPECT_EQ(host.recent.back(), temp.File("a.swo"));

    // New after Yes saves to the project's own file without a dialog.
    doc.AddScene(CScenewrightDoc::kNewTopLevel);
    host.answer = IDocumentHost::Answer::Yes;
    doc.OnFileNew();
    EXPECT_EQ(host.saveDialogs, 2);
    EXPECT_EQ(doc.GetSceneCount(), 0);
}

TEST(DocumentCommands, FailedSaveStaysModified) {
    CScenewrightDoc doc;
    ScriptedHost host;
    doc.SetHost(&host);
    doc.AddScene(CScenewrightDoc::kNewTopLevel);
    host.savePath = "/no/such/folder/x.swo";
    EXPECT_EQ(doc.SaveProject(true), CScenewrightDoc::kWriteFailed);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), "");
    host.savePath.clear();
    EXPECT_EQ(doc.SaveProject(true), CScenewrightDoc::kCancelled);
}
