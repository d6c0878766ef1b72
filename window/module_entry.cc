// The portfolio module's entry point: registers its run-time classes, its document type,
// its menu and its language hook with the workstation.
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
}  // namespace

#define CARTERA_EXPORT extern "C" __attribute__((visibility("default")))

CARTERA_EXPORT void CarteraOnComprar(CView* view, int row) {
    if (auto* v = PortfolioView(view)) v->OnComprar(row);
}
CARTERA_EXPORT void CarteraOnVender(CView* view, int row) {
    if (auto* v = PortfolioView(view)) v->OnVender(row);
}
CARTERA_EXPORT void CarteraOnOtros(CView* view) {
    if (auto* v = PortfolioView(view)) v->OnOtros();
}
CARTERA_EXPORT void CarteraOnComision(CView* view) {
    if (auto* v = PortfolioView(view)) v->OnComision();
}

CARTERA_EXPORT int CarteraRegisterModule(cartera::ui::ModuleRegistry* registry) {
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
    InstallEntrySheets();
    return 1;
}
