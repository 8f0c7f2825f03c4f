// Draws every property dialog into one picture, for checking labels and
// alignment as a set: scenewright_dialog_sheet OUT.png
// (run with QT_QPA_PLATFORM=offscreen where there is no display).

#include "document/ScenewrightDoc.h"
#include "model/SwSettings.h"
#include "model/cells/CommandCatalogue.h"
#include "model/cells/CreateObject.h"
#include "model/cells/SwCharacter.h"
#include "ui/CellDialog.h"
#include "ui/ProjectSettingsDialog.h"
#include "ui/SystemSettingsDialog.h"

#include <QApplication>
#include <QPainter>

#include <vector>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    CScenewrightDoc doc;
    doc.GetSettings().AddCharacter(CreateObject(SwType::Character));
    std::vector<std::unique_ptr<QDialog>> dialogs;
    for (const CommandTypeInfo& info : CommandCatalogue()) {
        const std::int32_t type = info.type;
        auto cell = CreateObject(type);
        if (auto dialog = CCellDialog::Create(doc, *cell))
            dialogs.push_back(std::move(dialog));
    }
    dialogs.push_back(std::make_unique<CProjectSettingsDialog>(doc));
    dialogs.push_back(std::make_unique<CCharacterDialog>(
        doc, std::vector<const CSwCharacter*>{doc.GetSettings().GetCharacterAt(0)}));
    dialogs.push_back(std::make_unique<CSystemSettingsDialog>(QStringLiteral("C:/kirikiri2")));

    // Shelves: each row as high as its tallest dialog, rows at most 1800 wide.
    const int gap = 16, caption = 22, width = 1800;
    std::vector<std::pair<QImage, QPoint>> placed;
    QPoint at(gap, gap);
    int shelf = 0;
    for (const auto& dialog : dialogs) {
        dialog->adjustSize();
        QImage shot = dialog->grab().toImage();
        if (at.x() + shot.width() > width && at.x() > gap) {
            at = QPoint(gap, at.y() + shelf + caption + gap);
            shelf = 0;
        }
        placed.push_back({shot, at});
        at.rx() += shot.width() + gap;
        shelf = std::max(shelf, shot.height());
    }
    QImage sheet(width, at.y() + shelf + caption + gap, QImage::Format_RGB32);
    sheet.fill(QColor(200, 200, 200));
    QPainter painter(&sheet);
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const auto& [shot, where] = placed[i];
        painter.drawText(QRect(where.x(), where.y(), shot.width(), caption),
                         Qt::AlignLeft | Qt::AlignVCenter, dialogs[i]->windowTitle());
        painter.drawImage(where + QPoint(0, caption), shot);
        painter.setPen(Qt::darkGray);
        painter.drawRect(QRect(where + QPoint(0, caption), shot.size()).adjusted(0, 0, -1, -1));
        painter.setPen(Qt::black);
    }
    return sheet.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
