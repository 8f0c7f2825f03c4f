#include "document/ScenewrightDoc.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace std::string_literals;

namespace {

struct CliRun {
    int exitCode;
    std::string output;
};

CliRun RunCli(const std::string& arguments) {
    std::string command = std::string(SW_CLI_PATH) + " " + arguments + " 2>&1";
    CliRun run{-1, {}};
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
        run.output.append(buffer, got);
    int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

const std::string kSample = SW_EXAMPLES_DIR "/sample/sample.swo";

} // namespace

TEST(Cli, ResaveReproducesAFileWeWroteByteForByte) {
    TempFolder temp;
    const std::string once = temp.File("once.swo");
    const std::string twice = temp.File("twice.swo");
    ASSERT_EQ(RunCli("resave " + kSample + " " + once).exitCode, 0);
    ASSERT_EQ(RunCli("resave " + once + " " + twice).exitCode, 0);
    const std::string bytes = ReadFileOrEmpty(once);
    EXPECT_FALSE(bytes.empty());
    EXPECT_EQ(ReadFileOrEmpty(twice), bytes);
}

TEST(Cli, CheckSummarisesAndFailuresExitNonZero) {
    CliRun check = RunCli("check " + kSample);
    EXPECT_EQ(check.exitCode, 0) << check.output;
    EXPECT_NE(check.output.find("scenes: "), std::string::npos);
    EXPECT_NE(check.output.find(reinterpret_cast<const char*>(u8"文章: ")), std::string::npos);
    EXPECT_NE(check.output.find(reinterpret_cast<const char*>(u8"を開きました。")),
              std::string::npos);

    CliRun missing = RunCli("check /no/such/file.swo");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find(reinterpret_cast<const char*>(u8"が存在しません。")),
              std::string::npos);
    EXPECT_EQ(RunCli("").exitCode, 64);
    EXPECT_EQ(RunCli("check").exitCode, 64);
    EXPECT_EQ(RunCli("frobnicate x").exitCode, 64);
}

TEST(Cli, CheckPrintsFindingsAndFailsOnAnError) {
    TempFolder temp;
    const std::string path = temp.File("faulty.swo");
    {
        CScenewrightDoc doc;
        doc.SelectScene(doc.AddScene(CScenewrightDoc::kNewTopLevel));
        doc.AddScene(CScenewrightDoc::kLinkAsChild);
        ASSERT_TRUE(doc.WriteProjectFile(path.c_str()));
    }
    CliRun check = RunCli("check " + path);
    EXPECT_EQ(check.exitCode, 1) << check.output;
    EXPECT_NE(
        check.output.find(reinterpret_cast<const char*>(
            u8"findings: 1\n  error: シーン番号2: 他へのリンクに実体が指定されていません。\n")),
        std::string::npos)
        << check.output;
    // The log line goes to stderr, which the run merges in front.
    CliRun json = RunCli("check --json " + path);
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_EQ(json.output.substr(json.output.find("[\n")), reinterpret_cast<const char*>(u8R"([
  {"kind": "error", "scene": 2, "cell": -1, "message": "他へのリンクに実体が指定されていません。"}
]
)"));
    EXPECT_EQ(RunCli("check --json " + kSample).exitCode, 0);

    // The build tells the same finding first, and builds all the same.
    temp.Write("game/system/config.tjs", "");
    CliRun build = RunCli("build " + path + " --check --root " + temp.File("game"));
    EXPECT_EQ(build.exitCode, 0) << build.output;
    EXPECT_NE(build.output.find(reinterpret_cast<const char*>(
                  u8"error: シーン番号2: 他へのリンクに実体が指定されていません。")),
              std::string::npos)
        << build.output;
    EXPECT_EQ(RunCli("build " + path + " --check --check").exitCode, 64);
}

TEST(Cli, TextRoundTripWithoutEditsKeepsTheFile) {
    TempFolder temp;
    const std::string project = temp.File("p.swo"), table = temp.File("t.tsv");
    ASSERT_EQ(RunCli("resave " + kSample + " " + project).exitCode, 0);
    ASSERT_EQ(RunCli("export-text " + project + " " + table).exitCode, 0);
    EXPECT_NE(ReadFileOrEmpty(table).find(
                  reinterpret_cast<const char*>(u8"\n2:0\tmessage\t\t\t森は静かだった。\n")),
              std::string::npos);
    CliRun import = RunCli("import-text " + project + " " + table + " --out " + temp.File("q.swo"));
    EXPECT_EQ(import.exitCode, 0) << import.output;
    EXPECT_EQ(ReadFileOrEmpty(temp.File("q.swo")), ReadFileOrEmpty(project));
    temp.Write("bad.tsv", "7:0\tmessage\t\t\tx\n");
    EXPECT_EQ(RunCli("import-text " + project + " " + temp.File("bad.tsv")).exitCode, 1);
}

TEST(Cli, BuildsTheSampleIntoAnotherFolder) {
    TempFolder temp;
    temp.Write("game/system/config.tjs",
               ReadFileOrEmpty(SW_EXAMPLES_DIR "/engine/system/config.tjs"));
    CliRun build = RunCli("build " + kSample + " --root " + temp.File("game"));
    EXPECT_EQ(build.exitCode, 0) << build.output;
    EXPECT_NE(build.output.find(reinterpret_cast<const char*>(u8"-----ビルド終了-----")),
              std::string::npos);
    const std::string firstKs = ReadFileOrEmpty(temp.File("game/scenario/first.ks"));
    const std::string config = ReadFileOrEmpty(temp.File("game/system/config.tjs"));
    // The image map shows its copied picture, and its areas are found by that name.
    EXPECT_NE(firstKs.find("storage=\"town.png\" page=fore]\r\n"), std::string::npos);
    // Each kind of cell of the opening scene, in its order.
    EXPECT_NE(firstKs.find(
                  "[clearvar]\r\n"
                  "[eval exp=\"f.courage = 0\"]\r\n"
                  "[fadeinbgm storage=\"theme.wav\" loop=true time=1500]\r\n"
                  "[backlay]\r\n"
                  "[image layer=base storage=\"sky.png\" page=back]\r\n"
                  "[trans layer=base children=true time=800 method=\"universal\" rule=\"wipe.png\" "
                  "vague=64 ]\r\n"
                  "[wt]\r\n"
                  "[current layer=message0 withback=false page=fore]\r\n"
                  "[layopt layer=message0 left=20 top=320 opacity=160 visible=true page=fore]\r\n"
                  "[position layer=message0 left=20 top=320 width=600 height=140 opacity=160 "
                  "color=0x203040 vertical=false page=fore]\r\n"
                  "[startanchor enabled=true]\r\n"
                  "[rclick call=true enabled=true target=\"*__LABEL_10__\"]\r\n"
                  "[playse storage=\"chime.wav\" buf=1 loop=false]\r\n"
                  "[playse storage=\"voice01.wav\" buf=2 loop=false]\r\n"
                  "[history output=true]\r\n[cm]\r\n[font color=0xFFFFFF]\r\n"
                  "山田一郎「おはよう。」[font color=default]\r\n"
                  "[ws buf=2 canskip=true]\r\n"),
              std::string::npos);
    EXPECT_FALSE(ReadFileOrEmpty(temp.File("game/bgm/theme.wav")).empty());
    EXPECT_FALSE(ReadFileOrEmpty(temp.File("game/rule/wipe.png")).empty());
    EXPECT_FALSE(ReadFileOrEmpty(temp.File("game/others/town.ma")).empty());
    EXPECT_FALSE(ReadFileOrEmpty(temp.File("game/image/town_p.png")).empty());
    // Particle cells call the plugin files they generate and bring their images.
    EXPECT_NE(firstKs.find("[call storage=\"pplg_snow.ks\"]\r\n"
                           "[eval exp=\"snow_object.init(%[])\"]\r\n"),
              std::string::npos);
    const std::string firefly = ReadFileOrEmpty(temp.File("game/scenario/pplg_firefly.ks"));
    EXPECT_NE(firefly.find("class fireflyPlugin extends KAGPlugin\r\n"), std::string::npos);
    EXPECT_NE(firefly.find("    moveclippos();\r\n"), std::string::npos);
    EXPECT_TRUE(ReadFileOrEmpty(temp.File("game/scenario/pplg_rain.ks"))
                    .ends_with("@endmacro\r\n@return\r\n"));
    for (const char* image : {"snow_3.png", "firefly_0.png", "rain_2.png"})
        EXPECT_FALSE(ReadFileOrEmpty(temp.File(std::string("game/image/") + image)).empty())
            << image;

    // A second build writes the same scenario and keeps the save-data id.
    EXPECT_EQ(RunCli("build " + kSample + " --root " + temp.File("game")).exitCode, 0);
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/scenario/first.ks")), firstKs);
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/system/config.tjs")), config);
    EXPECT_EQ(config.find("00000000-0000-0000-0000-000000000000"), std::string::npos);

    CliRun noEngine = RunCli("build " + kSample + " --root " + temp.File("empty"));
    EXPECT_EQ(noEngine.exitCode, 3);
    EXPECT_NE(noEngine.output.find("build status: 3"), std::string::npos);
    EXPECT_EQ(RunCli("build " + kSample + " --root").exitCode, 64);
    // The same folder set up from a template on the way, which touches
    // nothing already there.
    temp.Write("template/startup.tjs", "// start\r\n");
    temp.Write("template/system/Config.~new",
               ReadFileOrEmpty(SW_EXAMPLES_DIR "/engine/system/config.tjs"));
    temp.Write("template/system/Initialize.tjs", "// init\r\n");
    temp.Write("empty/system/Initialize.tjs", "// mine\r\n");
    CliRun initialised = RunCli("build " + kSample + " --root " + temp.File("empty") +
                                " --init-from " + temp.File("template"));
    EXPECT_EQ(initialised.exitCode, 0) << initialised.output;
    EXPECT_EQ(ReadFileOrEmpty(temp.File("empty/startup.tjs")), "// start\r\n");
    EXPECT_EQ(ReadFileOrEmpty(temp.File("empty/system/Initialize.tjs")), "// mine\r\n");
    EXPECT_EQ(ReadFileOrEmpty(temp.File("empty/scenario/first.ks")), firstKs);
}

TEST(Cli, PreviewWritesAGameStartingThereOrRefusesWithAReason) {
    TempFolder temp;
    CliRun preview = RunCli("preview " + kSample + " 2:8 --root " + temp.File("play"));
    EXPECT_EQ(preview.exitCode, 0) << preview.output;
    EXPECT_NE(preview.output.find("preview: " + temp.File("play")), std::string::npos);
    const std::string firstKs = ReadFileOrEmpty(temp.File("play/scenario/first.ks"));
    EXPECT_NE(firstKs.find("[jump target=\"*__PREVIEW_START__\"]\r\n"), std::string::npos);
    EXPECT_NE(firstKs.find(";\r\n*__PREVIEW_START__\r\n;\r\n[iscript]\r\nf.metFairy"),
              std::string::npos);
    EXPECT_FALSE(ReadFileOrEmpty(temp.File("play/fgimage/fairy.png")).empty());

    // Without --root, below the cache folder.
    const char* saved = std::getenv("XDG_CACHE_HOME");
    const std::string savedCache = saved ? saved : "";
    ::setenv("XDG_CACHE_HOME", temp.File("cache").c_str(), 1);
    CliRun cached = RunCli("preview " + kSample + " 5");
    if (saved)
        ::setenv("XDG_CACHE_HOME", savedCache.c_str(), 1);
    else
        ::unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(cached.exitCode, 0) << cached.output;
    const std::string below = temp.File("cache/Scenewright/preview/sample-");
    const std::size_t at = cached.output.find("preview: " + below);
    ASSERT_NE(at, std::string::npos) << cached.output;
    const std::string folder = cached.output.substr(at + 9, cached.output.find('\n', at) - at - 9);
    EXPECT_TRUE(std::filesystem::exists(folder + "/scenario/first.ks")) << folder;

    CliRun procedure = RunCli("preview " + kSample + " 10 --root " + temp.File("never"));
    EXPECT_EQ(procedure.exitCode, 1);
    EXPECT_NE(procedure.output.find(
                  reinterpret_cast<const char*>(u8"シーン番号10 は手続き（Procedure）の木にあり")),
              std::string::npos)
        << procedure.output;
    EXPECT_FALSE(std::filesystem::exists(temp.File("never")));
    for (const char* wrong : {" 0", " 5:x", "", " 5 --root", " 5 --out x"})
        EXPECT_EQ(RunCli("preview " + kSample + wrong).exitCode, 64) << wrong;
}

TEST(Cli, ImportAppendsCellsToTheNamedScene) {
    TempFolder temp;
    const std::string text = temp.Write(
        "s.txt", reinterpret_cast<const char*>(u8"新人「はじめまして」\n地の文\nSE/bell\n"));
    const std::string out = temp.File("out.swo");
    const CliRun run = RunCli("import " + kSample + " 2 " + text + " --out " + out);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find(reinterpret_cast<const char*>(
                  u8"  + 会話\n  + 文章\n  + SE再生\n  + SE終了\n  + キャラクター 新人\n")),
              std::string::npos)
        << run.output;
    const CliRun check = RunCli("check " + out);
    EXPECT_NE(check.output.find(reinterpret_cast<const char*>(u8"  新人\n")), std::string::npos);

    const CliRun noScene = RunCli("import " + kSample + " 999 " + text + " --out " + out);
    EXPECT_EQ(noScene.exitCode, 1);
    EXPECT_NE(noScene.output.find(
                  reinterpret_cast<const char*>(u8"シーン番号999 のシーンはありません。")),
              std::string::npos);
    EXPECT_EQ(RunCli("import " + kSample + " two " + text).exitCode, 64);
}

TEST(Cli, ReleasePacksTheGameAndXp3ListsAndExtractsIt) {
    TempFolder temp;
    std::filesystem::copy(SW_EXAMPLES_DIR "/sample", temp.File("sample"),
                          std::filesystem::copy_options::recursive);
    // No engine from the settings of whoever runs the tests.
    ::setenv("XDG_CONFIG_HOME", temp.File("config").c_str(), 1);
    const std::string project = temp.File("sample/sample.swo");
    const std::string archive = temp.File("out/data.xp3");
    ASSERT_EQ(RunCli("build " + project + " --init-from " + SW_EXAMPLES_DIR "/engine").exitCode, 0);

    CliRun release = RunCli("release " + project + " " + temp.File("out"));
    EXPECT_EQ(release.exitCode, 0) << release.output;
    EXPECT_NE(release.output.find(reinterpret_cast<const char*>(u8"ok: リリース: ")),
              std::string::npos)
        << release.output;
    CliRun list = RunCli("xp3 list " + archive);
    EXPECT_EQ(list.exitCode, 0) << list.output;
    // Each line: size, stored size, kind, Adler-32 and name.
    const auto lineOf = [&](const std::string& name) {
        const std::size_t end = list.output.find(" " + name + "\n");
        return end == std::string::npos ? std::string()
                                        : list.output.substr(list.output.rfind('\n', end) + 1,
                                                             end - list.output.rfind('\n', end));
    };
    EXPECT_NE(lineOf("scenario/first.ks").find(" zlib "), std::string::npos) << list.output;
    EXPECT_NE(lineOf("bgimage/sky.png").find(" raw "), std::string::npos) << list.output;
    CliRun extract = RunCli("xp3 extract " + archive + " " + temp.File("x/y"));
    EXPECT_EQ(extract.exitCode, 0) << extract.output;
    for (const char* name : {"scenario/first.ks", "system/config.tjs", "bgm/theme.wav"})
        EXPECT_EQ(ReadFileOrEmpty(temp.File(std::string("x/y/") + name)),
                  ReadFileOrEmpty(temp.File(std::string("sample/game/") + name)))
            << name;

    CliRun notAnArchive = RunCli("xp3 list " + project);
    EXPECT_EQ(notAnArchive.exitCode, 1);
    EXPECT_NE(
        notAnArchive.output.find(reinterpret_cast<const char*>(u8"XP3 アーカイブではありません")),
        std::string::npos);
    EXPECT_EQ(RunCli("xp3 list").exitCode, 64);
    EXPECT_EQ(RunCli("xp3 pack " + archive).exitCode, 64);
    EXPECT_EQ(RunCli("release " + project).exitCode, 64);
    EXPECT_EQ(RunCli("release " + project + " " + temp.File("e") + " --engine").exitCode, 64);
    EXPECT_EQ(RunCli("release " + project + " " + temp.File("e") + " --engine " + temp.File("no"))
                  .exitCode,
              1);
    std::filesystem::remove(temp.File("sample/game/system/config.tjs"));
    EXPECT_EQ(RunCli("release " + project + " " + temp.File("failed")).exitCode, 3);
    EXPECT_FALSE(std::filesystem::exists(temp.File("failed/data.xp3")));
}

TEST(Cli, HostileGameFoldersAndTextsExitWithTheirStatus) {
    TempFolder temp;
    const std::string game = temp.File("game");
    const std::string config = game + "/system/config.tjs";
    auto build = [&](const std::string& project) {
        return RunCli("build " + project + " --root " + game);
    };
    // A pipe as config.tjs: status 3 at once, with the reason.
    std::filesystem::create_directories(game + "/system");
    ASSERT_EQ(::mkfifo(config.c_str(), 0600), 0);
    CliRun pipe = build(kSample);
    EXPECT_EQ(pipe.exitCode, 3);
    EXPECT_NE(pipe.output.find(reinterpret_cast<const char*>(u8"は通常のファイルではない")),
              std::string::npos)
        << pipe.output;
    std::filesystem::remove(config);

    // CR-only line ends are patched; a NUL is refused with status 6.
    const std::string sampleConfig = ReadFileOrEmpty(SW_EXAMPLES_DIR "/engine/system/config.tjs");
    std::string crOnly;
    for (std::size_t i = 0; i < sampleConfig.size(); ++i) {
        if (sampleConfig.compare(i, 2, "\r\n") != 0)
            crOnly += sampleConfig[i];
    }
    std::replace(crOnly.begin(), crOnly.end(), '\n', '\r');
    temp.Write("game/system/config.tjs", crOnly);
    CliRun cr = build(kSample);
    EXPECT_EQ(cr.exitCode, 0) << cr.output;
    const std::string patched = ReadFileOrEmpty(config);
    EXPECT_EQ(patched.find('\n'), std::string::npos);
    EXPECT_NE(patched, crOnly);
    temp.Write("game/system/config.tjs",
               "function KAGWindow_config()\r\n{\r\n;scWidth\0 = 1;\r\n}\r\n"s);
    CliRun nul = build(kSample);
    EXPECT_EQ(nul.exitCode, 6) << nul.output;
    EXPECT_NE(nul.output.find(reinterpret_cast<const char*>(u8"3行目: NUL 文字")),
              std::string::npos);

    // A particle class name that would name a path: a failed cell, status 7.
    temp.Write("game/system/config.tjs", sampleConfig);
    std::string project = ReadFileOrEmpty(kSample);
    const std::size_t name = project.find("<classname>\"snow\"</classname>");
    ASSERT_NE(name, std::string::npos);
    project.replace(name, 29, "<classname>\"../../x\"</classname>");
    temp.Write("sample/hostile.swo", project);
    std::filesystem::copy(SW_EXAMPLES_DIR "/sample/media", temp.File("sample/media"));
    CliRun particle = build(temp.File("sample/hostile.swo"));
    EXPECT_EQ(particle.exitCode, 7) << particle.output;
    EXPECT_FALSE(std::filesystem::exists(temp.File("x.ks")));

    // A scenario text with a NUL imports nothing and leaves the project as it was.
    const std::string copy = temp.Write("p.swo", ReadFileOrEmpty(kSample));
    temp.Write("s.txt", "line\nnul\0here\n"s);
    CliRun import = RunCli("import " + copy + " 1 " + temp.File("s.txt"));
    EXPECT_EQ(import.exitCode, 1);
    EXPECT_NE(import.output.find(reinterpret_cast<const char*>(u8"の 2 行目に制御文字 (0x00)")),
              std::string::npos)
        << import.output;
    EXPECT_EQ(ReadFileOrEmpty(copy), ReadFileOrEmpty(kSample));
}

TEST(Cli, ImportKagMakesAProjectAndNamesWhatItCouldNotRead) {
    TempFolder temp;
    const std::string game = SW_TEST_DATA_DIR "/kag/game";
    CliRun run = RunCli("import-kag " + game + " " + temp.File("game.swo"));
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("scenario/utf16.ks"), std::string::npos);
    EXPECT_NE(run.output.find("warning: scenario/utf8.ks 3"), std::string::npos);
    CliRun check = RunCli("check " + temp.File("game.swo"));
    EXPECT_NE(check.output.find("scenes: 9"), std::string::npos) << check.output;
    EXPECT_EQ(check.exitCode, 0) << check.output;

    // Bad files are named and the rest still becomes a project.
    run = RunCli("import-kag " + std::string(SW_TEST_DATA_DIR "/kag/broken") + " " +
                 temp.File("broken.swo"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("error: scenario/script.ks 2"), std::string::npos) << run.output;
    EXPECT_FALSE(ReadFileOrEmpty(temp.File("broken.swo")).empty());

    run = RunCli("import-kag " + temp.File("missing") + " " + temp.File("none.swo"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(ReadFileOrEmpty(temp.File("none.swo")).empty());
    EXPECT_EQ(RunCli("import-kag " + game).exitCode, 64);
    EXPECT_EQ(RunCli("import-kag " + game + " x.swo --first").exitCode, 64);
}
