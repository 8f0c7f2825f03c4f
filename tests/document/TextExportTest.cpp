#include "document/TextExport.h"
#include "document/ScenewrightDoc.h"
#include "model/SwScene.h"
#include "model/cells/CreateObject.h"
#include "model/cells/SwMessage.h"

#include <gtest/gtest.h>

namespace {

std::string Utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

CSwMessage& AddMessage(CSwScene& scene, std::string_view text) {
    auto message = std::make_unique<CSwMessage>();
    CSwMessage& added = *message;
    added.SetMessage(text);
    scene.AddCell(std::move(message));
    return added;
}

} // namespace

TEST(TextExport, RowsEditsAndRefusedKeys) {
    CScenewrightDoc doc;
    CSwScene* scene = doc.AddScene(CScenewrightDoc::kNewTopLevel);
    AddMessage(*scene, "ソ\\は\t表\r\n次").comment = "注";
    scene->AddCell(CreateObject(SwType::Eval));
    AddMessage(*scene, "二つ目");
    const std::string exported = ExportTexts(doc);
    EXPECT_EQ(exported, Utf8(u8R"(key	kind	speaker	comment	text
1:0	message		注	ソ\\は\t表\r\n次
1:2	message			二つ目
)"));

    // Unedited rows change nothing, whatever the line ends of the table.
    TextImportResult same = ImportTexts(doc, exported);
    EXPECT_EQ(same.changed, 0);
    EXPECT_TRUE(same.refused.empty());

    const TextImportResult result = ImportTexts(doc, Utf8(u8"key\tkind\tspeaker\tcomment\ttext\r\n"
                                                          u8"1:2\tmessage\t\t\t三つ\\n目\r\n"
                                                          u8"1:1\tmessage\t\t\tx\n"
                                                          u8"9:0\tmessage\t\t\tx\n"
                                                          u8"1:0\tmessage\t\tx\n"));
    EXPECT_EQ(result.changed, 1);
    EXPECT_EQ(static_cast<CSwMessage*>(scene->GetCellAt(2))->message(), "三つ\n目");
    EXPECT_EQ(static_cast<CSwMessage*>(scene->GetCellAt(0))->message(), "ソ\\は\t表\r\n次");
    ASSERT_EQ(result.refused.size(), 3u);
    EXPECT_EQ(result.refused[0], "3行目: キーの指すセルの種類か話者が書き出したときと違います。");
    EXPECT_EQ(result.refused[2], "5行目: 列の数が 5 ではありません。");
}
