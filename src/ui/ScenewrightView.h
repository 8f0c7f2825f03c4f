#pragma once

// The scene chart: every tree of the project as a diagram of scene boxes,
// with the selection, the tree commands, zoom, scrolling and a scene search.

#include "document/ChartLayout.h"
#include "document/ScenewrightDoc.h"
#include "ui/ChartIcons.h"

#include <QAbstractScrollArea>
#include <QFont>

#include <array>

class QAction;
class QMenu;

class CScenewrightView : public QAbstractScrollArea, public IScenewrightView {
    Q_OBJECT
public:
    explicit CScenewrightView(CScenewrightDoc& doc, QWidget* parent = nullptr);
    ~CScenewrightView() override;

    void OnDocumentUpdate(CScenewrightDoc& doc, const SwUpdate& update) override;

    const CChartLayout& Layout() const { return m_layout; }
    const CChartIcons& Icons() const { return m_icons; }
    // Loads the pictures (done on first show from the folder beside the
    // executable) and lays the chart out for their size.
    void LoadIcons(const std::string& folder);

    // The insert menu: the eight ways to add a scene. The chart's popup menu
    // adds delete, cut link and cancel to it.
    QMenu* InsertMenu() const { return m_insertMenu; }
    QAction* DeleteAction() const { return m_deleteAction; }
    // The chart's popup menu, for the window's own commands.
    QMenu* PopupMenu() const { return m_popupMenu; }
    // What an empty chart says to do.
    static QString EmptyChartHint();
    QAction* CutLinkAction() const { return m_cutLinkAction; }
    QAction* FindAction() const { return m_findAction; }
    QAction* ZoomInAction() const { return m_zoomInAction; }
    QAction* ZoomOutAction() const { return m_zoomOutAction; }
    QAction* FitAction() const { return m_fitAction; }
    // The action that adds a scene in `mode` (CScenewrightDoc::InsertMode).
    QAction* InsertAction(int mode) const;
    // Availability of the tree commands for the current scene.
    void UpdateCommandStates();
    // Stops every command while a build runs.
    void SetCommandsBlocked(bool blocked);

    double Zoom() const { return m_zoom; }
    // Zooms keeping the chart point under `anchor` (viewport pixels) still.
    void SetZoom(double zoom, QPoint anchor);
    void ZoomToFit();

    // Chart coordinates of a point of the viewport.
    QPoint ChartPointAt(QPoint viewportPoint) const;
    // The part of the chart the viewport shows, in chart coordinates.
    QRect VisibleChartRect() const;
    void CenterOn(const CSwScene& scene);
    void EnsureVisible(const CSwScene& scene);

    // Selects and centres the next scene (after the current one, in scene
    // order) whose number is `text` or whose title or comment holds it.
    bool FindAndSelect(const QString& text);

    // Draws everything of the chart that meets `visible` (chart
    // coordinates) onto a painter already set up for chart coordinates.
    void PaintChart(QPainter& painter, const QRect& visible) const;

signals:
    // Chart coordinates of the pointer, for the status bar.
    void pointerMoved(int x, int y);
    void message(const QString& text);
    // A scene was added from the chart's menus and chosen.
    void sceneAdded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateActions();
    void Relayout();
    void UpdateScrollRange();
    void SelectAndShow(CSwScene* scene);
    void MoveSelection(int key);
    void AskAndFind();
    void PaintTree(QPainter& painter, CSwScene* top, const QRect& visible) const;
    void PaintScene(QPainter& painter, const CSwScene& scene, const CSwScene* parent,
                    int siblingIndex, const QRect& visible) const;
    // The CP932 text above a scene's box, chosen by its parent's kind.
    std::string LabelOf(const CSwScene& scene, const CSwScene* parent, int siblingIndex) const;

    CScenewrightDoc& m_doc;
    CChartLayout m_layout;
    CChartIcons m_icons;
    QFont m_font;
    QPoint m_lastPointer;
    double m_zoom = 1.0;
    bool m_blocked = false;

    QMenu* m_insertMenu = nullptr;
    QMenu* m_popupMenu = nullptr;
    std::array<QAction*, 8> m_insertActions{};
    QAction* m_popupDeleteAction = nullptr;
    QAction* m_deleteAction = nullptr;
    QAction* m_cutLinkAction = nullptr;
    QAction* m_findAction = nullptr;
    QAction* m_zoomInAction = nullptr;
    QAction* m_zoomOutAction = nullptr;
    QAction* m_fitAction = nullptr;
};
