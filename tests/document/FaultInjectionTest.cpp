#include "document/ProjectBuild.h"
#include "document/ScenewrightDoc.h"
#include "model/cells/SwBgmCommands.h"
#include "model/cells/SwMessage.h"
#include "platform/Files.h"
#include "scenario/ProjectBuilder.h"
#include "support/CollectingView.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kConfig[] = "function KAGWindow_config()\r\n{\r\n;scWidth = 1;\r\n}\r\n";

// Permissions do not stop the superuser, so read-only folders prove nothing.
bool PermissionsApply() {
    return ::geteuid() != 0;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct SavedProject {
    TempFolder temp;
    CScenewrightDoc doc;
    std::string path = temp.File("proj/a.swo");
    std::string saved;
    SavedProject() {
        auto scene = std::make_unique<CSwScene>();
        scene->id = 1;
        auto message = std::make_unique<CSwMessage>();
        message->SetMessage(std::string(3000, 'x'));
        scene->AddCell(std::move(message));
        doc.AdoptScene(std::move(scene));
        sw::files::CreateDirectory(temp.File("proj"));
        EXPECT_TRUE(doc.WriteProjectFile(path.c_str()));
        saved = ReadFileOrEmpty(path);
        doc.GetSettings().name = "changed";
        doc.SetModifiedFlag();
    }
    // A failed save: false, the old file as it was, nothing left beside it,
    // and the document still modified and bound to its file.
    void ExpectFailedSave(const std::string& target) {
        EXPECT_FALSE(doc.WriteProjectFile(target.c_str()));
        ExpectUntouched();
    }
    void ExpectUntouched() {
        EXPECT_EQ(ReadFileOrEmpty(path), saved);
        for (const std::string& name : FolderEntries(temp.File("proj")))
            EXPECT_EQ(name.find(".tmp"), std::string::npos) << name; // no temporary left
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(doc.GetPathName(), path);
        EXPECT_EQ(doc.GetProjectFilePath(), path);
    }
};

// A game folder with one scene whose BGM cell names `media`.
struct BuildRig {
    TempFolder temp;
    CScenewrightDoc doc;
    CollectingLog log;
    std::string root = temp.File("game");
    BuildRig(const std::string& media = std::string()) {
        doc.AddLogSink(&log);
        doc.GetSettings().root = root;
        temp.Write("game/system/config.tjs", kConfig);
        auto scene = std::make_unique<CSwScene>();
        scene->id = 3;
        if (!media.empty()) {
            auto bgm = std::make_unique<CSwBgmPlay>();
            bgm->SetText(CSwBgmPlay::kStorage, media);
            scene->AddCell(std::move(bgm));
        }
        doc.AdoptScene(std::move(scene));
    }
    // A failed build: false, its status and the error line, never "built".
    void ExpectFailure(std::int32_t status, const std::string& error) {
        log.lines.clear();
        EXPECT_FALSE(BuildProject(doc));
        EXPECT_EQ(doc.GetBuildStatus(), status);
        ASSERT_GE(log.lines.size(), 3u);
        EXPECT_EQ(log.lines[log.lines.size() - 2], "error: " + error);
        EXPECT_EQ(log.lines.back(), "-----ビルド終了-----");
    }
    std::string Config() const { return ReadFileOrEmpty(temp.File("game/system/config.tjs")); }
};

} // namespace

TEST(FaultInjection, FailedSavesLeaveThePreviousFileByteIdentical) {
    SavedProject p;
    // The disk fills up at every stage of the write.
    for (std::int64_t room : {std::int64_t{0}, std::int64_t{1}, std::int64_t{60},
                              std::int64_t{1000}, static_cast<std::int64_t>(p.saved.size()) - 1}) {
        SCOPED_TRACE(room);
        sw::files::InjectWriteFailureAfter(room);
        p.ExpectFailedSave(p.path);
        sw::files::InjectWriteFailureAfter(-1);
    }

    // The target is a folder, or stands below a file.
    p.temp.Write("dir.swo/inside", "kept");
    p.ExpectFailedSave(p.temp.File("dir.swo"));
    EXPECT_EQ(ReadFileOrEmpty(p.temp.File("dir.swo/inside")), "kept");
    p.ExpectFailedSave(p.temp.File("proj/a.swo/b.swo"));

    // Not a regular file: a save must not put a file in place of a pipe.
    ASSERT_EQ(::mkfifo(p.temp.File("pipe.swo").c_str(), 0600), 0);
    p.ExpectFailedSave(p.temp.File("pipe.swo"));
    struct stat info;
    ASSERT_EQ(::lstat(p.temp.File("pipe.swo").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));

    // The project goes on to save once the disk has room again.
    EXPECT_TRUE(p.doc.WriteProjectFile(p.path.c_str()));
    EXPECT_NE(ReadFileOrEmpty(p.path), p.saved);
    EXPECT_FALSE(p.doc.IsModified());
}

TEST(FaultInjection, SaveIntoAReadOnlyFolder) {
    if (!PermissionsApply())
        GTEST_SKIP() << "running as the superuser, whom folder permissions do not stop";
    SavedProject p;
    ASSERT_EQ(::chmod(p.temp.File("proj").c_str(), 0555), 0);
    p.ExpectFailedSave(p.path);
    ::chmod(p.temp.File("proj").c_str(), 0755);
}

TEST(FaultInjection, BuildFailuresGiveTheirStatusAndMessage) {
    BuildRig missing;
    ASSERT_TRUE(std::filesystem::remove(missing.temp.File("game/system/config.tjs")));
    const std::string config = missing.root + "/system/config.tjs";
    missing.ExpectFailure(SwBuildStatus::ConfigUnreadable,
                          "読み込みモードで " + config + " を開くことが出来ません。");
    EXPECT_FALSE(sw::files::FileExists(missing.temp.File("game/scenario/first.ks")));

    BuildRig folder;
    ASSERT_TRUE(std::filesystem::remove(folder.temp.File("game/system/config.tjs")));
    folder.temp.Write("game/system/config.tjs/x", "");
    folder.ExpectFailure(SwBuildStatus::ConfigUnreadable,
                         "読み込みモードで " + folder.root +
                             "/system/config.tjs を開くことが出来ません。");
    EXPECT_TRUE(sw::files::DirectoryExists(folder.temp.File("game/system/config.tjs")));

    // The disk fills up while config.tmp, then first.ks, is written: the
    // configuration and the previous first.ks stay whole, and no
    // temporary is left behind.
    BuildRig full;
    sw::files::InjectWriteFailureAfter(10);
    full.ExpectFailure(SwBuildStatus::OutputUnwritable,
                       "書き込みモードで " + full.root +
                           "/system/config.tmp を開くことが出来ません。");
    sw::files::InjectWriteFailureAfter(-1);
    EXPECT_EQ(full.Config(), kConfig);
    EXPECT_EQ(FolderEntries(full.temp.File("game/system")), std::vector<std::string>{"config.tjs"});
    ASSERT_TRUE(BuildProject(full.doc));
    const std::string firstKs = ReadFileOrEmpty(full.temp.File("game/scenario/first.ks"));
    const std::string patched = full.Config();
    // Room for the new config.tmp and config.bak, not for first.ks.
    sw::files::InjectWriteFailureAfter(static_cast<std::int64_t>(
        patched.size() + ReadFileOrEmpty(full.temp.File("game/system/config.bak")).size() + 100));
    full.ExpectFailure(SwBuildStatus::OutputUnwritable,
                       "書き込みモードで出力先 " + full.root +
                           "/scenario/first.ks を開くことが出来ません。");
    sw::files::InjectWriteFailureAfter(-1);
    EXPECT_EQ(ReadFileOrEmpty(full.temp.File("game/scenario/first.ks")), firstKs);
    EXPECT_EQ(FolderEntries(full.temp.File("game/scenario")), std::vector<std::string>{"first.ks"});

    // The backup cannot take the old configuration: it must not be lost.
    BuildRig backup;
    backup.temp.Write("game/system/config.bak/x", "");
    backup.ExpectFailure(SwBuildStatus::OutputUnwritable,
                         "書き込みモードで " + backup.root +
                             "/system/config.bak を開くことが出来ません。");
    EXPECT_EQ(backup.Config(), kConfig);

    // The project folder is a file.
    BuildRig file;
    file.doc.GetSettings().root = file.temp.Write("plain", "");
    file.ExpectFailure(SwBuildStatus::ConfigUnreadable,
                       "読み込みモードで " + file.temp.File("plain") +
                           "/system/config.tjs を開くことが出来ません。");
}

TEST(FaultInjection, MediaMissingUnreadableOrOnAFullDisk) {
    TempFolder media;
    const std::string absent = media.File("absent.ogg");
    const std::string folder = media.Write("folder.ogg/x", "");
    const std::string song = media.Write("song.ogg", std::string(5000, 'm'));
    for (const std::string& path : {absent, media.File("folder.ogg")}) {
        BuildRig rig(path);
        rig.ExpectFailure(SwBuildStatus::MediaCopyFailed,
                          "シーン番号3: " + path + " のコピーに失敗。");
    }
    BuildRig full(song);
    // Room for the configuration and its backup, not for the song.
    sw::files::InjectWriteFailureAfter(2 * static_cast<std::int64_t>(std::strlen(kConfig)) + 100);
    full.ExpectFailure(SwBuildStatus::MediaCopyFailed,
                       "シーン番号3: " + song + " のコピーに失敗。");
    sw::files::InjectWriteFailureAfter(-1);
    EXPECT_EQ(FolderEntries(full.temp.File("game/bgm")), std::vector<std::string>{});
    EXPECT_TRUE(BuildProject(full.doc));
    EXPECT_EQ(ReadFileOrEmpty(full.temp.File("game/bgm/song.ogg")), std::string(5000, 'm'));
}

TEST(FaultInjection, MediaWithoutReadPermission) {
    if (!PermissionsApply())
        GTEST_SKIP() << "running as the superuser, whom file permissions do not stop";
    TempFolder media;
    const std::string song = media.Write("song.ogg", "m");
    ASSERT_EQ(::chmod(song.c_str(), 0), 0);
    BuildRig rig(song);
    rig.ExpectFailure(SwBuildStatus::MediaCopyFailed, "シーン番号3: " + song + " のコピーに失敗。");
}
