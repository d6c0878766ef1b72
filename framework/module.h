#pragma once
// What a module registers with the workstation when it is loaded: its run-time classes, its
// document types (document, frame and view class names with the document string), its
// menus, a hook run when the interface language changes and the commands a host may run on
// its views.
//
// A module is a shared library exporting one C function, kModuleEntryName, of type
// ModuleEntry, and nothing else. The function answers the module's ModuleInfo; the host
// checks its interface version before it calls anything else in the module.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct CRuntimeClass;
class CView;

namespace cartera::ui {

struct DocTypeRecord {
    std::string docClass;
    std::string frameClass;
    std::string viewClass;
    int menuId = 0;
    // "\n"-separated: window title, document name, new-file name, filter name, extension.
    std::string docString;
};

struct MenuItemRecord {
    int id = 0;  // 0: a separator
    std::string text;
};

struct MenuRecord {
    int id = 0;
    std::string title;
    std::vector<MenuItemRecord> items;
};

class ModuleRegistry {
  public:
    // The record must outlive the registry (a module's static data).
    void RegisterClass(const CRuntimeClass* cls);
    // Null when no class of that name was registered.
    const CRuntimeClass* FindClass(std::string_view name) const;
    const std::vector<const CRuntimeClass*>& Classes() const { return m_classes; }

    void AddDocType(DocTypeRecord record) { m_docTypes.push_back(std::move(record)); }
    const std::vector<DocTypeRecord>& DocTypes() const { return m_docTypes; }

    // build gives the menu's texts in the current interface language.
    void AddMenu(int id, std::function<MenuRecord()> build);
    // The menu in the current language; an empty record (id 0) for an unknown id.
    MenuRecord BuildMenu(int id) const;
    std::vector<int> MenuIds() const;

    void AddLanguageHook(std::function<void()> hook) { m_languageHooks.push_back(std::move(hook)); }
    // Runs every module's language hook (after SetLanguage).
    void NotifyLanguageChanged() const;

    // The portfolio commands a host may run on a view of the module (a view of another kind
    // ignores them); unset until a module registers them.
    struct ViewCommands {
        void (*comprar)(CView* view, int row) = nullptr;
        void (*vender)(CView* view, int row) = nullptr;
        void (*otros)(CView* view) = nullptr;
        void (*comision)(CView* view) = nullptr;
    };
    void SetViewCommands(ViewCommands commands) { m_viewCommands = commands; }
    const ViewCommands& Commands() const { return m_viewCommands; }

  private:
    std::vector<const CRuntimeClass*> m_classes;
    std::vector<DocTypeRecord> m_docTypes;
    std::vector<std::pair<int, std::function<MenuRecord()>>> m_menus;
    std::vector<std::function<void()>> m_languageHooks;
    ViewCommands m_viewCommands;
};

// Raised whenever ModuleRegistry, the records above or ModuleInfo change, so a module
// built against another layout is refused instead of run.
inline constexpr int kModuleInterfaceVersion = 2;

// What a module's entry point answers. interfaceVersion stays the first member in every
// version, so any module's version can be read. registerModule registers everything
// through the registry it is given and answers non-zero on success; it answers zero only
// before it has touched the registry or anything else, so the host may unload it then.
struct ModuleInfo {
    int interfaceVersion;
    int (*registerModule)(ModuleRegistry* registry);
};

using ModuleEntry = const ModuleInfo* (*)();
inline constexpr const char* kModuleEntryName = "CarteraModule";

}  // namespace cartera::ui
