#pragma once
// The MDI child frame of the framework: a widget that holds a document's views, knows the
// active one and routes commands to it first.
#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "framework/runtime_class.h"

class CArchive;
class CDocTemplate;
class CDocument;
class CView;

// What a frame is created with: its document, the view class to show it with and the
// template that made both. Nothing is owned.
struct CCreateContext {
    CDocument* m_pCurrentDoc = nullptr;
    const CRuntimeClass* m_pNewViewClass = nullptr;
    CDocTemplate* m_pNewDocTemplate = nullptr;
};

class CMDIChildWnd : public QWidget, public CObject {
    DECLARE_DYNAMIC(CMDIChildWnd)

  public:
    CMDIChildWnd();
    // Destroys the views left and tells the template the document lost this frame.
    ~CMDIChildWnd() override;

    // Creates the client area (OnCreateClient), then runs OnCreate. False when either
    // fails; the frame is then to be deleted.
    bool LoadFrame(CCreateContext* context);
    // The default creates one view of the context's view class filling the frame.
    virtual bool OnCreateClient(CCreateContext* context);
    // After the client area exists; -1 fails the frame.
    virtual int OnCreate() { return 0; }
    virtual void OnSize(int type, int cx, int cy);
    virtual void OnTimer(int id) {}
    virtual void Serialize(CArchive& ar) {}
    // The name of the active document (its title); empty without one.
    virtual std::string GetDocumentName() const;
    // The interface language changed: re-read every text shown.
    virtual void OnLanguageChanged() {}

    // A new view of class cls as a child of parent (the frame when null): created, given
    // this frame, attached to the context's document and run through OnCreate. Null, with
    // nothing left behind, when the class is no view or OnCreate fails.
    CView* CreateView(const CRuntimeClass* cls, CCreateContext* context, QWidget* parent);
    // Detaches every view of the frame from its document and deletes it.
    void DestroyViews();
    // The views created in this frame, in creation order.
    const std::vector<CView*>& GetViews() const { return m_views; }

    CView* GetActiveView() const { return m_pActiveView; }
    void SetActiveView(CView* view);
    // The document of the active view, else the document the frame was created for.
    CDocument* GetActiveDocument() const;
    // Runs every view's OnInitialUpdate and shows the frame when asked.
    void InitialUpdateFrame(CDocument* document, bool makeVisible);
    // Shows the frame and makes it the active window of its MDI area.
    void ActivateFrame();

    // The caption, also given to the MDI sub-window that holds the frame.
    void SetWindowText(const std::string& text);
    std::string GetWindowText() const;
    // Caption := the active document's title, with " *" while it is modified. A frame that
    // names more than the file (the portfolio's currency) adds it.
    virtual void OnUpdateFrameTitle();

    // Routes a command to the active view, then to the frame. False when nobody handles it.
    bool OnCmdMsg(int id);
    // True when the active view or the frame handles id, with *enabled its state.
    bool OnUpdateCmdUI(int id, bool* enabled) const;
    // The menu text of command id as it stands now (Undo names its step); empty keeps the
    // menu's own text.
    virtual std::string CommandText(int id) const { return {}; }

    // A repeating timer with our id; a second call with the same id restarts it.
    void SetTimer(int id, int milliseconds);
    void KillTimer(int id);
    bool HasTimer(int id) const;

  protected:
    // The frame's own commands, whichever tab is active.
    virtual bool OnFrameCommand(int id) { return false; }
    virtual bool OnFrameUpdateCmdUI(int id, bool* enabled) const { return false; }

    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    friend class CView;

    CView* m_pActiveView = nullptr;
    std::vector<CView*> m_views;
    CDocument* m_pDocument = nullptr;  // the document the frame was created for
    std::map<int, int> m_timers;       // Qt timer id -> our id
};
