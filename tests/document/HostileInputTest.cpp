// Projects, texts and game folders made to hurt: each case is an attack that
// once hung the program, lost a project or wrote outside its folder.

#include "document/CellCommands.h"
#include "document/ProjectBuild.h"
#include "document/ProjectCheck.h"
#include "document/ScenarioImport.h"
#include "document/ScenewrightDoc.h"
#include "document/TextExport.h"
#include "model/cells/SwBgmCommands.h"
#include "model/cells/SwDialogue.h"
#include "model/cells/SwMessage.h"
#include "model/cells/SwParticle.h"
#include "platform/Files.h"
#include "platform/TextOutput.h"
#include "scenario/ProjectBuilder.h"
#include "support/CollectingView.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

const char kConfig[] = "function KAGWindow_config()\r\n{\r\n;scWidth = 1;\r\n}\r\n";

bool IsRegularFile(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// A project file with one scene holding `cells`, saved in its own folder.
struct SavedProject {
    TempFolder temp;
    CScenewrightDoc doc;
    CollectingLog log;
    std::string path = temp.File("proj/p.swo");
    CSwScene* scene = nullptr;
    SavedProject() {
        doc.AddLogSink(&log);
        doc.SetSettingsFilePath(temp.File("Scenewright.ini"));
        auto added = std::make_unique<CSwScene>();
        added->id = 1;
        scene = doc.AdoptScene(std::move(added));
        doc.SetCurrentSceneQuietly(scene);
        std::filesystem::create_directories(temp.File("proj"));
    }
    CSwMessage& AddMessage(std::string_view text) {
        auto cell = std::make_unique<CSwMessage>();
        cell->SetText(CSwMessage::kMessage, text);
        CSwMessage& added = *cell;
        scene->AddCell(std::move(cell));
        scene->MarkChanged();
        return added;
    }
    std::string Reopened(int cell = 0) const {
        CScenewrightDoc reread;
        if (!reread.ReadProjectFile(path.c_str()) || reread.GetSceneCount() != 1 ||
            reread.GetSceneAt(0)->GetCellCount() <= cell)
            return "(not read)";
        return static_cast<const CSwCommand*>(reread.GetSceneAt(0)->GetCellAt(cell))
            ->Text(CSwMessage::kMessage);
    }
};

// A game folder beside a folder of files that no build may touch.
struct LinkedGame {
    TempFolder temp;
    CScenewrightDoc doc;
    CollectingLog log;
    std::string root = temp.File("game");
    std::string song = temp.Write("media/song.ogg", "song");
    LinkedGame() {
        doc.AddLogSink(&log);
        doc.GetSettings().root = root;
        temp.Write("game/system/config.tjs", kConfig);
        for (const char* folder : {"scenario", "bgm"})
            std::filesystem::create_directories(temp.File(std::string("game/") + folder));
        auto scene = std::make_unique<CSwScene>();
        scene->id = 3;
        auto bgm = std::make_unique<CSwBgmPlay>();
        bgm->SetText(CSwBgmPlay::kStorage, song);
        scene->AddCell(std::move(bgm));
        doc.AdoptScene(std::move(scene));
    }
    // A file outside the game folder, and a link to it at `inGame`.
    std::string Plant(const std::string& inGame, const std::string& victim) {
        const std::string target = temp.Write("outside/" + victim, "victim");
        std::filesystem::create_symlink(target, temp.File("game/" + inGame));
        return target;
    }
};

void MakeOld(const std::string& path) {
    const timeval old[2] = {{std::time(nullptr) - 600, 0}, {std::time(nullptr) - 600, 0}};
    ::utimes(path.c_str(), old);
}

} // namespace

TEST(HostileInput, BuildOutputsReplaceLinksInsteadOfWritingThroughThem) {
    LinkedGame game;
    const std::vector<std::string> victims = {
        game.Plant("system/config.tmp", "a"), game.Plant("scenario/first.ks", "b"),
        game.Plant("system/config.bak", "c"), game.Plant("bgm/song.ogg", "d")};
    ASSERT_TRUE(BuildProject(game.doc)) << game.log.lines.at(1);
    for (const std::string& victim : victims)
        EXPECT_EQ(ReadFileOrEmpty(victim), "victim") << victim;
    for (const char* output :
         {"system/config.tjs", "system/config.bak", "scenario/first.ks", "bgm/song.ogg"})
        EXPECT_TRUE(IsRegularFile(game.temp.File(std::string("game/") + output))) << output;
    EXPECT_FALSE(sw::files::FileExists(game.temp.File("game/system/config.tmp")));
    EXPECT_EQ(ReadFileOrEmpty(game.temp.File("game/system/config.bak")), kConfig);
    EXPECT_EQ(ReadFileOrEmpty(game.temp.File("game/bgm/song.ogg")), "song");
}

TEST(HostileInput, FoldersThatLinkOutOfTheGameFolderAreRefused) {
    // The scenario folder leads elsewhere: status 4 and the link named.
    LinkedGame scenario;
    std::filesystem::remove(scenario.temp.File("game/scenario"));
    std::filesystem::create_directories(scenario.temp.File("elsewhere"));
    std::filesystem::create_directory_symlink(scenario.temp.File("elsewhere"),
                                              scenario.temp.File("game/scenario"));
    EXPECT_FALSE(BuildProject(scenario.doc));
    EXPECT_EQ(scenario.doc.GetBuildStatus(), SwBuildStatus::OutputUnwritable);
    EXPECT_EQ(scenario.log.lines.at(scenario.log.lines.size() - 2),
              "error: " + scenario.root +
                  "/scenario はプロジェクトフォルダの外を指すリンクのため、書き込みません。");
    EXPECT_TRUE(std::filesystem::is_empty(scenario.temp.File("elsewhere")));

    // So does a media folder; one that stays inside the game folder is used.
    LinkedGame media;
    std::filesystem::remove(media.temp.File("game/bgm"));
    std::filesystem::create_directories(media.temp.File("elsewhere"));
    std::filesystem::create_directory_symlink(media.temp.File("elsewhere"),
                                              media.temp.File("game/bgm"));
    EXPECT_FALSE(BuildProject(media.doc));
    EXPECT_EQ(media.doc.GetBuildStatus(), SwBuildStatus::OutputUnwritable);
    EXPECT_TRUE(std::filesystem::is_empty(media.temp.File("elsewhere")));
    std::filesystem::remove(media.temp.File("game/bgm"));
    std::filesystem::create_directories(media.temp.File("game/music"));
    std::filesystem::create_directory_symlink("music", media.temp.File("game/bgm"));
    EXPECT_TRUE(BuildProject(media.doc));
    EXPECT_EQ(ReadFileOrEmpty(media.temp.File("game/music/song.ogg")), "song");
}

TEST(HostileInput, ConfigurationAndScenarioSurviveAFullDiskAndPipes) {
    LinkedGame game;
    ASSERT_TRUE(BuildProject(game.doc));
    const std::string firstKs = ReadFileOrEmpty(game.temp.File("game/scenario/first.ks"));
    // Whatever byte the disk fills at, config.tjs and first.ks stay whole.
    for (std::int64_t room : {0, 20, 60, 120, 200}) {
        sw::files::InjectWriteFailureAfter(room);
        BuildProject(game.doc);
        sw::files::InjectWriteFailureAfter(-1);
        const std::string config = ReadFileOrEmpty(game.temp.File("game/system/config.tjs"));
        EXPECT_NE(config.find(";scWidth = "), std::string::npos) << room;
        EXPECT_EQ(ReadFileOrEmpty(game.temp.File("game/scenario/first.ks")), firstKs) << room;
    }

    // A pipe or a device as config.tjs is refused at once, with the reason.
    const std::string config = game.temp.File("game/system/config.tjs");
    for (const bool pipe : {true, false}) {
        std::filesystem::remove(config);
        if (pipe)
            ASSERT_EQ(::mkfifo(config.c_str(), 0600), 0);
        else
            std::filesystem::create_symlink("/dev/zero", config);
        game.log.lines.clear();
        EXPECT_FALSE(BuildProject(game.doc));
        EXPECT_EQ(game.doc.GetBuildStatus(), SwBuildStatus::ConfigUnreadable);
        EXPECT_EQ(game.log.lines.at(1),
                  "error: " + config +
                      " は通常のファイルではない（フォルダ、パイプ、デバイスなど）ため読み込みま"
                      "せん。");
    }
}

TEST(HostileInput, BackupPruningDeletesOnlyThisProjectsBackups) {
    SavedProject p;
    ASSERT_TRUE(p.doc.SetBackupCount(1));
    // Another project's backups, and a name that is a wildcard pattern.
    const std::string other = p.temp.Write("proj/backup/other-20260101-000000.swo", "other");
    p.path = p.temp.File("proj/*.swo");
    for (int i = 0; i < 4; ++i) {
        p.AddMessage("text " + std::to_string(i));
        ASSERT_TRUE(p.doc.WriteProjectFile(p.path.c_str()));
    }
    EXPECT_EQ(ReadFileOrEmpty(other), "other");
    EXPECT_EQ(sw::files::FindFiles(p.temp.File("proj/backup"), "[*]-*").size(), 1u);

    // A backup folder that links elsewhere is neither written nor pruned.
    SavedProject linked;
    ASSERT_TRUE(linked.doc.SetBackupCount(1));
    const std::string kept = linked.temp.Write("elsewhere/p-20200101-000000.swo", "kept");
    linked.temp.Write("elsewhere/p-20200101-000001.swo", "kept");
    std::filesystem::create_directory_symlink(linked.temp.File("elsewhere"),
                                              linked.temp.File("proj/backup"));
    for (int i = 0; i < 3; ++i) {
        linked.AddMessage("text");
        ASSERT_TRUE(linked.doc.WriteProjectFile(linked.path.c_str()));
    }
    EXPECT_EQ(ReadFileOrEmpty(kept), "kept");
    EXPECT_EQ(sw::files::FindFiles(linked.temp.File("elsewhere"), "*").size(), 2u);
    EXPECT_EQ(linked.log.CountOf("warning: バックアップフォルダ "), 2);
}

TEST(HostileInput, StaleTemporariesOfAKilledSaveGoAtTheNextOpenOrSave) {
    SavedProject p;
    p.AddMessage("a");
    ASSERT_TRUE(p.doc.WriteProjectFile(p.path.c_str()));
    const std::string stale = p.temp.Write("proj/.p.swo.tmpAb3xYz", "half");
    const std::string fresh = p.temp.Write("proj/.p.swo.tmpQw8rTy", "being written");
    const std::string foreign = p.temp.Write("proj/.p.swo.tmp-notours", "x");
    const std::string another = p.temp.Write("proj/.q.swo.tmpAb3xYz", "x");
    for (const std::string& path : {stale, foreign, another})
        MakeOld(path);
    CScenewrightDoc reread;
    ASSERT_TRUE(reread.ReadProjectFile(p.path.c_str()));
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(fresh));
    EXPECT_TRUE(std::filesystem::exists(foreign));
    EXPECT_TRUE(std::filesystem::exists(another));

    MakeOld(fresh);
    ASSERT_TRUE(p.doc.WriteProjectFile(p.path.c_str()));
    EXPECT_FALSE(std::filesystem::exists(fresh));

    // A pipe as the settings file: saves go on with the default backups,
    // and the pipe is never replaced by a file.
    const std::string settings = p.temp.File("pipe.ini");
    ASSERT_EQ(::mkfifo(settings.c_str(), 0600), 0);
    p.doc.SetSettingsFilePath(settings);
    EXPECT_EQ(p.doc.GetBackupCount(), CScenewrightDoc::kDefaultBackupCount);
    EXPECT_FALSE(p.doc.SetBackupCount(2));
    p.AddMessage("b");
    EXPECT_TRUE(p.doc.WriteProjectFile(p.path.c_str()));
    struct stat info;
    ASSERT_EQ(::lstat(settings.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST(HostileInput, EntitiesAreRefusedBeforeTheyExpand) {
    // One 200 KB entity used 100,000 times: 20 GB once expanded.
    auto expanding = [](const std::string& root, const std::string& inner) {
        std::string text = "<?xml version=\"1.0\" encoding=\"Shift_JIS\" ?>\r\n<!DOCTYPE " + root +
                           " [<!ENTITY big \"" + std::string(200 * 1024, 'x') + "\">]>\r\n<" +
                           root + ">" + inner.substr(0, inner.find('|'));
        for (int i = 0; i < 100000; ++i)
            text += "&big;";
        return text + inner.substr(inner.find('|') + 1) + "</" + root + ">\r\n";
    };
    TempFolder temp;
    const std::string path = temp.Write(
        "big.swo", expanding("SwStrage", "<SwObject><type>1</type><name>|</name></SwObject>"));
    CScenewrightDoc doc;
    CollectingLog log;
    doc.AddLogSink(&log);
    EXPECT_FALSE(doc.ReadProjectFile(path.c_str()));
    EXPECT_EQ(log.lines.at(0), "error: ドキュメントが不正です(2行目に文書型宣言 DOCTYPE "
                               "があります。プロジェクトファイルには書けません)。");
    // The same text pasted as cells gives no cells.
    EXPECT_TRUE(sw::cells::CellsFromText(
                    expanding("SwCells", "<clct><type>102</type><message>|</message></clct>"), &doc)
                    .empty());
}

TEST(HostileInput, WhateverIsSavedOpensAgain) {
    SavedProject p;
    // Texts longer than the parser's usual limit, and line ends with CR.
    const std::string longText(11 * 1024 * 1024, 'a');
    p.AddMessage(longText);
    p.AddMessage("a\r\nb\rc\n");
    ASSERT_TRUE(p.doc.WriteProjectFile(p.path.c_str()));
    EXPECT_EQ(p.Reopened(0), longText);
    EXPECT_EQ(p.Reopened(1), "a\r\nb\rc\n");

    // A control character no project file can hold: the save is refused,
    // with the line, and the file on disk stays the one that opens.
    const std::string saved = ReadFileOrEmpty(p.path);
    p.AddMessage("bell\x07");
    const std::string text = p.doc.ProjectText();
    const auto line = 1 + std::count(text.begin(), text.begin() + text.find('\x07'), '\n');
    EXPECT_FALSE(p.doc.WriteProjectFile(p.path.c_str()));
    EXPECT_EQ(ReadFileOrEmpty(p.path), saved);
    EXPECT_EQ(p.log.lines.back(), "error: " + p.path + " を保存できません。" +
                                      std::to_string(line) +
                                      "行目のテキストに、プロジェクトファイルに書けない制御文字 "
                                      "(0x07) があります。その文字を消して下さい。");
}

TEST(HostileInput, ABadByteCostsOneCharacterNotTheProject) {
    TempFolder temp;
    const std::string path = temp.Write(
        "p.swo", "<?xml version=\"1.0\" encoding=\"Shift_JIS\" ?>\r\n<SwStrage>\r\n"
                 "<SwObject>\r\n  <type>1</type>\r\n  <name>\"題名\"</name>\r\n</SwObject>\r\n"
                 "<SwObject>\r\n  <type>10</type>\r\n  <id>4</id>\r\n"
                 "  <title>\"a\xFF"
                 "b\x85\x40"
                 "c\"</title>\r\n</SwObject>\r\n</SwStrage>\r\n");
    CScenewrightDoc doc;
    CollectingLog log;
    doc.AddLogSink(&log);
    ASSERT_TRUE(doc.ReadProjectFile(path.c_str()));
    EXPECT_EQ(doc.GetSettings().name, "題名");
    ASSERT_EQ(doc.GetSceneCount(), 1);
    EXPECT_EQ(doc.GetSceneAt(0)->title, "a〓b〓c");
    EXPECT_EQ(log.lines.at(0), "warning: 10行目（シーン番号4）の Shift_JIS として読めない文字を 〓 "
                               "に置き換えて読み込みました。");
}

TEST(HostileInput, ScenarioImportRefusesControlCharactersAndTakesLongTexts) {
    SavedProject p;
    for (const std::string& text : {std::string("太郎「やあ」\n地の文") + '\0' + "です\n",
                                    std::string("一\n二\n\x1B[31m三\n")}) {
        const std::string file = p.temp.Write("s.txt", text);
        EXPECT_FALSE(p.doc.ImportScenarioText(file.c_str()));
        const char control = text.find('\0') != std::string::npos ? 0 : 0x1B;
        EXPECT_EQ(p.log.lines.back(), "error: " + file +
                                          (control == 0 ? " の 2 行目に制御文字 (0x00)"
                                                        : " の 3 行目に制御文字 (0x1B)") +
                                          " があります。インポートを中止しました。");
    }
    EXPECT_EQ(p.scene->GetCellCount(), 0);

    // A 11 MB line and a million lines import, save and open again.
    std::string lines;
    for (int i = 0; i < 1000000; ++i)
        lines += "行\n";
    for (const std::string& text : {std::string(11 * 1024 * 1024, 'x') + "\n", lines}) {
        ASSERT_TRUE(p.doc.ImportScenarioText(p.temp.Write("s.txt", text).c_str()));
        ASSERT_TRUE(p.doc.WriteProjectFile(p.path.c_str()));
        EXPECT_NE(p.Reopened(p.scene->GetCellCount() - 1), "(not read)");
    }
}

TEST(HostileInput, ImportOfManySpeakersStaysLinear) {
    // Once about cubic: 8,000 speakers took minutes.
    SavedProject p;
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text +=
            "話者" + std::to_string(i) + "「台詞」\n話者" + std::to_string(i / 2) + "「再び」\n";
    ASSERT_TRUE(p.doc.ImportScenarioText(p.temp.Write("s.txt", text).c_str()));
    ASSERT_EQ(p.doc.GetSettings().GetCharacterCount(), 20000);
    ASSERT_EQ(p.scene->GetCellCount(), 40000);
    auto speakerOf = [&](int cell) {
        return static_cast<const CSwCommand*>(p.scene->GetCellAt(cell))
            ->Integer(CSwDialogue::kCharInf);
    };
    EXPECT_EQ(speakerOf(2 * 12345), 12345);
    EXPECT_EQ(speakerOf(2 * 12345 + 1), 12345 / 2);
}

TEST(HostileInput, TextImportRefusesControlCharactersAndKeepsOriginalSpellings) {
    SavedProject p;
    // ∵ in its NEC spelling, a kanji in its NEC-selected IBM spelling, a CR.
    const std::string original = "\x87\x9A\xED\x40\r\nおわり";
    p.AddMessage(original);
    p.AddMessage("second");
    std::string tsv = ExportTexts(p.doc);
    auto edited = [&](std::string_view from, std::string_view to) {
        std::string table = tsv;
        table.replace(table.find(from), from.size(), to);
        return table;
    };
    const TextImportResult result =
        ImportTexts(p.doc, edited(reinterpret_cast<const char*>(u8"おわり"),
                                  reinterpret_cast<const char*>(u8"終わり")));
    EXPECT_EQ(result.changed, 1);
    EXPECT_EQ(static_cast<const CSwCommand*>(p.scene->GetCellAt(0))->Text(CSwMessage::kMessage),
              "\x87\x9A\xED\x40\r\n終わり");

    tsv = ExportTexts(p.doc);
    for (const std::string& control :
         {std::string("\x01"), std::string("\0", 1), std::string("\x1B")}) {
        const TextImportResult refused = ImportTexts(p.doc, edited("second", "sec" + control));
        EXPECT_EQ(refused.changed, 0);
        ASSERT_EQ(refused.refused.size(), 1u);
        EXPECT_NE(refused.refused[0].find("3行目: 制御文字"), std::string::npos);
    }
    // A field over 10 MB is taken, and saved so that it opens.
    const std::string longText(11 * 1024 * 1024, 'y');
    EXPECT_EQ(ImportTexts(p.doc, edited("second", longText)).changed, 1);
    p.scene->MarkChanged();
    ASSERT_TRUE(p.doc.WriteProjectFile(p.path.c_str()));
    EXPECT_EQ(p.Reopened(1), longText);
    EXPECT_EQ(p.Reopened(0), "\x87\x9A\xED\x40\r\n終わり");
}

TEST(HostileInput, CheckAndBuildOfHostileCells) {
    SavedProject p;
    // A particle count of INT32_MAX: one finding, at once.
    auto particle = std::make_unique<CSwParticle>();
    particle->SetText(CSwParticle::kClassName, "snow");
    particle->SetText(CSwParticle::kImage, p.temp.File("proj/snow"));
    particle->SetInteger(CSwParticle::kCount, INT32_MAX);
    p.scene->AddCell(std::move(particle));
    // Media outside the project's folder.
    auto bgm = std::make_unique<CSwBgmPlay>();
    bgm->SetText(CSwBgmPlay::kStorage, p.temp.Write("elsewhere/song.ogg", "x"));
    p.scene->AddCell(std::move(bgm));
    ASSERT_TRUE(p.doc.WriteProjectFile(p.path.c_str()));
    const std::vector<CheckFinding> findings = CheckProject(p.doc);
    int missingImages = 0, outside = 0;
    for (const CheckFinding& finding : findings) {
        const std::string line = FindingLine(finding);
        missingImages += line.find("snow_0.* が見つかりません") != std::string::npos;
        outside += line.find(p.temp.File("elsewhere/song.ogg") +
                             " はプロジェクトファイルのフォルダの外") != std::string::npos;
    }
    EXPECT_EQ(missingImages, 1);
    EXPECT_EQ(outside, 1);

    // A dialogue without brackets (as the import makes them) builds.
    CSwDialogue dialogue;
    dialogue.SetText(CSwDialogue::kMessage, "text");
    dialogue.SetInteger(CSwDialogue::kBracketType, -1);
    CStringOutput out(false);
    EXPECT_TRUE(dialogue.Build(&out, &p.doc));
    EXPECT_NE(out.Text().find("]\ntext[font color=default]"), std::string::npos) << out.Text();
}
