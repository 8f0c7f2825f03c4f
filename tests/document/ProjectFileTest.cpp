#include "document/ScenewrightDoc.h"
#include "model/cells/SwCharacter.h"
#include "model/cells/SwKagPlugin.h"
#include "model/cells/SwMessage.h"
#include "platform/Files.h"
#include "support/CollectingView.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

const char kAwkwardText[] = "\"<a> & 'b'\"\t①㈱髙﨑 ソ表\\~\nline2";

CSwScene* AddScene(CScenewrightDoc& doc, std::int32_t id, std::int32_t type) {
    auto scene = std::make_unique<CSwScene>();
    scene->id = id;
    scene->type = type;
    return doc.AdoptScene(std::move(scene));
}

void Link(CSwScene* parent, CSwScene* child) {
    if (parent->child)
        parent->child->AppendSibling(child);
    else {
        parent->child = child;
        child->parent = parent;
    }
}

// A project holding every kind of value the file format knows.
void FillProject(CScenewrightDoc& doc, const TempFolder& temp) {
    CSwSettings& s = doc.GetSettings();
    s.height = 720, s.width = 1280, s.laycount = 5, s.msglaycount = 3;
    s.encrypt = 1, s.savewidhimage = 1, s.freesave = 1;
    s.savelocation = "セーブ";
    s.saveprefix = "pre&fix";
    s.name = kAwkwardText;
    s.root = temp.File("game");
    s.bgmtype = 2;
    s.deflinkcol = 0x00123456;
    s.htvertivalview = 1, s.htstorestate = 1, s.htmaxpages = 7, s.htmaxlines = 99;
    s.backcg = {temp.File("proj/背景.png"), temp.File("proj/bg/sub.png"),
                temp.File("media/sib.png")};
    s.forecg = {"C:\\win\\abs.png"};
    s.othercg = {"o"}, s.rulecg = {"r"}, s.bgm = {"b"}, s.se = {"s"}, s.movie = {"m"};
    auto character = std::make_unique<CSwCharacter>();
    character->SetText(CSwCharacter::kLastName, "髙橋");
    character->SetText(CSwCharacter::kFirstName, "﨑");
    character->SetInteger(CSwCharacter::kDelimiter, 3);
    character->SetInteger(CSwCharacter::kMsgColor, 0x00FF8000);
    character->id = 1;
    s.AddCharacter(std::move(character));

    // Creation order differs from tree order: the root is created last.
    CSwScene* second = AddScene(doc, 2, SwType::SceneLink);
    CSwScene* first = AddScene(doc, 3, SwType::SceneBranch);
    CSwScene* root = AddScene(doc, 1, SwType::SceneChoice);
    Link(root, first);
    Link(root, second);
    second->linkto = first;
    root->select = 1;
    root->title = kAwkwardText;
    root->comment = "コメント";
    root->expcond = "f.a == \"x\"";
    root->mapimage = temp.File("proj/map/地図.png");
    root->layer = "message0";
    root->procedure = 1;
    auto message = std::make_unique<CSwMessage>();
    message->id = 10;
    message->SetMessage(kAwkwardText);
    message->SetClean(false);
    root->AddCell(std::move(message));
    auto plugin = std::make_unique<CSwKagPlugin>();
    plugin->id = 11;
    root->AddCell(std::move(plugin));
}

} // namespace

TEST(ProjectFile, EveryValueSurvivesWriteReadWriteByteForByte) {
    TempFolder temp;
    CScenewrightDoc original;
    FillProject(original, temp);
    const std::string firstPath = temp.File("proj/a.swo");
    sw::files::CreateDirectory(temp.File("proj"));
    ASSERT_TRUE(original.WriteProjectFile(firstPath.c_str()));
    const std::string firstBytes = ReadFileOrEmpty(firstPath);

    // Spot checks of the stored forms.
    EXPECT_TRUE(firstBytes.starts_with(
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\" ?>\r\n<SwStrage>\r\n"));
    EXPECT_NE(firstBytes.find("<root>\"../game\"</root>"), std::string::npos);
    EXPECT_NE(firstBytes.find("<backcg>\"" + temp.File("proj/背景.png") + "\"</backcg>"),
              std::string::npos);
    EXPECT_NE(firstBytes.find("<mapimage>\"./map/地図.png\"</mapimage>"), std::string::npos);
    EXPECT_NE(firstBytes.find("<deflinkcol>0x00563412</deflinkcol>"), std::string::npos);
    EXPECT_NE(firstBytes.find("<linkto>3</linkto>"), std::string::npos);
    EXPECT_EQ(firstBytes.find('\n'), firstBytes.find("\r\n") + 1);

    CScenewrightDoc reread;
    ASSERT_TRUE(reread.ReadProjectFile(firstPath.c_str()));
    EXPECT_EQ(reread.GetSettings().name, kAwkwardText);
    EXPECT_EQ(reread.GetSettings().root, temp.File("game"));
    EXPECT_EQ(reread.GetSettings().GetCharacterAt(0)->FullName(), "髙橋★﨑");
    ASSERT_EQ(reread.GetSceneCount(), 3);
    CSwScene* root = reread.GetSceneAt(2);
    EXPECT_EQ(reread.GetCurrentScene(), root);
    EXPECT_EQ(root->mapimage, temp.File("proj/map/地図.png"));
    EXPECT_EQ(root->child, reread.GetSceneAt(1));
    EXPECT_EQ(reread.GetSceneAt(0)->linkto, reread.GetSceneAt(1));
    EXPECT_EQ(CSwObj::GetChildAt(root, 1), reread.GetSceneAt(0));
    ASSERT_EQ(root->GetCellCount(), 2);
    EXPECT_EQ(static_cast<CSwMessage*>(root->GetCellAt(0))->message(), kAwkwardText);
    EXPECT_FALSE(reread.IsModified());

    const std::string secondPath = temp.File("proj/b.swo");
    ASSERT_TRUE(reread.WriteProjectFile(secondPath.c_str()));
    EXPECT_EQ(ReadFileOrEmpty(secondPath), firstBytes);
}

TEST(ProjectFile, SavingElsewhereRewritesRelativePaths) {
    TempFolder temp;
    CScenewrightDoc doc;
    FillProject(doc, temp);
    const std::string path = temp.File("proj/deeper/x.swo");
    sw::files::CreateDirectory(temp.File("proj"));
    sw::files::CreateDirectory(temp.File("proj/deeper"));
    ASSERT_TRUE(doc.WriteProjectFile(path.c_str()));
    EXPECT_NE(ReadFileOrEmpty(path).find("<mapimage>\"../map/地図.png\"</mapimage>"),
              std::string::npos);
    EXPECT_EQ(doc.GetPathName(), path);
}

TEST(ProjectFile, EmptyProjectAndWindowsMadePaths) {
    TempFolder temp;
    CScenewrightDoc empty;
    const std::string path = temp.File("empty.swo");
    ASSERT_TRUE(empty.WriteProjectFile(path.c_str()));
    const std::string bytes = ReadFileOrEmpty(path);
    EXPECT_TRUE(bytes.ends_with("<htmaxlines>2000</htmaxlines>\r\n</SwObject>\r\n</SwStrage>\r\n"));
    CScenewrightDoc reread;
    ASSERT_TRUE(reread.ReadProjectFile(path.c_str()));
    EXPECT_EQ(reread.GetSceneCount(), 0);

    const std::string windows =
        temp.Write("win/p.swo",
                   "<?xml version=\"1.0\" encoding=\"Shift_JIS\" ?>\r\n<SwStrage>\r\n<SwObject>\r\n"
                   "  <type>1</type>\r\n  <root>\"..\\ゲーム\\ソ表\"</root>\r\n"
                   "  <backcg>\"C:\\bg\\a.png\"</backcg>\r\n</SwObject>\r\n</SwStrage>\r\n");
    CScenewrightDoc fromWindows;
    ASSERT_TRUE(fromWindows.ReadProjectFile(windows.c_str()));
    EXPECT_EQ(fromWindows.GetSettings().root, temp.File("ゲーム/ソ表"));
    EXPECT_EQ(fromWindows.GetSettings().backcg.front(), "C:\\bg\\a.png");
    EXPECT_EQ(fromWindows.GetSettings().width, 640); // missing keys keep their defaults
}

TEST(ProjectFile, FailedSaveKeepsOldFileAndReportsFailure) {
    TempFolder temp;
    CScenewrightDoc doc;
    FillProject(doc, temp);
    const std::string path = temp.File("proj/a.swo");
    sw::files::CreateDirectory(temp.File("proj"));
    ASSERT_TRUE(doc.WriteProjectFile(path.c_str()));
    const std::string saved = ReadFileOrEmpty(path);
    const std::string folderBefore = doc.GetProjectFileFolder();

    doc.GetSettings().name = "changed";
    doc.SetModifiedFlag();
    sw::files::InjectWriteFailureAfter(100);
    EXPECT_FALSE(doc.WriteProjectFile(temp.File("elsewhere.swo").c_str()));
    EXPECT_FALSE(doc.WriteProjectFile(path.c_str()));
    sw::files::InjectWriteFailureAfter(-1);
    EXPECT_EQ(ReadFileOrEmpty(path), saved);
    EXPECT_FALSE(sw::files::FileExists(temp.File("elsewhere.swo")));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetProjectFileFolder(), folderBefore);
    EXPECT_FALSE(doc.WriteProjectFile(nullptr));
    EXPECT_FALSE(doc.WriteProjectFile(temp.File("no/such/folder/a.swo").c_str()));
}

TEST(ProjectFile, ReadFailuresPostTheirMessagesAndLeaveTheDocumentEmpty) {
    TempFolder temp;
    struct Case {
        std::string path;
        std::string line;
    } cases[] = {
        {"", "error: 開くファイルが指定されていません。"},
        {temp.File("missing.swo"), "error:  " + temp.File("missing.swo") + " が存在しません。"},
        {temp.Write("text.swo", "not xml at all"),
         "error: ドキュメントが不正です(ルートが存在しない)。(1行目)"},
        {temp.Write("zero.swo", ""), "error: ドキュメントが不正です(ルートが存在しない)。(1行目)"},
    };
    for (const Case& c : cases) {
        CScenewrightDoc doc;
        CollectingLog log;
        doc.AddLogSink(&log);
        EXPECT_FALSE(doc.ReadProjectFile(c.path.c_str()));
        EXPECT_EQ(log.lines, std::vector<std::string>{c.line}) << c.path;
        EXPECT_EQ(doc.GetSceneCount(), 0);
        EXPECT_EQ(doc.GetPathName(), "");
        EXPECT_EQ(doc.GetProjectFilePath(), "");
    }
    CScenewrightDoc doc;
    CollectingLog log;
    doc.AddLogSink(&log);
    const std::string good =
        temp.Write("good.swo", "<?xml version=\"1.0\" encoding=\"Shift_JIS\" ?><x/>");
    EXPECT_TRUE(doc.ReadProjectFile(good.c_str()));
    EXPECT_EQ(log.lines, std::vector<std::string>{good + " を開きました。"});
}
