#include "document/CellCommands.h"
#include "document/CellFields.h"
#include "document/EditHistory.h"
#include "document/SceneEdits.h"
#include "document/TextSearch.h"
#include "model/cells/CommandCatalogue.h"
#include "model/cells/CreateObject.h"
#include "model/cells/SwCommand.h"
#include "support/CollectingView.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {

const std::string kSampleProject = std::string(SW_EXAMPLES_DIR) + "/sample/sample.swo";

std::string Saved(CScenewrightDoc& doc, const std::string& path) {
    EXPECT_TRUE(doc.WriteProjectFile(path.c_str()));
    return ReadFileOrEmpty(path);
}

// The current scene is kept in the file, but choosing one is no edit:
// undo moves it to what it changed.
std::string WithoutSelection(std::string text) {
    const std::string selected = "<select>1</select>";
    for (std::size_t at = text.find(selected); at != std::string::npos;
         at = text.find(selected, at))
        text.replace(at, selected.size(), "<select>0</select>");
    return text;
}

// "" for equal texts, else both texts around their first difference.
std::string Difference(const std::string& actual, const std::string& expected) {
    if (actual == expected)
        return std::string();
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    const std::size_t from = at > 80 ? at - 80 : 0;
    return "at " + std::to_string(at) + "\nactual:   " + actual.substr(from, 200) +
           "\nexpected: " + expected.substr(from, 200);
}

CSwScene* RandomScene(CScenewrightDoc& doc, std::mt19937& random) {
    if (doc.GetSceneCount() == 0)
        return nullptr;
    return doc.GetSceneAt(static_cast<int>(random() % static_cast<unsigned>(doc.GetSceneCount())));
}

std::vector<int> RandomPositions(const CSwScene& scene, std::mt19937& random) {
    std::vector<int> positions;
    for (int i = 0; i < scene.GetCellCount(); ++i) {
        if (random() % 4 == 0)
            positions.push_back(i);
    }
    return positions;
}

// One edit of the kinds an author makes, on whatever the random choice hits.
void RandomEdit(CScenewrightDoc& doc, std::mt19937& random) {
    doc.SelectScene(RandomScene(doc, random));
    CSwScene* scene = doc.GetCurrentScene();
    static const int kModes[] = {0, 1, 2, 5, 6, 9, 10, 13};
    const auto types = CommandCatalogue();
    switch (scene ? random() % 18 : 0) {
    case 0:
        doc.AddScene(kModes[random() % std::size(kModes)]);
        break;
    case 1:
        doc.DeleteScene(scene);
        break;
    case 2:
        doc.CutLink(scene);
        break;
    case 3: {
        std::vector<std::unique_ptr<CSwObj>> cells;
        cells.push_back(CreateObject(types[random() % types.size()].type));
        sw::cells::InsertCells(doc, *scene, static_cast<int>(random() % 5) - 1, std::move(cells));
        break;
    }
    case 4:
        sw::cells::CutCells(doc, *scene, RandomPositions(*scene, random));
        break;
    case 5:
        sw::cells::PasteCells(doc, *scene, static_cast<int>(random() % 5) - 1);
        break;
    case 6:
        sw::cells::DeleteCells(doc, *scene, RandomPositions(*scene, random));
        break;
    case 7:
        sw::cells::MoveCells(doc, *scene, RandomPositions(*scene, random),
                             static_cast<int>(random() % 6) - 1);
        break;
    case 8:
        sw::scenes::SetText(doc, *scene, sw::scenes::Text::Title,
                            "題名" + std::to_string(random() % 100));
        break;
    case 9:
        sw::scenes::SetFlag(doc, *scene, sw::scenes::Flag(random() % 4), random() % 2 == 0);
        break;
    case 10: {
        // A property dialog's OK: the fields of a copy changed within what
        // the dialog allows.
        if (scene->GetCellCount() == 0)
            break;
        const int position =
            static_cast<int>(random() % static_cast<unsigned>(scene->GetCellCount()));
        auto edited = sw::cells::CopyOfCell(*scene->GetCellAt(position));
        if (auto* command = dynamic_cast<CSwCommand*>(edited.get())) {
            for (std::size_t slot = 0; slot < command->Fields().size(); ++slot) {
                switch (command->Fields()[slot].kind) {
                case FieldKind::Text:
                    command->SetText(slot, command->Text(slot) + "＊");
                    break;
                case FieldKind::Flag:
                    command->SetInteger(slot, command->Integer(slot) == 0 ? 1 : 0);
                    break;
                case FieldKind::Integer:
                case FieldKind::Colour:
                case FieldKind::DecimalColour:
                    command->SetInteger(slot, command->Integer(slot) ^ 1);
                    break;
                default:
                    break;
                }
            }
        }
        sw::cells::ReplaceCell(doc, *scene, position, std::move(edited));
        break;
    }
    case 11: {
        CSwSettings edited;
        edited.Assign(doc.GetSettings());
        edited.width += 16;
        edited.name += "改";
        sw::cells::ReplaceSettings(doc, edited);
        break;
    }
    case 12: {
        std::string refusal;
        sw::scenes::SetLinkTarget(doc, *scene, RandomScene(doc, random), refusal);
        break;
    }
    case 13:
        ReplaceAll(doc, random() % 2 ? "森" : "e", "＊", SearchOptions{});
        break;
    case 14: {
        const std::vector<TextMatch> matches = FindText(doc, "た", SearchOptions{});
        if (!matches.empty())
            ReplaceMatch(doc, matches[random() % matches.size()], "た", "だ", SearchOptions{});
        break;
    }
    case 15:
        sw::cells::AddBackgroundPaths(doc, {"/tmp/背景" + std::to_string(random() % 3) + ".png"});
        break;
    case 16:
        sw::scenes::SetText(doc, *scene, sw::scenes::Text(random() % 9), "f.x == 1");
        break;
    case 17:
        // Removing a scene's ways in, then its children, then undoing all
        // must bring back the very same objects.
        if (CSwScene* other = RandomScene(doc, random); other && other != scene)
            doc.DeleteScene(other);
        break;
    }
}

} // namespace

TEST(UndoHistory, StepsMergeOnlyWhenAllowedAndTheCleanStateIsKept) {
    TempFolder temp;
    CScenewrightDoc doc;
    doc.EnableUndo(true);
    CSwScene* scene = doc.AddScene(CScenewrightDoc::kNewTopLevel);
    // Typing into one field is one step; another field is another.
    sw::scenes::SetText(doc, *scene, sw::scenes::Text::Title, "a");
    sw::scenes::SetText(doc, *scene, sw::scenes::Text::Title, "ab");
    sw::scenes::SetText(doc, *scene, sw::scenes::Text::Hint, "h");
    EXPECT_EQ(doc.GetHistory().StepCount(), 3u);
    EXPECT_FALSE(sw::scenes::SetText(doc, *scene, sw::scenes::Text::Hint, "h"));
    doc.Undo();
    EXPECT_EQ(scene->hint, "");
    doc.Undo();
    EXPECT_EQ(scene->title, "");
    doc.Redo();
    EXPECT_EQ(scene->title, "ab");

    // A save between two edits of one field keeps them apart, so that
    // undo can reach the saved state.
    ASSERT_TRUE(doc.WriteProjectFile(temp.File("a.swo").c_str()));
    sw::scenes::SetText(doc, *scene, sw::scenes::Text::Title, "abc");
    // The hint step was dropped, and the saved state ends the "ab" step.
    EXPECT_EQ(doc.GetHistory().StepCount(), 3u);
    sw::scenes::SetText(doc, *scene, sw::scenes::Text::Title, "abcd");
    EXPECT_EQ(doc.GetHistory().StepCount(), 3u);
    doc.Undo();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(scene->title, "ab");
    doc.Undo();
    EXPECT_TRUE(doc.IsModified());
}

// What an undo does to the objects: only what the step touched changes,
// everything else keeps its identity, and the selection goes to the change.
TEST(UndoRedo, UndoChangesOnlyWhatTheStepTouchedAndSelectsIt) {
    CScenewrightDoc doc;
    doc.EnableUndo(true);
    ASSERT_TRUE(doc.ReadProjectFile(kSampleProject.c_str()));
    UpdateRecorder updates;
    doc.AddView(&updates);
    CSwScene* forest = doc.FindScene(2);
    CSwScene* town = doc.FindScene(3);
    ASSERT_TRUE(forest && town);
    const std::vector<CSwObj*> forestCells = [&] {
        std::vector<CSwObj*> cells;
        for (const auto& cell : forest->cells)
            cells.push_back(cell.get());
        return cells;
    }();
    CSwObj* edited = forest->GetCellAt(0);
    auto copy = sw::cells::CopyOfCell(*edited);
    auto* command = static_cast<CSwCommand*>(copy.get());
    command->SetText(command->SlotOf("message"), "書き換えた。");
    ASSERT_TRUE(sw::cells::ReplaceCell(doc, *forest, 0, std::move(copy)));
    EXPECT_EQ(forest->GetCellAt(0), edited); // edited in place
    ASSERT_NE(sw::cells::DeleteCells(doc, *forest, {2, 3}), -1);
    doc.SelectScene(town);

    updates.updates.clear();
    ASSERT_TRUE(doc.Undo());
    // The deleted cells are back as the same objects; every other cell too.
    for (std::size_t i = 0; i < forestCells.size(); ++i)
        EXPECT_EQ(forest->GetCellAt(static_cast<int>(i)), forestCells[i]);
    EXPECT_EQ(doc.GetCurrentScene(), forest);
    EXPECT_EQ(doc.GetCurrentCell(), forestCells[2]);
    ASSERT_FALSE(updates.updates.empty());
    EXPECT_EQ(updates.updates[0].change, SwChange::Cells);
    EXPECT_EQ(updates.updates[0].scene, forest);
    EXPECT_EQ(updates.updates[0].firstCell, 2);

    doc.SelectScene(town);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(doc.GetCurrentScene(), forest);
    EXPECT_EQ(doc.GetCurrentCell(), edited);
    EXPECT_EQ(CellText(*edited, "message"), "森は静かだった。");
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(CellText(*edited, "message"), "書き換えた。");

    // A deleted scene comes back whole, as itself, with its children and
    // its place in the tree.
    CSwObj* parent = forest->parent;
    CSwObj* child = forest->child;
    ASSERT_TRUE(doc.DeleteScene(forest));
    EXPECT_EQ(doc.FindScene(2), nullptr);
    EXPECT_EQ(child->parent, nullptr);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(doc.FindScene(2), forest);
    EXPECT_EQ(forest->parent, parent);
    EXPECT_EQ(forest->child, child);
    EXPECT_EQ(child->parent, forest);
    EXPECT_EQ(forest->GetCellAt(0), edited);
    doc.RemoveView(&updates);
}

TEST(UndoRedo, RandomEditsOnTheSampleUndoToTheSameFileByteForByte) {
    TempFolder temp;
    const std::string path = temp.File("sample.swo");
    std::filesystem::copy_file(kSampleProject, path);
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        CScenewrightDoc doc;
        doc.SetSettingsFilePath(temp.File("Scenewright.ini"));
        doc.EnableUndo(true);
        ASSERT_TRUE(doc.ReadProjectFile(path.c_str()));
        const std::string before = WithoutSelection(Saved(doc, temp.File("before.swo")));

        std::mt19937 random(seed);
        const int edits = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < edits; ++i) {
            const std::size_t position = doc.GetHistory().Position();
            CSwScene* chosenBefore = doc.GetCurrentScene();
            RandomEdit(doc, random);
            // Choosing a scene is no edit: where the edit came to nothing,
            // the author is taken not to have chosen either.
            if (doc.GetHistory().Position() == position)
                doc.SetCurrentSceneQuietly(chosenBefore);
            // The scene texts a save keeps must follow every edit.
            ASSERT_EQ(Difference(doc.TakeProjectPieces().Joined(), doc.ProjectText()), "");
        }
        const std::string after = WithoutSelection(doc.ProjectText());
        const std::size_t steps = doc.GetHistory().Position();
        EXPECT_LE(steps, static_cast<std::size_t>(edits));

        for (std::size_t i = 0; i < steps; ++i) {
            EXPECT_TRUE(doc.IsModified() || i == 0);
            ASSERT_TRUE(doc.Undo());
            ASSERT_EQ(Difference(doc.TakeProjectPieces().Joined(), doc.ProjectText()), "");
        }
        EXPECT_FALSE(doc.CanUndo());
        EXPECT_EQ(Difference(WithoutSelection(Saved(doc, temp.File("undone.swo"))), before), "");
        while (doc.Redo()) {
        }
        EXPECT_EQ(Difference(WithoutSelection(doc.ProjectText()), after), "");
    }
}

TEST(UndoRedo, ModifiedFlagFollowsTheSavedStateAndMediaPathsSurviveSaveAs) {
    TempFolder temp;
    CScenewrightDoc doc;
    doc.SetSettingsFilePath(temp.File("Scenewright.ini"));
    doc.EnableUndo(true);
    CSwScene* scene = doc.AddScene(CScenewrightDoc::kNewTopLevel);
    auto bgm = CreateObject(SwType::BgmPlay);
    auto* command = static_cast<CSwCommand*>(bgm.get());
    const std::string music = temp.Write("media/theme.ogg", "ogg");
    command->SetText(command->SlotOf("storage"), music);
    std::vector<std::unique_ptr<CSwObj>> cells;
    cells.push_back(std::move(bgm));
    sw::cells::InsertCells(doc, *scene, -1, std::move(cells));
    ASSERT_TRUE(doc.WriteProjectFile(temp.File("project.swo").c_str()));
    EXPECT_FALSE(doc.IsModified());

    sw::cells::DeleteCells(doc, *doc.GetSceneAt(0), {0});
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetHistory().UndoName(), "セルの削除");
    doc.Undo();
    EXPECT_FALSE(doc.IsModified());
    doc.Redo();
    EXPECT_TRUE(doc.IsModified());

    // Saved elsewhere, the undone cell still names the same file.
    std::filesystem::create_directories(temp.File("b/c"));
    ASSERT_TRUE(doc.WriteProjectFile(temp.File("b/c/project.swo").c_str()));
    doc.Undo();
    ASSERT_EQ(doc.GetSceneAt(0)->GetCellCount(), 1);
    const auto* restored = static_cast<const CSwCommand*>(doc.GetSceneAt(0)->GetCellAt(0));
    EXPECT_EQ(restored->Text(restored->SlotOf("storage")), music);
    EXPECT_TRUE(doc.IsModified());

    // Jumping through the history list.
    EXPECT_TRUE(doc.GoToHistoryPosition(0));
    EXPECT_EQ(doc.GetSceneCount(), 0);
    EXPECT_TRUE(doc.GoToHistoryPosition(doc.GetHistory().StepCount()));
    EXPECT_EQ(doc.GetSceneAt(0)->GetCellCount(), 0);
    EXPECT_FALSE(doc.IsModified());
}

// The editor writes on another thread: edits made while a save is
// written are not saved, and the document must stay modified for them.
TEST(UndoRedo, ASaveFinishedAfterLaterEditsLeavesThemUnsaved) {
    TempFolder temp;
    CScenewrightDoc doc;
    doc.EnableUndo(true);
    CSwScene* scene = doc.AddScene(CScenewrightDoc::kNewTopLevel);
    sw::scenes::SetText(doc, *scene, sw::scenes::Text::Title, "a");
    CScenewrightDoc::SaveJob job = doc.PrepareSave(temp.File("a.swo"));
    sw::scenes::SetText(doc, *scene, sw::scenes::Text::Title, "ab"); // merges into "a"
    job.Run();
    ASSERT_TRUE(doc.FinishSave(job));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_NE(ReadFileOrEmpty(temp.File("a.swo")).find("<title>\"a\"</title>"), std::string::npos);

    job = doc.PrepareSave(temp.File("a.swo"));
    job.Run();
    ASSERT_TRUE(doc.FinishSave(job));
    EXPECT_FALSE(doc.IsModified());
    // A save only prepared changes nothing on disk nor in the document.
    sw::scenes::SetText(doc, *scene, sw::scenes::Text::Title, "abc");
    job = doc.PrepareSave(temp.File("a.swo"));
    doc.Undo();
    EXPECT_FALSE(doc.IsModified());
    job.written = false;
    EXPECT_FALSE(doc.FinishSave(job));
    EXPECT_FALSE(doc.IsModified());
}

TEST(SafetyCopies, RecoveryCopyIsOfferedOnOpenAndGoesWithACleanSave) {
    TempFolder temp;
    const std::string path = temp.File("story.swo");
    std::filesystem::copy_file(kSampleProject, path);
    const std::string original = ReadFileOrEmpty(path);
    const std::string recovery = CScenewrightDoc::RecoveryFilePath(path);
    EXPECT_EQ(recovery, temp.File(".story.swo.swrecovery"));
    {
        CScenewrightDoc crashed;
        ASSERT_TRUE(crashed.ReadProjectFile(path.c_str()));
        EXPECT_TRUE(crashed.WriteRecoveryCopy()); // unmodified: nothing written
        EXPECT_FALSE(std::filesystem::exists(recovery));
        crashed.DeleteScene(crashed.GetSceneAt(0));
        ASSERT_TRUE(crashed.WriteRecoveryCopy());
        // The editor dies here: no close, no save.
    }
    ASSERT_TRUE(std::filesystem::exists(recovery));
    EXPECT_EQ(ReadFileOrEmpty(path), original);
    // A copy older than the project file is not offered.
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(recovery) +
                                               std::chrono::seconds(5));
    EXPECT_FALSE(CScenewrightDoc::HasNewerRecoveryCopy(path));
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(recovery) -
                                               std::chrono::seconds(5));

    ScriptedHost host;
    int scenesInFile = 0;
    {
        CScenewrightDoc declined;
        declined.SetHost(&host);
        host.yesNoAnswer = IDocumentHost::Answer::No;
        ASSERT_TRUE(declined.OnFileOpen(path));
        ASSERT_EQ(host.asked.size(), 1u);
        EXPECT_NE(host.asked[0].find("復元しますか？"), std::string::npos);
        scenesInFile = declined.GetSceneCount();
        EXPECT_FALSE(declined.IsModified());
    }

    CScenewrightDoc doc;
    doc.SetSettingsFilePath(temp.File("Scenewright.ini"));
    doc.SetHost(&host);
    doc.EnableUndo(true);
    host.yesNoAnswer = IDocumentHost::Answer::Yes;
    ASSERT_TRUE(doc.OnFileOpen(path));
    EXPECT_EQ(doc.GetSceneCount(), scenesInFile - 1);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetHistory().UndoName(), "自動保存からの復元");
    EXPECT_EQ(ReadFileOrEmpty(path), original);

    doc.Undo();
    EXPECT_EQ(doc.GetSceneCount(), scenesInFile);
    doc.Redo();
    ASSERT_EQ(doc.SaveProject(false), CScenewrightDoc::kSaved);
    EXPECT_FALSE(std::filesystem::exists(recovery));
    EXPECT_EQ(doc.GetSceneCount(), scenesInFile - 1);
}

TEST(SafetyCopies, SavesKeepTheNewestEarlierVersionsInTheBackupFolder) {
    TempFolder temp;
    const std::string path = temp.File("story.swo");
    CScenewrightDoc doc;
    doc.SetSettingsFilePath(temp.File("Scenewright.ini"));
    EXPECT_EQ(doc.GetBackupCount(), CScenewrightDoc::kDefaultBackupCount);
    ASSERT_TRUE(doc.SetBackupCount(2));
    EXPECT_EQ(doc.GetBackupCount(), 2);

    std::vector<std::string> versions;
    for (int i = 0; i < 4; ++i) {
        doc.AddScene(CScenewrightDoc::kNewTopLevel);
        versions.push_back(Saved(doc, path));
    }
    Saved(doc, path); // the same text again adds no backup
    const std::string folder = CScenewrightDoc::BackupFolderOf(path);
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        kept.push_back(ReadFileOrEmpty(entry.path().string()));
    std::sort(kept.begin(), kept.end());
    std::vector<std::string> expected = {versions[1], versions[2]};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(kept, expected);

    ASSERT_TRUE(doc.SetBackupCount(0));
    std::filesystem::remove_all(folder);
    doc.AddScene(CScenewrightDoc::kNewTopLevel);
    Saved(doc, path);
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST(SafetyCopies, AProjectNeverSavedIsRecoveredFromBesideTheSettingsFile) {
    TempFolder temp;
    const std::string settings = temp.File("config/Scenewright.ini");
    std::string recovery;
    {
        CScenewrightDoc crashed;
        crashed.SetSettingsFilePath(settings);
        recovery = crashed.UntitledRecoveryFilePath();
        crashed.AddScene(CScenewrightDoc::kNewTopLevel)->title = "無題";
        ASSERT_TRUE(crashed.WriteRecoveryCopy());
    }
    ASSERT_TRUE(std::filesystem::exists(recovery));

    // Merely starting a document touches nothing that another run left.
    ScriptedHost host;
    CScenewrightDoc doc;
    doc.SetSettingsFilePath(settings);
    doc.SetHost(&host);
    doc.ResetDocument();
    ASSERT_TRUE(std::filesystem::exists(recovery));

    host.yesNoAnswer = IDocumentHost::Answer::Yes;
    ASSERT_TRUE(doc.OfferUntitledRecovery());
    ASSERT_EQ(doc.GetSceneCount(), 1);
    EXPECT_EQ(doc.GetSceneAt(0)->title, "無題");
    EXPECT_TRUE(doc.IsModified());
    host.savePath = temp.File("named.swo");
    ASSERT_EQ(doc.SaveProject(false), CScenewrightDoc::kSaved);
    EXPECT_FALSE(std::filesystem::exists(recovery));
}
