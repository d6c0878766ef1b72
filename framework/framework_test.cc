#include <gtest/gtest.h>

#include "framework/dialog_template.h"
#include "framework/doc_template.h"
#include "framework/document.h"
#include "framework/frame.h"
#include "framework/module.h"
#include "framework/view.h"
#include "host/strings.h"

namespace cartera::ui {
namespace {

class CountingView : public CView {
    DECLARE_DYNCREATE(CountingView)
  public:
    void OnUpdate(CView*, long, CObject*) override { ++updates; }
    int updates = 0;
};
IMPLEMENT_DYNCREATE(CountingView, CView)

class PlainDocument : public CDocument {
    DECLARE_DYNCREATE(PlainDocument)
};
IMPLEMENT_DYNCREATE(PlainDocument, CDocument)

class PlainFrame : public CMDIChildWnd {
    DECLARE_DYNCREATE(PlainFrame)
};
IMPLEMENT_DYNCREATE(PlainFrame, CMDIChildWnd)

TEST(DialogTemplateTest, ParsingSkipsMalformedLinesAndStrayControlsAndUnitsFollowTheFont) {
    std::vector<DialogTemplate> t = ParseDialogTemplates(
        "# comment\n"
        "control\t5\t7\tbutton\t1\t1\t1\t1\tLost\n"  // before any dialog
        "dialog\t5\t0\tdialog\t0\t0\t100\t50\tCap\n"
        "control\t5\t8\tedit\t1\tx\t1\t1\n"  // a place that is no number
        "control\t5\t9\tbutton\t10\t20\t30\t40\tA\tB\r\n"
        "control\t6\t10\tbutton\t1\t1\t1\t1\tOther dialog\n");
    ASSERT_EQ(t.size(), 1u);
    ASSERT_EQ(t[0].controls.size(), 1u);
    const DialogControl& c = t[0].controls[0];
    EXPECT_TRUE(c.id == 9 && c.units == QRect(10, 20, 30, 40) &&
                c.texts == (Texts{"A", "B", "", "", ""}));

    QFont small, large;
    small.setPixelSize(10);
    large.setPixelSize(20);
    QRect a = DialogUnitsToPixels(QRect(4, 8, 40, 16), small);
    EXPECT_GT(DialogUnitsToPixels(QRect(4, 8, 40, 16), large).width(), a.width());
    EXPECT_EQ(a.height(), QFontMetrics(small).height() * 2);  // 16 units: two lines
}

TEST(DocumentViewsTest, UpdatesReachEveryViewButTheSenderAndATemplateOpensAFramedDocument) {
    PlainDocument doc;
    auto a = std::make_unique<CountingView>();
    auto b = std::make_unique<CountingView>();
    doc.AddView(a.get());
    doc.AddView(b.get());
    doc.AddView(a.get());  // already there
    ASSERT_EQ(doc.GetViews().size(), 2u);
    doc.UpdateAllViews(a.get());
    EXPECT_EQ(std::pair(a->updates, b->updates), std::pair(0, 1));
    EXPECT_EQ(b->GetDocument(), &doc);
    b.reset();
    EXPECT_EQ(doc.GetViews().size(), 1u);
    doc.UpdateAllViews(nullptr);
    EXPECT_EQ(a->updates, 1);

    // A view the document has updated needs no initial update; a fresh one gets it.
    a->OnInitialUpdate();
    CountingView fresh;
    doc.AddView(&fresh);
    fresh.OnInitialUpdate();
    EXPECT_EQ(std::pair(a->updates, fresh.updates), std::pair(1, 1));

    // A template's document strings, and the life of the frame it opens.
    CDocTemplate tmpl(7, RUNTIME_CLASS(PlainDocument), RUNTIME_CLASS(PlainFrame),
                      RUNTIME_CLASS(CountingView), "\nPlain\n\nPlain files\n.plain", {});
    std::string field = "untouched";
    EXPECT_TRUE(tmpl.GetDocString(field, CDocTemplate::filterExt) && field == ".plain");
    EXPECT_FALSE(tmpl.GetDocString(field, CDocTemplate::fileNewName) ||  // an empty field
                 tmpl.GetDocString(field, 9) || field != ".plain");

    std::vector<CMDIChildWnd*> hosted;
    tmpl.SetFrameHost([&](CMDIChildWnd* frame) { hosted.push_back(frame); });
    CDocument* opened = tmpl.OpenDocumentFile("");
    ASSERT_NE(opened, nullptr);
    ASSERT_EQ(hosted.size(), 1u);
    EXPECT_EQ(tmpl.FindFrame(opened), hosted[0]);
    ASSERT_EQ(opened->GetViews().size(), 1u);
    EXPECT_EQ(static_cast<CountingView*>(opened->GetFirstView())->updates, 1) << "initial update";
    EXPECT_EQ(hosted[0]->GetActiveView(), opened->GetFirstView());
    delete hosted[0];
    EXPECT_TRUE(tmpl.GetDocuments().empty()) << "the document goes with its last frame";
}

TEST(ModuleRegistryTest, FindsClassesByNameOnceAndRunsLanguageHooks) {
    ModuleRegistry registry;
    registry.RegisterClass(RUNTIME_CLASS(CountingView));
    registry.RegisterClass(RUNTIME_CLASS(CountingView));
    EXPECT_EQ(registry.Classes().size(), 1u);
    EXPECT_EQ(registry.FindClass("CountingView"), RUNTIME_CLASS(CountingView));
    EXPECT_EQ(registry.FindClass("Nobody"), nullptr);
    int runs = 0;
    registry.AddLanguageHook([&] { ++runs; });
    registry.NotifyLanguageChanged();
    EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace cartera::ui
