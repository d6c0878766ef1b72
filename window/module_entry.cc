// The portfolio module's entry point: answers its interface version and registers its
// run-time classes, document type, menu, language hook and view commands with the
// workstation.
#include <QApplication>

#include "dialogs/entry_sheets.h"
#include "framework/dialog_template.h"
#include "framework/module.h"
#include "host/folders.h"
#include "host/strings.h"
#include "window/child_frm_cartera.h"
#include "window/doc_cartera.h"
#include "window/view_valoracion.h"
#include "window/views.h"

namespace {

constexpr int kPortfolioMenu = 3371;

cartera::ui::MenuRecord BuildMenu(int id) {
    cartera::ui::MenuRecord menu;
    const cartera::ui::MenuTemplate* t = cartera::ui::FindMenuTemplate(id);
    if (!t) return menu;
    auto lang = static_cast<int>(cartera::CurrentLanguage());
    menu.id = id;
    menu.title = t->title[lang];
    for (const auto& item : t->items) menu.items.push_back({item.id, item.texts[lang]});
    return menu;
}

// Frames of this module retitle themselves; the workstation knows only the framework.
void RetranslateFrames() {
    for (QWidget* w : QApplication::allWidgets())
        if (auto* frame = dynamic_cast<CChildFrmCartera*>(w)) frame->OnLanguageChanged();
}

}  // namespace

// The portfolio commands for a host that holds one of this module's views; a view of
// another kind (the valuation view included) ignores them.
namespace {

CViewBaseCartera* PortfolioView(CView* view) { return dynamic_cast<CViewBaseCartera*>(view); }

void OnComprar(CView* view, int row) {
    if (auto* v = PortfolioView(view)) v->OnComprar(row);
}
void OnVender(CView* view, int row) {
    if (auto* v = PortfolioView(view)) v->OnVender(row);
}
void OnOtros(CView* view) {
    if (auto* v = PortfolioView(view)) v->OnOtros();
}
void OnComision(CView* view) {
    if (auto* v = PortfolioView(view)) v->OnComision();
}

int RegisterModule(cartera::ui::ModuleRegistry* registry) {
    if (!registry) return 0;
    registry->RegisterClass(RUNTIME_CLASS(CDocCartera));
    registry->RegisterClass(RUNTIME_CLASS(CChildFrmCartera));
    registry->RegisterClass(RUNTIME_CLASS(CViewCartera));
    registry->RegisterClass(RUNTIME_CLASS(CViewBaseCartera));
    std::string ext = cartera::PortfolioExtension();
    registry->AddDocType({"CDocCartera", "CChildFrmCartera", "CViewCartera", kPortfolioMenu,
                          "\nPortfolio\nPortfolio\nPortfolio files (*" + ext + ")\n" + ext});
    registry->AddMenu(kPortfolioMenu, [] { return BuildMenu(kPortfolioMenu); });
    registry->AddLanguageHook(RetranslateFrames);
    registry->SetViewCommands({OnComprar, OnVender, OnOtros, OnComision});
    InstallEntrySheets();
    return 1;
}

constexpr cartera::ui::ModuleInfo kModuleInfo{cartera::ui::kModuleInterfaceVersion, RegisterModule};

}  // namespace

// The module's one export (module.map keeps every other symbol inside).
extern "C" __attribute__((visibility("default"))) const cartera::ui::ModuleInfo* CarteraModule() {
    return &kModuleInfo;
}
