#pragma once
// A view: a widget in a frame that shows its document. Commands reach the frame's active
// view first; a view answers the ids it handles.
#include <QWidget>
#include <string>

#include "framework/runtime_class.h"
#include "host/error.h"

class CDocument;
class CMDIChildWnd;
struct CCreateContext;

class CView : public QWidget, public CObject {
    DECLARE_DYNAMIC(CView)

  public:
    CView();
    // Leaves its document.
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }
    // The frame the view was created in; null before.
    CMDIChildWnd* GetParentFrame() const { return m_pFrame; }

    // Called once the widget has its parent and frame; -1 fails the view's creation.
    virtual int OnCreate(CCreateContext* context) { return 0; }
    // After the document has been created or loaded: OnUpdate(nullptr, 0, nullptr), unless
    // the document has updated the view already (loading and saving end with an update).
    virtual void OnInitialUpdate();
    // The document changed. The default repaints the widget.
    virtual void OnUpdate(CView* sender, long hint, CObject* hintObject);
    virtual void OnSize(int type, int cx, int cy) {}

    // Runs command id; false when the view does not handle it.
    virtual bool OnCmdMsg(int id) { return false; }
    // True when the view handles id, with *enabled its state.
    virtual bool OnUpdateCmdUI(int id, bool* enabled) const { return false; }
    // Writes what the view shows to a PDF file: invalid_input when the view has nothing to
    // export, io when the file cannot be written.
    virtual cartera::Status ExportToPdf(const std::string& path);

    // The view's rectangle in screen coordinates, as the window system reports it.
    QRect GetWindowRect() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    friend class CDocument;
    friend class CMDIChildWnd;

    CDocument* m_pDocument = nullptr;
    CMDIChildWnd* m_pFrame = nullptr;
    bool m_updatedByDocument = false;
};
