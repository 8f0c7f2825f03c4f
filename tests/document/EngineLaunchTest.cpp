#include "document/EngineLaunch.h"
#include "document/ScenewrightDoc.h"
#include "platform/IniFile.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A stand-in for the engine: records its working folder and each argument
// on a line of its own, then marks that it is done.
const char kStandInEngine[] = R"(#!/bin/sh
{ pwd; for argument in "$@"; do printf '%s\n' "$argument"; done; } > "$(dirname "$0")/ran.tmp"
mv "$(dirname "$0")/ran.tmp" "$(dirname "$0")/ran.txt"
)";

std::string WriteScript(const TempFolder& temp, const std::string& relative,
                        const std::string& text) {
    const std::string path = temp.Write(relative, text);
    ::chmod(path.c_str(), 0755);
    return path;
}

// The engine is not waited for, so its record is awaited here.
std::string AwaitRecord(const std::string& path) {
    for (int tries = 0; tries < 500; ++tries) {
        const std::string record = ReadFileOrEmpty(path);
        if (!record.empty())
            return record;
        ::usleep(10000);
    }
    return {};
}

struct LaunchFixture : ::testing::Test {
    void SetUp() override {
        doc.SetHost(&host);
        doc.SetSettingsFilePath(temp.File("config/Scenewright/Scenewright.ini"));
        doc.GetSettings().root = temp.File("my \"game\" dir/");
    }
    TempFolder temp;
    CScenewrightDoc doc;
    ScriptedHost host;
};

} // namespace

TEST(IniFile, KeepsOtherLinesAndReadsWithoutQuotes) {
    TempFolder temp;
    const std::string path = temp.Write("a.ini", "; note\r\n[Other]\r\nExePath=x\r\n[kirikiri]\r\n"
                                                 "Size=3\r\n\r\n[Last]\r\nKey=1\r\n");
    EXPECT_EQ(sw::ini::ReadString(path, "KiriKiri", "ExePath", "none"), "none");
    ASSERT_TRUE(sw::ini::WriteString(path, "KiriKiri", "ExePath", "\"/opt/エンジン\""));
    EXPECT_EQ(ReadFileOrEmpty(path), "; note\r\n[Other]\r\nExePath=x\r\n[kirikiri]\r\nSize=3\r\n"
                                     "ExePath=\"/opt/エンジン\"\r\n\r\n[Last]\r\nKey=1\r\n");
    EXPECT_EQ(sw::ini::ReadString(path, "KIRIKIRI", "exepath"), "/opt/エンジン");
    ASSERT_TRUE(sw::ini::WriteString(path, "KiriKiri", "ExePath", "\"b\""));
    EXPECT_EQ(sw::ini::ReadString(path, "KiriKiri", "ExePath"), "b");
    EXPECT_EQ(ReadFileOrEmpty(path).find("/opt"), std::string::npos);

    const std::string fresh = temp.File("new.ini");
    ASSERT_TRUE(sw::ini::WriteString(fresh, "KiriKiri", "ExePath", "\"\""));
    EXPECT_EQ(ReadFileOrEmpty(fresh), "[KiriKiri]\r\nExePath=\"\"\r\n");
    EXPECT_FALSE(sw::ini::WriteString(temp.File("no/such/folder/x.ini"), "S", "K", "v"));
}

TEST(EngineSettings, FileBesideTheExecutableWinsOverTheUserFolder) {
    TempFolder temp;
    EXPECT_EQ(LocateSettingsFile(temp.Path(), "/xdg", "/home/u"),
              "/xdg/Scenewright/Scenewright.ini");
    EXPECT_EQ(LocateSettingsFile(temp.Path(), "relative", "/home/u"),
              "/home/u/.config/Scenewright/Scenewright.ini");
    temp.Write("Scenewright.ini", "");
    EXPECT_EQ(LocateSettingsFile(temp.Path(), "/xdg", "/home/u"), temp.File("Scenewright.ini"));
}

TEST_F(LaunchFixture, RunIsOfferedOnlyAfterABuildWithAnEngineFolder) {
    EXPECT_EQ(doc.GetEnginePath(), "");
    ASSERT_TRUE(doc.SetEnginePath(temp.File("engine")));
    EXPECT_EQ(ReadFileOrEmpty(doc.GetSettingsFilePath()),
              "[KiriKiri]\r\nExePath=\"" + temp.File("engine") + "\"\r\n");
    EXPECT_EQ(doc.GetEnginePath(), temp.File("engine"));
    EXPECT_FALSE(doc.CanRunEngine());
    doc.SetBuildStatus(SwBuildStatus::MediaCopyFailed);
    EXPECT_TRUE(doc.CanRunEngine());

    EXPECT_EQ(doc.RunEngine(), CScenewrightDoc::kRunDeclined);
    EXPECT_EQ(host.asked, std::vector<std::string>{
                              "確認:前回ビルドでエラーが出ています。構わず起動しますか？"});
    doc.SetBuildStatus(SwBuildStatus::NotBuilt);
    doc.RunEngine();
    EXPECT_EQ(host.asked.back(), "確認:まだビルドされていません。構わず起動しますか？");
    EXPECT_TRUE(host.errors.empty());
}

TEST_F(LaunchFixture, EngineGetsTheProjectFolderAsOneArgument) {
    WriteScript(temp, "engine/krkr.eXe", kStandInEngine);
    doc.SetEnginePath(temp.File("engine"));
    doc.SetBuildStatus(SwBuildStatus::Built);
    ASSERT_EQ(doc.RunEngine(), CScenewrightDoc::kEngineStarted);
    EXPECT_TRUE(host.asked.empty());
    EXPECT_EQ(AwaitRecord(temp.File("engine/ran.txt")), temp.File("engine") +
                                                            "\n-readencoding=Shift_JIS\n" +
                                                            temp.File("my \"game\" dir/") + "\n");
}

// The native engine wins over the Windows one beside it, needs no wine, and
// is told that the scripts are CP932.
TEST_F(LaunchFixture, NativeEngineIsFoundInTheFolderOrNamedItself) {
    const std::string native = ReadFileOrEmpty(SW_STANDIN_ENGINE);
    ASSERT_EQ(native.rfind("\x7f"
                           "ELF",
                           0),
              0u);
    temp.Write("engine/KrKr.eXe", "MZ\x90");
    WriteScript(temp, "engine/KrKrSDL2", native);
    temp.Write("engine/readme.txt", "not a program");
    doc.SetBuildStatus(SwBuildStatus::Built);
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", temp.File("empty").c_str(), 1); // no wine
    doc.SetEnginePath(temp.File("engine"));
    const int fromFolder = doc.RunEngine();
    const std::string folderRecord = AwaitRecord(temp.File("engine/ran.txt"));

    WriteScript(temp, "other/game-engine", native);
    WriteScript(temp, "other/tool", native);
    doc.SetEnginePath(temp.File("other/game-engine"));
    const int fromFile = doc.RunEngine();
    const std::string fileRecord = AwaitRecord(temp.File("other/ran.txt"));
    ::unlink(temp.File("other/ran.txt").c_str());
    // Two programs, neither named like the engine: which one is meant is unclear.
    doc.SetEnginePath(temp.File("other"));
    const int ambiguous = doc.RunEngine();
    ::setenv("PATH", savedPath.c_str(), 1);

    const std::string expected = "\n-readencoding=Shift_JIS\n" + doc.GetProjectRoot() + "\n";
    EXPECT_EQ(fromFolder, CScenewrightDoc::kEngineStarted);
    EXPECT_EQ(folderRecord, temp.File("engine") + expected);
    EXPECT_EQ(fromFile, CScenewrightDoc::kEngineStarted);
    EXPECT_EQ(fileRecord, temp.File("other") + expected);
    EXPECT_EQ(ambiguous, CScenewrightDoc::kEngineNotStarted);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0],
              "吉里吉里の実行ファイル " + temp.File("other/KrKr.eXe") + " が見つかりません。");
}

TEST_F(LaunchFixture, WindowsEngineGoesThroughWineOrSaysWhyNot) {
    temp.Write("engine/KrKr.eXe", "MZ\x90");
    doc.SetEnginePath(temp.File("engine"));
    doc.SetBuildStatus(SwBuildStatus::Built);
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";

    ::setenv("PATH", temp.File("empty").c_str(), 1);
    EXPECT_EQ(doc.RunEngine(), CScenewrightDoc::kEngineNotStarted);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_NE(host.errors[0].find("wine をインストールして下さい。"), std::string::npos);

    WriteScript(temp, "bin/wine", kStandInEngine);
    ::setenv("PATH", (temp.File("bin") + ":" + savedPath).c_str(), 1);
    const int result = doc.RunEngine();
    ::setenv("PATH", savedPath.c_str(), 1);
    ASSERT_EQ(result, CScenewrightDoc::kEngineStarted);
    const std::string windowsFolder = "Z:" + doc.GetProjectRoot();
    std::string expected = temp.File("engine") + "\n" + temp.File("engine/KrKr.eXe") + "\n";
    for (char c : windowsFolder)
        expected += c == '/' ? '\\' : c;
    EXPECT_EQ(AwaitRecord(temp.File("bin/ran.txt")), expected + "\n");
}

TEST_F(LaunchFixture, MissingOrBrokenEngineIsReported) {
    doc.SetEnginePath(temp.File("engine"));
    doc.SetBuildStatus(SwBuildStatus::Built);
    EXPECT_EQ(doc.RunEngine(), CScenewrightDoc::kEngineNotStarted);
    temp.Write("engine/KrKr.eXe", "not a program"); // neither executable nor Windows
    EXPECT_EQ(doc.RunEngine(), CScenewrightDoc::kEngineNotStarted);
    WriteScript(temp, "engine/KrKr.eXe", "#!/no/such/interpreter\n");
    EXPECT_EQ(doc.RunEngine(), CScenewrightDoc::kEngineNotStarted);
    ASSERT_EQ(host.errors.size(), 3u);
    EXPECT_EQ(host.errors[0],
              "吉里吉里の実行ファイル " + temp.File("engine/KrKr.eXe") + " が見つかりません。");
    EXPECT_EQ(host.errors[1],
              temp.File("engine/KrKr.eXe") + " は実行できるプログラムではありません。");
    EXPECT_EQ(host.errors[2].rfind("吉里吉里を起動できません。", 0), 0u);
}
